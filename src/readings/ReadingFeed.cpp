#include "ReadingFeed.h"

#include "measure/Meter.h"

#include <QDateTime>

namespace pelmix::readings {

namespace {

analysis::Mode modeOf(device::Mode mode)
{
    switch (mode) {
    case device::Mode::Calibration:
        return analysis::Mode::Calibration;
    case device::Mode::Frequency:
        return analysis::Mode::Frequency;
    case device::Mode::Period:
        return analysis::Mode::Period;
    case device::Mode::Interval:
        return analysis::Mode::Interval;
    case device::Mode::Count:
        break;
    }
    return analysis::Mode::Count;
}

analysis::Status statusOf(measure::Status status)
{
    switch (status) {
    case measure::Status::Ok:
        return analysis::Status::Ok;
    case measure::Status::Timeout:
        return analysis::Status::Timeout;
    case measure::Status::Unreadable:
        return analysis::Status::Unreadable;
    case measure::Status::Overflow:
        break;
    }
    return analysis::Status::Overflow;
}

} // namespace

analysis::Setup setupOf(const measure::Result &result)
{
    const measure::InputValues &in = result.settings;
    return {modeOf(result.mode),
            result.position,
            in.input == device::Input::Analog,
            in.level,
            in.edge == device::Edge::Falling,
            in.filter};
}

analysis::Reading readingOf(const measure::Result &result, qint64 utcMs, double elapsed)
{
    analysis::Reading reading;
    reading.utcMs = utcMs;
    reading.elapsed = elapsed;
    reading.status = statusOf(result.status);
    if (result.hasValue())
        reading.value = result.value;
    return reading;
}

ReadingFeed::ReadingFeed(const measure::Meter &meter, analysis::ReadingStore &store,
                         QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    m_clock.start();
    connect(&meter, &measure::Meter::measured, this, &ReadingFeed::append);
}

void ReadingFeed::append(const measure::Result &result)
{
    const analysis::Setup setup = setupOf(result);
    const analysis::Reading reading = readingOf(result, QDateTime::currentMSecsSinceEpoch(),
                                                double(m_clock.nsecsElapsed()) / 1e9);
    const qsizetype series = m_store.append(setup, reading, result.reply);
    emit appended(setup, reading, series);
}

} // namespace pelmix::readings
