#include "AnalyzeCommand.h"

#include "Arguments.h"
#include "AveragingFactors.h"
#include "Console.h"
#include "ExitStatus.h"
#include "Summary.h"

#include "analysis/Allan.h"
#include "readings/ValueFiles.h"

#include <QCommandLineParser>

#include <unistd.h>

namespace pelmix::cli {

namespace {

const QString Command = QStringLiteral("analyze");

const char *const Description =
    "Prints the statistics of recorded values and their overlapping and modified Allan\n"
    "deviations. Each FILE is a reading file that Pelmix wrote (CSV or JSON lines), or\n"
    "plain numbers, one a line (blank lines and lines starting with '#' are skipped); '-'\n"
    "reads standard input. The values of all files form one series, in the order given;\n"
    "readings without a value are counted and left out. Files of different kinds (plain\n"
    "numbers and readings, or readings of different setups) are refused.\n"
    "\n"
    "The deviations are in the unit of the values, and as fractions of the nominal value\n"
    "(or of the absolute mean). The spacing tau0 of reading files is the median spacing\n"
    "of their times, within each run that wrote them; plain numbers are tau0 apart.";

struct AnalyzeOptions
{
    FactorChoice factors;
    std::optional<double> tau0;
    std::optional<double> nominal;
    bool json = false;
    QStringList files;
};

// The median spacing of readings whose clock starts again at each run that appended to a
// file: a step back in time is where a run begins, not a spacing.
double spacingWithinRuns(const std::vector<double> &elapsed)
{
    std::vector<double> joined{0};
    for (std::size_t i = 1; i < elapsed.size(); ++i) {
        const double step = elapsed[i] - elapsed[i - 1];
        if (step > 0)
            joined.push_back(joined.back() + step);
    }
    return analysis::medianSpacing(joined);
}

} // namespace

int runAnalyze(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const QCommandLineOption taus(
        QStringLiteral("taus"),
        QStringLiteral("Averaging factors m: octave (1, 2, 4, ...), decade (1, 2, 5, 10, ...), "
                       "both up to a quarter of the values, or a list such as 1,10,100 "
                       "(default octave)."),
        QStringLiteral("octave|decade|LIST"), QStringLiteral("octave"));
    const QCommandLineOption tau0(
        QStringLiteral("tau0"),
        QStringLiteral("Seconds between values (default: 1 for plain numbers, the median "
                       "spacing of the times for reading files)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption nominal(
        QStringLiteral("nominal"),
        QStringLiteral("Divide the fractional deviations by this value instead of the mean."),
        QStringLiteral("VALUE"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print one JSON object instead of a table."));
    parser.addOptions({taus, tau0, nominal, json});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to analyse."),
                                 QStringLiteral("FILE..."));
    if (const auto exit = parseCommandLine(parser, arguments, Command,
                                           QStringLiteral("analyze [options] FILE...")))
        return *exit;

    AnalyzeOptions options;
    try {
        options.files = parser.positionalArguments();
        if (options.files.isEmpty())
            throw UsageError{QStringLiteral("no file to analyse")};
        options.factors = factorChoiceOf(QStringLiteral("taus"), parser.value(taus));
        if (parser.isSet(tau0)) {
            options.tau0 = numberOf(QStringLiteral("tau0"), parser.value(tau0));
            if (!(*options.tau0 > 0))
                throw UsageError{QStringLiteral("--tau0 must be more than 0")};
        }
        if (parser.isSet(nominal)) {
            options.nominal = numberOf(QStringLiteral("nominal"), parser.value(nominal));
            if (*options.nominal == 0)
                throw UsageError{QStringLiteral("--nominal must not be 0")};
        }
        options.json = parser.isSet(json);
    } catch (const UsageError &error) {
        return reportUsage(error.message, Command);
    }

    readings::LoadedValues loaded;
    for (const QString &file : std::as_const(options.files)) {
        if (const auto error = loadValues(file, loaded)) {
            console::error(*error);
            return ExitStatus::Incomplete;
        }
    }
    for (const QString &warning : std::as_const(loaded.warnings))
        console::error(warning);
    if (loaded.values.empty()) {
        console::error(QStringLiteral("no values to analyse in %1").arg(options.files.join(u' ')));
        return ExitStatus::Incomplete;
    }

    double spacing = 1;
    if (options.tau0)
        spacing = *options.tau0;
    else if (!loaded.plainNumbers)
        spacing = spacingWithinRuns(loaded.elapsed);
    const QString unit = loaded.plainNumbers || !loaded.setup
                             ? QString()
                             : QString(pelmix::modeInfo(loaded.setup->mode).unit);
    const std::vector<qint64> factors = factorsFor(options.factors, qint64(loaded.values.size()));
    const Summary summary =
        summarize(loaded.values, loaded.gaps, spacing, factors, options.nominal, unit);
    const QByteArray text = options.json ? summaryJson(summary) : summaryText(summary);
    if (!writeAll(STDOUT_FILENO, text))
        return ExitStatus::Incomplete;
    return ExitStatus::Ok;
}

} // namespace pelmix::cli
