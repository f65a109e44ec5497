#include "ReadingFormat.h"

#include "Json.h"
#include "SiText.h"

#include "analysis/Csv.h"

namespace pelmix::cli {

namespace {

QString text(QLatin1String latin1)
{
    return QString(latin1);
}

QByteArray jsonLine(const pelmix::Setup &setup, const analysis::Reading &reading)
{
    const double value = reading.isGap() ? std::numeric_limits<double>::quiet_NaN() : reading.value;
    const QString unit = text(pelmix::modeInfo(setup.mode).unit);
    const QString secondaryUnit = text(pelmix::modeInfo(setup.mode).secondaryUnit);
    JsonObject object;
    object.string("time_utc", QString::fromLatin1(analysis::formatUtc(reading.utcMs)))
        .number("elapsed_s", reading.elapsed)
        .string("mode", text(pelmix::modeInfo(setup.mode).name))
        .number("value", value)
        .string("unit", unit)
        .number("secondary", analysis::secondary(setup.mode, value))
        .string("secondary_unit", secondaryUnit)
        .integer("setting", setup.position)
        .string("status", text(pelmix::statusName(reading.status)))
        .string("input", setup.analog ? QStringLiteral("analog") : QStringLiteral("digital"))
        .integer("level", setup.level)
        .string("edge", setup.fallingEdge ? QStringLiteral("falling") : QStringLiteral("rising"))
        .string("filter", setup.filter ? QStringLiteral("on") : QStringLiteral("off"));
    return object.toJson() + '\n';
}

QByteArray textLine(const pelmix::Setup &setup, const analysis::Reading &reading)
{
    const QByteArray time = analysis::formatUtc(reading.utcMs);
    if (reading.isGap()) {
        const QLatin1String status = pelmix::statusName(reading.status);
        return time + "  no value: " + QByteArray(status.data(), status.size()) + '\n';
    }
    return time + "  " +
           withSiPrefix(reading.value, text(pelmix::modeInfo(setup.mode).unit)).toUtf8() + '\n';
}

} // namespace

QByteArray formatHeader(Format format)
{
    return format == Format::Csv ? analysis::csvHeader() : QByteArray();
}

QByteArray formatReading(Format format, const pelmix::Setup &setup,
                         const analysis::Reading &reading)
{
    switch (format) {
    case Format::Csv:
        return analysis::csvLine(setup, reading);
    case Format::Jsonl:
        return jsonLine(setup, reading);
    case Format::Text:
        break;
    }
    return textLine(setup, reading);
}

} // namespace pelmix::cli
