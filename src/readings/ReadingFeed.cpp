#include "ReadingFeed.h"

#include "measure/Meter.h"

namespace pelmix::readings {

analysis::Reading readingOf(const measure::Result &result, device::Clock::time_point origin)
{
    analysis::Reading reading;
    reading.utcMs = result.utcMs;
    reading.elapsed = std::chrono::duration<double>(result.ended - origin).count();
    reading.status = result.status;
    reading.value = result.value;
    return reading;
}

ReadingFeed::ReadingFeed(const measure::Meter &meter, analysis::ReadingStore &store,
                         QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&meter, &measure::Meter::measured, this, &ReadingFeed::append);
}

void ReadingFeed::append(const measure::Result &result)
{
    const analysis::Reading reading = readingOf(result, m_origin);
    const qsizetype series = m_store.append(result.setup, reading, result.reply);
    emit appended(result.setup, reading, series);
}

} // namespace pelmix::readings
