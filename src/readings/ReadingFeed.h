#pragma once

#include "analysis/ReadingStore.h"
#include "device/Clock.h"
#include "measure/Result.h"

#include <QObject>

namespace pelmix::measure {
class Meter;
}

namespace pelmix::readings {

// A measurement result as the readings keep it: its times, with the monotonic one in
// seconds since `origin`, and its value or the reason it has none.
analysis::Reading readingOf(const measure::Result &result, device::Clock::time_point origin);

// Turns every result a meter reports into a reading, its monotonic time counted from the
// feed's start, and appends it to a store.
class ReadingFeed : public QObject
{
    Q_OBJECT
public:
    ReadingFeed(const measure::Meter &meter, analysis::ReadingStore &store,
                QObject *parent = nullptr);

    analysis::ReadingStore &store() { return m_store; }

signals:
    void appended(const pelmix::Setup &setup, const pelmix::analysis::Reading &reading,
                  qsizetype series);

private:
    void append(const measure::Result &result);

    analysis::ReadingStore &m_store;
    device::Clock::time_point m_origin = device::Clock::now();
};

} // namespace pelmix::readings
