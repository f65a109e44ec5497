#include "PortsCommand.h"

#include "Arguments.h"
#include "Console.h"
#include "ExitStatus.h"
#include "PortChoice.h"

#include <QCommandLineParser>
#include <QSerialPortInfo>
#include <QSettings>

#include <unistd.h>

namespace pelmix::cli {

namespace {

const QString Command = QStringLiteral("ports");

const char *const Description =
    "Lists the serial ports the system has: the device, the ComN that the settings map to it\n"
    "(as --port and the window name it), its description, manufacturer, serial number and\n"
    "USB vendor and product id. Com1 to Com8 are /dev/ttyS0 to /dev/ttyS7 unless the\n"
    "settings file names another device under [Ports], such as Com3=/dev/ttyUSB0.";

QString orDash(const QString &text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("-") : text.trimmed();
}

QString usbId(const QSerialPortInfo &port)
{
    if (!port.hasVendorIdentifier() || !port.hasProductIdentifier())
        return QStringLiteral("-");
    return QStringLiteral("%1:%2")
        .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
}

QString comNames(const QList<int> &numbers)
{
    QStringList names;
    for (const int n : numbers)
        names << QStringLiteral("Com%1").arg(n);
    return names.isEmpty() ? QStringLiteral("-") : names.join(u',');
}

} // namespace

int runPorts(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    if (const auto exit = parseCommandLine(parser, arguments, Command, QStringLiteral("ports")))
        return *exit;
    if (!parser.positionalArguments().isEmpty()) {
        return reportUsage(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().front()),
            Command);
    }

    const auto settings = windowSettings();
    QList<QStringList> rows{{QStringLiteral("DEVICE"), QStringLiteral("COM"),
                             QStringLiteral("DESCRIPTION"), QStringLiteral("MANUFACTURER"),
                             QStringLiteral("SERIAL"), QStringLiteral("USB ID")}};
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        rows.append({port.systemLocation(),
                     comNames(comNumbersFor(port.systemLocation(), *settings)),
                     orDash(port.description()), orDash(port.manufacturer()),
                     orDash(port.serialNumber()), usbId(port)});
    }
    if (rows.size() == 1) {
        console::note("No serial ports found.\n");
        return ExitStatus::Ok;
    }

    QList<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList &row : std::as_const(rows)) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    QString table;
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        table += line + u'\n';
    }
    if (!writeAll(STDOUT_FILENO, table.toUtf8()))
        return ExitStatus::Incomplete;
    return ExitStatus::Ok;
}

} // namespace pelmix::cli
