#include "PortNames.h"

#include <QSettings>

namespace pelmix::device {

QString systemPortFor(int portNumber, const QSettings &settings)
{
    if (portNumber < 1 || portNumber > 8)
        return {};
    const QString configured =
        settings.value(QStringLiteral("Ports/Com%1").arg(portNumber)).toString().trimmed();
    return configured.isEmpty() ? defaultPortFor(portNumber) : configured;
}

QString defaultPortFor(int portNumber)
{
    if (portNumber < 1 || portNumber > 8)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

} // namespace pelmix::device
