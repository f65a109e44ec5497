#include "Arguments.h"

#include "Console.h"
#include "ExitStatus.h"

#include <QCommandLineParser>

#include <cmath>
#include <unistd.h>

namespace pelmix::cli {

namespace {

[[noreturn]] void bad(const QString &option, const QString &text, const QString &expected)
{
    throw UsageError{QStringLiteral("--%1 '%2': %3").arg(option, text, expected)};
}

std::optional<double> plainNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

QString helpText(const QCommandLineParser &parser, const QString &usage)
{
    // Qt's first line names the program only; ours names the command as well.
    const QString text = parser.helpText();
    return QStringLiteral("Usage: %1 %2\n").arg(QLatin1String(ProgramName), usage) +
           text.mid(text.indexOf(u'\n') + 1);
}

int reportUsage(const QString &message, const QString &command)
{
    console::error(message);
    const QString help =
        command.isEmpty() ? QStringLiteral("--help") : command + QStringLiteral(" --help");
    console::note(QStringLiteral("Try '%1 %2'.\n").arg(QLatin1String(ProgramName), help).toUtf8());
    return ExitStatus::Usage;
}

std::optional<int> parseCommandLine(QCommandLineParser &parser, const QStringList &arguments,
                                    const QString &command, const QString &usage)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(arguments))
        return reportUsage(parser.errorText(), command);
    if (parser.isSet(help)) {
        writeAll(STDOUT_FILENO, helpText(parser, usage).toUtf8());
        return ExitStatus::Ok;
    }
    return std::nullopt;
}

int integerIn(const QString &option, const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < lowest || value > highest)
        bad(option, text, QStringLiteral("a whole number from %1 to %2").arg(lowest).arg(highest));
    return value;
}

double numberIn(const QString &option, const QString &text, double lowest, double highest)
{
    const std::optional<double> value = plainNumber(text);
    if (!value || *value < lowest || *value > highest)
        bad(option, text, QStringLiteral("a number from %1 to %2").arg(lowest).arg(highest));
    return *value;
}

double numberOf(const QString &option, const QString &text)
{
    const std::optional<double> value = plainNumber(text);
    if (!value)
        bad(option, text, QStringLiteral("a number"));
    return *value;
}

int choiceOf(const QString &option, const QString &text, const QStringList &choices)
{
    const qsizetype index = choices.indexOf(text.trimmed());
    if (index < 0)
        bad(option, text, QStringLiteral("one of %1").arg(choices.join(QStringLiteral(", "))));
    return int(index);
}

std::chrono::milliseconds durationOf(const QString &option, const QString &text)
{
    constexpr double TenYears = 10 * 365.25 * 86400;
    QString number = text.trimmed();
    double unit = 1;
    if (number.endsWith(u's')) {
        number.chop(1);
    } else if (number.endsWith(u'm')) {
        number.chop(1);
        unit = 60;
    } else if (number.endsWith(u'h')) {
        number.chop(1);
        unit = 3600;
    } else if (number.endsWith(u'd')) {
        number.chop(1);
        unit = 86400;
    }
    const std::optional<double> value = plainNumber(number);
    if (!value || !(*value > 0) || *value * unit > TenYears)
        bad(option, text, QStringLiteral("a time such as 90s, 10m, 2h or 1d, up to ten years"));
    return std::chrono::milliseconds(qint64(std::ceil(*value * unit * 1000)));
}

} // namespace pelmix::cli
