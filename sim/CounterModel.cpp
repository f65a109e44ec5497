#include "CounterModel.h"

#include <cmath>

namespace pelmix::sim {

namespace {

QByteArray hexDigits(double count, int digits)
{
    const double max = std::pow(16.0, digits) - 1;
    const auto value = quint64(std::clamp(std::round(count), 0.0, max));
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

} // namespace

CounterModel::CounterModel(Signal signal, Faults faults)
    : m_signal(signal)
    , m_faults(faults)
    , m_random(signal.seed)
{
}

bool CounterModel::isFrequencyMode() const
{
    return m_mode == 'F' || m_mode == 'f';
}

int CounterModel::digits() const
{
    return isFrequencyMode() ? 8 : 12;
}

QByteArray CounterModel::statusLine() const
{
    QByteArray line;
    line += m_mode;
    line += m_falling ? 'k' : 'K';
    line += char('0' + m_time);
    line += m_filter ? 'b' : 'B';
    line += m_calibration ? 'J' : 'j';
    line += ':';
    line += char('0' + m_level);
    if (m_faults.shortStatus)
        line.truncate(3);
    return line + '\r';
}

double CounterModel::count(Clock::time_point now) const
{
    const double gateSeconds = std::pow(10.0, m_time) / 1000.0;
    const double periodUs =
        m_signal.periodUs > 0 ? m_signal.periodUs : 1.0e6 / m_signal.frequencyHz;
    switch (m_mode) {
    case 'F':
    case 'f':
        return (m_calibration ? m_signal.referenceHz : m_signal.frequencyHz) * gateSeconds;
    case 'T':
    case 't':
        return periodUs * std::pow(10.0, m_time + 1);
    case 'I':
    case 'i':
        return m_signal.intervalUs * 10.0;
    default:
        return m_signal.pulseRateHz * std::chrono::duration<double>(now - m_countingSince).count();
    }
}

double CounterModel::noisy(double value)
{
    if (m_signal.noise <= 0)
        return value;
    std::normal_distribution<double> spread(0.0, m_signal.noise);
    return value * (1.0 + spread(m_random));
}

CounterModel::Reply CounterModel::data(Clock::time_point now)
{
    Reply reply;
    if (isFrequencyMode()) {
        const double gateMs = std::pow(10.0, m_time);
        reply.delay = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::milli>(gateMs * m_timeScale));
    }
    if (m_faults.flood) {
        reply.bytes = QByteArray(1 << 20, '7');
        return reply;
    }
    if (m_dataReply) {
        reply.bytes = *m_dataReply;
        return reply;
    }
    const double n = m_mode == 'P' || m_mode == 'p' ? std::floor(count(now)) : noisy(count(now));
    reply.bytes = char(std::toupper(m_mode)) + hexDigits(n, digits()) + '\r';
    return reply;
}

CounterModel::Reply CounterModel::respond(char command, Clock::time_point now)
{
    switch (command) {
    case 'w':
        break;
    case 'F':
    case 'f':
    case 'T':
    case 't':
    case 'I':
    case 'i':
    case 'P':
    case 'p': {
        // Counting starts afresh when the counter enters counting mode.
        const bool wasCounting = m_mode == 'P' || m_mode == 'p';
        m_mode = command;
        if ((command == 'P' || command == 'p') && !wasCounting)
            m_countingSince = now;
        break;
    }
    case 'K':
    case 'k':
        m_falling = command == 'k';
        break;
    case 'B':
    case 'b':
        m_filter = command == 'b';
        break;
    case 'J':
    case 'j':
        m_calibration = command == 'J';
        break;
    case '+':
        if (!m_faults.stuckLevel)
            m_level = (m_level + 1) % 8;
        break;
    case 'C':
        if (!m_faults.stuckTime)
            m_time = (m_time + 1) % 5;
        break;
    case 'D':
        return data(now);
    default:
        return {QByteArrayLiteral("?\r"), {}};
    }
    return {statusLine(), {}};
}

} // namespace pelmix::sim
