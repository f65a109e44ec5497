#include "MeasureOptions.h"

#include "Arguments.h"

#include <QCommandLineParser>

namespace pelmix::cli {

namespace {

using pelmix::Mode;

// The longest pause the cycle takes, a day.
constexpr double LongestPause = 86400;

QCommandLineOption option(const char *name, const char *description, const char *value,
                          const char *fallback)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                              QString::fromLatin1(value), QString::fromLatin1(fallback));
}

constexpr Mode ModeValues[] = {Mode::Frequency, Mode::Period, Mode::Interval, Mode::Count,
                               Mode::Calibration};

QStringList modeNames()
{
    QStringList names;
    for (const Mode mode : ModeValues)
        names << QString(modeInfo(mode).name);
    return names;
}
const QStringList Formats = {QStringLiteral("csv"), QStringLiteral("jsonl"),
                             QStringLiteral("text")};
constexpr Format FormatValues[] = {Format::Csv, Format::Jsonl, Format::Text};

} // namespace

MeasureOptions::MeasureOptions()
    : m_mode(option("mode",
                    "What to measure: frequency, period, interval, count or calibration "
                    "(default frequency).",
                    "MODE", "frequency"))
    , m_input(
          option("input", "The input: digital or analog (default digital).", "INPUT", "digital"))
    , m_level(option("level", "The trigger level position, 0 to 7 (default 0).", "N", "0"))
    , m_edge(option("edge", "The edge that triggers: rising or falling (default rising).", "EDGE",
                    "rising"))
    , m_filter(option("filter", "The input's low-pass filter: on or off (default off).", "ON|OFF",
                      "off"))
    , m_position(option("position",
                        "The measuring time 10^N ms (frequency, calibration) or the multiplier "
                        "10^N (period), N from 0 to 4 (default 0).",
                        "N", "0"))
    , m_count(option("count",
                     "Measure N times; 0 measures until interrupted or the duration is over "
                     "(default 1, or no limit with --duration).",
                     "N", "1"))
    , m_duration(option("duration",
                        "Measure for this long, such as 90s, 10m, 2h or 1d: measurements begin "
                        "until it is over.",
                        "TIME", ""))
    , m_pause(option("pause",
                     "Seconds the cycle pauses before each measurement, as the window's cycle "
                     "does (default 0). A single measurement does not pause.",
                     "SECONDS", "0"))
    , m_format(option("format", "How each reading is written: csv, jsonl or text (default csv).",
                      "FORMAT", "csv"))
    , m_output(option("output",
                      "Append the readings to FILE, each line flushed and synced as it is "
                      "written (default: standard output).",
                      "FILE", ""))
    , m_stats(QStringLiteral("stats"),
              QStringLiteral("At the end, print the statistics and the Allan deviations of the "
                             "readings; on standard error when the readings go to standard "
                             "output as csv or jsonl."))
{
}

void MeasureOptions::addTo(QCommandLineParser &parser) const
{
    m_counter.addTo(parser);
    parser.addOptions({m_mode, m_input, m_level, m_edge, m_filter, m_position, m_count, m_duration,
                       m_pause, m_format, m_output, m_stats});
    m_metrics.addTo(parser);
}

MeasureSettings MeasureOptions::read(const QCommandLineParser &parser) const
{
    if (!parser.positionalArguments().isEmpty()) {
        throw UsageError{
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().front())};
    }
    MeasureSettings settings;
    settings.counter = m_counter.read(parser);

    Setup &setup = settings.setup;
    setup.mode = ModeValues[choiceOf(QStringLiteral("mode"), parser.value(m_mode), modeNames())];
    setup.analog = choiceOf(QStringLiteral("input"), parser.value(m_input),
                            {QStringLiteral("digital"), QStringLiteral("analog")}) == 1;
    setup.level = integerIn(QStringLiteral("level"), parser.value(m_level), 0, MaxLevel);
    setup.fallingEdge = choiceOf(QStringLiteral("edge"), parser.value(m_edge),
                                 {QStringLiteral("rising"), QStringLiteral("falling")}) == 1;
    setup.filter = choiceOf(QStringLiteral("filter"), parser.value(m_filter),
                            {QStringLiteral("off"), QStringLiteral("on")}) == 1;
    setup.position =
        integerIn(QStringLiteral("position"), parser.value(m_position), 0, MaxPosition);

    MeasureRun::Plan &plan = settings.plan;
    if (parser.isSet(m_duration))
        plan.duration = durationOf(QStringLiteral("duration"), parser.value(m_duration));
    if (parser.isSet(m_count)) {
        bool ok = false;
        plan.count = parser.value(m_count).trimmed().toLongLong(&ok);
        if (!ok || plan.count < 0) {
            throw UsageError{QStringLiteral("--count '%1': a whole number from 0 (no limit)")
                                 .arg(parser.value(m_count))};
        }
    } else {
        plan.count = plan.duration ? 0 : 1;
    }
    plan.pause = float(numberIn(QStringLiteral("pause"), parser.value(m_pause), 0, LongestPause));
    plan.format = FormatValues[choiceOf(QStringLiteral("format"), parser.value(m_format), Formats)];
    plan.stats = parser.isSet(m_stats);
    settings.output = parser.value(m_output);
    if (parser.isSet(m_output) && settings.output.isEmpty())
        throw UsageError{QStringLiteral("--output: no file named")};
    settings.metrics = m_metrics.read(parser);
    plan.summaryToStandardError = settings.output.isEmpty() && plan.format != Format::Text;
    return settings;
}

} // namespace pelmix::cli
