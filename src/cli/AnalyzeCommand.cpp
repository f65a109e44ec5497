#include "AnalyzeCommand.h"

#include "Arguments.h"
#include "AveragingFactors.h"
#include "Console.h"
#include "ExitStatus.h"
#include "Summary.h"

#include "analysis/Allan.h"
#include "analysis/Deviations.h"
#include "readings/ValueFiles.h"

#include <QCommandLineParser>

#include <algorithm>

#include <unistd.h>

namespace pelmix::cli {

namespace {

const QString Command = QStringLiteral("analyze");

const char *const Description =
    "Prints the statistics of recorded values and their frequency stability: the deviations\n"
    "of NIST SP 1065 with the noise type and a chi-squared confidence interval at each\n"
    "averaging factor. Each FILE is a reading file that Pelmix wrote (CSV or JSON lines), or\n"
    "plain numbers, one a line (blank lines and lines starting with '#' are skipped); '-'\n"
    "reads standard input. The values of all files form one series, in the order given;\n"
    "readings without a value are counted and left out, their neighbours joined. Files of\n"
    "different kinds (plain numbers and readings, or readings of different setups) are\n"
    "refused.\n"
    "\n"
    "Frequency and period values become fractional frequency y = (f - f0) / f0 against the\n"
    "nominal f0 (--nominal, else their mean); time intervals are phase data in seconds;\n"
    "counts have no stability. The mode column of a reading file decides; --data says what\n"
    "plain numbers are. The spacing tau0 of reading files is the median spacing of their\n"
    "times, within each run that wrote them; plain numbers are tau0 apart.";

const QStringList DataNames = {QStringLiteral("phase"), QStringLiteral("frequency"),
                               QStringLiteral("fractional")};
constexpr analysis::Measured DataKinds[] = {
    analysis::Measured::Phase, analysis::Measured::Frequency, analysis::Measured::Fractional};

struct AnalyzeOptions
{
    FactorChoice factors;
    std::optional<analysis::Measured> data;
    std::vector<analysis::Deviation> deviations{analysis::Deviation::Oadev,
                                                analysis::Deviation::Mdev};
    double confidence = analysis::DefaultConfidence;
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

std::vector<analysis::Deviation> deviationsOf(const QString &text)
{
    std::vector<analysis::Deviation> kinds;
    for (const QString &item : text.split(u',')) {
        const auto kind = analysis::deviationFromName(QLatin1String(item.trimmed().toLatin1()));
        if (!kind) {
            throw UsageError{QStringLiteral("--deviations '%1': a comma list of adev, oadev, "
                                            "mdev, tdev, hdev, ohdev and totdev")
                                 .arg(text)};
        }
        if (std::find(kinds.begin(), kinds.end(), *kind) == kinds.end())
            kinds.push_back(*kind);
    }
    return kinds;
}

// What the loaded values are to the stability analysis; none for counts and calibration.
std::optional<analysis::Measured> measuredOf(const readings::LoadedValues &loaded,
                                             std::optional<analysis::Measured> data)
{
    if (loaded.plainNumbers || !loaded.setup)
        return data.value_or(analysis::Measured::Frequency);
    return analysis::measuredOf(loaded.setup->mode);
}

} // namespace

int runAnalyze(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const QCommandLineOption data(
        QStringLiteral("data"),
        QStringLiteral("What plain numbers are: phase in seconds, frequency in Hz, or "
                       "fractional frequency (default frequency)."),
        QStringLiteral("phase|frequency|fractional"));
    const QCommandLineOption deviations(
        QStringLiteral("deviations"),
        QStringLiteral("A comma list of adev, oadev, mdev, tdev, hdev, ohdev, totdev "
                       "(default oadev,mdev)."),
        QStringLiteral("LIST"), QStringLiteral("oadev,mdev"));
    const QCommandLineOption confidence(
        QStringLiteral("confidence"),
        QStringLiteral("Two-sided confidence of the intervals, 0 to 1 or a percentage "
                       "(default 0.683)."),
        QStringLiteral("P"));
    const QCommandLineOption taus(
        QStringLiteral("taus"),
        QStringLiteral("Averaging factors m: octave (1, 2, 4, ...), decade (1, 2, 5, 10, ...), "
                       "all, each up to a quarter of the values, or a list such as 1,10,100 "
                       "(default octave)."),
        QStringLiteral("octave|decade|all|LIST"), QStringLiteral("octave"));
    const QCommandLineOption tau0(
        QStringLiteral("tau0"),
        QStringLiteral("Seconds between values (default: 1 for plain numbers, the median "
                       "spacing of the times for reading files)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption nominal(
        QStringLiteral("nominal"),
        QStringLiteral("The nominal frequency (Hz; for a period series the nominal period in "
                       "s) that fractional frequency is taken against, instead of the mean."),
        QStringLiteral("F"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print one JSON object instead of a table."));
    parser.addOptions({data, nominal, tau0, deviations, taus, confidence, json});
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
        if (parser.isSet(data))
            options.data =
                DataKinds[choiceOf(QStringLiteral("data"), parser.value(data), DataNames)];
        options.deviations = deviationsOf(parser.value(deviations));
        if (parser.isSet(confidence)) {
            double p = numberIn(QStringLiteral("confidence"), parser.value(confidence), 0, 100);
            if (p >= 1)
                p /= 100;
            if (!(p > 0 && p < 1))
                throw UsageError{QStringLiteral("--confidence must lie between 0 and 1 (or "
                                                "0 and 100 %)")};
            options.confidence = p;
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
    Summary summary =
        summarize(loaded.values, loaded.gaps, spacing, factors, options.nominal, unit);
    if (const auto measured = measuredOf(loaded, options.data)) {
        summary.stability = stabilityReport(*measured, loaded.values, spacing, options.nominal,
                                            options.deviations, factors, options.confidence);
    } else {
        summary.stability =
            noStability(QStringLiteral("%1 readings have no frequency stability")
                            .arg(QString(pelmix::modeInfo(loaded.setup->mode).name)));
    }
    const QByteArray text = options.json ? summaryJson(summary) : summaryText(summary);
    if (!writeAll(STDOUT_FILENO, text))
        return ExitStatus::Incomplete;
    return ExitStatus::Ok;
}

} // namespace pelmix::cli
