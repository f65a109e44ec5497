#include "Commands.h"

namespace pelmix::device {

QString modeCommand(Mode mode, bool analog)
{
    const QChar letter = QLatin1Char(modeInfo(mode).letter);
    // Calibration always uses the digital input's letter.
    return QString(analog && mode != Mode::Calibration ? letter.toLower() : letter);
}

QString edgeCommand(bool fallingEdge)
{
    return fallingEdge ? QStringLiteral("k") : QStringLiteral("K");
}

QString filterCommand(bool on)
{
    return on ? QStringLiteral("b") : QStringLiteral("B");
}

QString calibrationCommand(bool on)
{
    return on ? QStringLiteral("J") : QStringLiteral("j");
}

} // namespace pelmix::device
