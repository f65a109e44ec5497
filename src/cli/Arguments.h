#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class QCommandLineParser;

namespace pelmix::cli {

// A command line that cannot be used; the message says why.
struct UsageError
{
    QString message;
};

// Parses one command's arguments (the first is the program's name). Returns an exit status
// when the program ends here: after --help, or on an error, which it reports.
std::optional<int> parseCommandLine(QCommandLineParser &parser, const QStringList &arguments,
                                    const QString &command, const QString &usage);
// The parser's help with our own usage line, which names the command.
QString helpText(const QCommandLineParser &parser, const QString &usage);
// Reports a usage error and how to get help; returns ExitStatus::Usage.
int reportUsage(const QString &message, const QString &command = {});

// Option values. Each throws UsageError naming the option when the text does not fit.
int integerIn(const QString &option, const QString &text, int lowest, int highest);
double numberIn(const QString &option, const QString &text, double lowest, double highest);
// Any finite number.
double numberOf(const QString &option, const QString &text);
// One of `choices`, exactly as written there; its index.
int choiceOf(const QString &option, const QString &text, const QStringList &choices);
// "90s", "10m", "2h", "1d", or plain seconds; more than 0, at most ten years.
std::chrono::milliseconds durationOf(const QString &option, const QString &text);

} // namespace pelmix::cli
