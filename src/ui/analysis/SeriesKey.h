#pragma once

#include <QtGlobal>

namespace pelmix::ui {

// Which series a result of background work belongs to: its index in the store, and the
// store's epoch, which clearing the store advances, so that a result computed before a
// clear is never shown for the new series that took the same index.
struct SeriesKey
{
    quint64 epoch = 0;
    qsizetype index = -1;

    bool operator==(const SeriesKey &) const = default;
};

} // namespace pelmix::ui
