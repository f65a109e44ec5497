#pragma once

#include "analysis/ReadingStore.h"
#include "measure/Result.h"

#include <QElapsedTimer>
#include <QObject>

namespace pelmix::measure {
class Meter;
}

namespace pelmix::readings {

// A measurement result as the readings keep it: the setup it ran with, and its value or
// the reason it has none.
analysis::Setup setupOf(const measure::Result &result);
analysis::Reading readingOf(const measure::Result &result, qint64 utcMs, double elapsed);

// Turns every result a meter reports into a reading, stamped with the wall clock and a
// monotonic clock that started with the feed, and appends it to a store.
class ReadingFeed : public QObject
{
    Q_OBJECT
public:
    ReadingFeed(const measure::Meter &meter, analysis::ReadingStore &store,
                QObject *parent = nullptr);

    analysis::ReadingStore &store() { return m_store; }

signals:
    void appended(const pelmix::analysis::Setup &setup, const pelmix::analysis::Reading &reading,
                  qsizetype series);

private:
    void append(const measure::Result &result);

    analysis::ReadingStore &m_store;
    QElapsedTimer m_clock;
};

} // namespace pelmix::readings
