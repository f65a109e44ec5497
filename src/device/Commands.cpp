#include "Commands.h"

namespace pelmix::device {

QString modeCommand(Mode mode, Input input)
{
    char letter = 'F';
    switch (mode) {
    case Mode::Calibration:
        return QStringLiteral("F");
    case Mode::Frequency:
        letter = 'F';
        break;
    case Mode::Period:
        letter = 'T';
        break;
    case Mode::Interval:
        letter = 'I';
        break;
    case Mode::Count:
        letter = 'P';
        break;
    }
    const QChar c = QLatin1Char(letter);
    return QString(input == Input::Digital ? c : c.toLower());
}

QString edgeCommand(Edge edge)
{
    return edge == Edge::Falling ? QStringLiteral("k") : QStringLiteral("K");
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
