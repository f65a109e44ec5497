#include "ReadingFormat.h"

#include "ReadingText.h"
#include "SiText.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>

namespace pelmix::readings {

namespace {

using namespace Qt::StringLiterals;

constexpr QByteArrayView Columns[] = {"time_utc",  "elapsed_s",      "mode",    "value",  "unit",
                                      "secondary", "secondary_unit", "setting", "status", "input",
                                      "level",     "edge",           "filter"};
static_assert(std::size(Columns) == ColumnCount);

QString tr(const char *text)
{
    return QCoreApplication::translate("pelmix::readings::ReadingFormat", text);
}

QByteArray latin1(QLatin1StringView text)
{
    return QByteArray(text.data(), text.size());
}

// The value of a reading that has one: an unconfirmed reading keeps it.
double valueOf(const analysis::Reading &reading)
{
    return reading.hasValue() ? reading.value : std::numeric_limits<double>::quiet_NaN();
}

std::optional<int> parseInteger(QByteArrayView text, int lowest, int highest)
{
    text = text.trimmed();
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size() ||
        value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// One of two words; true for the second.
std::optional<bool> parseChoice(QByteArrayView text, const char *first, const char *second)
{
    text = text.trimmed();
    if (text == first)
        return false;
    if (text == second)
        return true;
    return std::nullopt;
}

QByteArray jsonLine(const Setup &setup, const analysis::Reading &reading)
{
    const ModeInfo &mode = modeInfo(setup.mode);
    const double value = valueOf(reading);
    auto number = [](double x) { return std::isfinite(x) ? QJsonValue(x) : QJsonValue(); };
    const QJsonObject object{{u"time_utc"_s, QString::fromLatin1(formatUtc(reading.utcMs))},
                             {u"elapsed_s"_s, number(reading.elapsed)},
                             {u"mode"_s, QString(mode.name)},
                             {u"value"_s, number(value)},
                             {u"unit"_s, QString(mode.unit)},
                             {u"secondary"_s, number(analysis::secondary(setup.mode, value))},
                             {u"secondary_unit"_s, QString(mode.secondaryUnit)},
                             {u"setting"_s, setup.position},
                             {u"status"_s, QString(statusName(reading.status))},
                             {u"input"_s, setup.analog ? u"analog"_s : u"digital"_s},
                             {u"level"_s, setup.level},
                             {u"edge"_s, setup.fallingEdge ? u"falling"_s : u"rising"_s},
                             {u"filter"_s, setup.filter ? u"on"_s : u"off"_s}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray textLine(const Setup &setup, const analysis::Reading &reading)
{
    const QByteArray time = formatUtc(reading.utcMs);
    if (!reading.hasValue())
        return time + "  no value: " + latin1(statusName(reading.status)) + '\n';
    QByteArray line =
        time + "  " + withSiPrefix(reading.value, QString(modeInfo(setup.mode).unit)).toUtf8();
    if (reading.isGap())
        line += "  " + latin1(statusName(reading.status));
    return line + '\n';
}

} // namespace

QString formatName(Format format)
{
    switch (format) {
    case Format::Csv:
        return tr("CSV");
    case Format::Jsonl:
        return tr("JSON lines");
    case Format::Text:
        break;
    }
    return tr("text");
}

QByteArrayView columnName(Column column)
{
    return Columns[column];
}

bool isRequired(Column column)
{
    return column != Unit && column != Secondary && column != SecondaryUnit;
}

QByteArray csvHeader()
{
    QByteArray header;
    for (const QByteArrayView column : Columns) {
        if (!header.isEmpty())
            header += ',';
        header += column;
    }
    return header + "\r\n";
}

QByteArray csvLine(const Setup &setup, const analysis::Reading &reading)
{
    const ModeInfo &mode = modeInfo(setup.mode);
    const double value = valueOf(reading);
    QByteArray line;
    line.reserve(128);
    line += formatUtc(reading.utcMs);
    line += ',';
    line += formatNumber(reading.elapsed);
    line += ',';
    line += latin1(mode.name);
    line += ',';
    line += formatNumber(value);
    line += ',';
    line += latin1(mode.unit);
    line += ',';
    line += formatNumber(analysis::secondary(setup.mode, value));
    line += ',';
    line += latin1(mode.secondaryUnit);
    line += ',';
    line += QByteArray::number(setup.position);
    line += ',';
    line += latin1(statusName(reading.status));
    line += setup.analog ? ",analog," : ",digital,";
    line += QByteArray::number(setup.level);
    line += setup.fallingEdge ? ",falling," : ",rising,";
    line += setup.filter ? "on" : "off";
    line += "\r\n";
    return line;
}

QByteArray formatHeader(Format format)
{
    return format == Format::Csv ? csvHeader() : QByteArray();
}

QByteArray formatReading(Format format, const Setup &setup, const analysis::Reading &reading)
{
    switch (format) {
    case Format::Csv:
        return csvLine(setup, reading);
    case Format::Jsonl:
        return jsonLine(setup, reading);
    case Format::Text:
        break;
    }
    return textLine(setup, reading);
}

QString shown(QByteArrayView field)
{
    constexpr qsizetype Longest = 40;
    QString text = QString::fromUtf8(field.first(std::min(field.size(), Longest)));
    if (field.size() > Longest)
        text += u"..."_s;
    return u'\'' + text + u'\'';
}

std::optional<RowError> parseRow(const std::function<QByteArrayView(Column)> &field, Row &row)
{
    auto bad = [&](Column column, const char *what) {
        return RowError{
            column, tr("%1 %2 is not %3")
                        .arg(QString::fromLatin1(Columns[column]), shown(field(column)), tr(what))};
    };

    const auto utc = parseUtc(field(TimeUtc).trimmed());
    if (!utc)
        return bad(TimeUtc, "an ISO 8601 UTC time such as 2024-05-01T12:34:56.789Z");
    const auto elapsed = parseNumber(field(ElapsedS));
    if (!elapsed)
        return bad(ElapsedS, "a number");
    const auto mode = modeFromName(field(ModeColumn).trimmed());
    if (!mode)
        return bad(ModeColumn, "calibration, frequency, period, interval or count");
    const auto status = statusFromName(field(StatusColumn).trimmed());
    if (!status)
        return bad(StatusColumn, "ok, timeout, unreadable, overflow, unconfirmed, lost or stopped");
    // A value is needed where the status says there is one; a gap's field may be empty.
    std::optional<double> value = std::numeric_limits<double>::quiet_NaN();
    if ((*status == Status::Ok || !field(Value).trimmed().isEmpty()) &&
        !(value = parseNumber(field(Value))))
        return bad(Value, "a number");
    const auto position = parseInteger(field(Setting), 0, MaxPosition);
    if (!position)
        return bad(Setting, "a whole number from 0 to 4");
    const auto analog = parseChoice(field(Input), "digital", "analog");
    if (!analog)
        return bad(Input, "digital or analog");
    const auto level = parseInteger(field(Level), 0, MaxLevel);
    if (!level)
        return bad(Level, "a whole number from 0 to 7");
    const auto falling = parseChoice(field(Edge), "rising", "falling");
    if (!falling)
        return bad(Edge, "rising or falling");
    const auto filter = parseChoice(field(Filter), "off", "on");
    if (!filter)
        return bad(Filter, "on or off");

    row.setup = {*mode, *position, *analog, *level, *falling, *filter};
    row.reading = {*utc, *elapsed, *value, *status};
    return std::nullopt;
}

std::optional<QString> parseJsonLine(QByteArrayView line, Row &row)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (!document.isObject())
        return error.error != QJsonParseError::NoError ? error.errorString()
                                                       : tr("not a JSON object");
    const QJsonObject object = document.object();
    QByteArray texts[ColumnCount];
    for (int column = 0; column < ColumnCount; ++column) {
        const QJsonValue value = object.value(QLatin1StringView(Columns[column]));
        if (value.isUndefined() && isRequired(Column(column)))
            return tr("no member %1").arg(QString::fromLatin1(Columns[column]));
        texts[column] =
            value.isDouble() ? formatNumber(value.toDouble()) : value.toString().toUtf8();
    }
    if (const auto wrong =
            parseRow([&texts](Column column) { return QByteArrayView(texts[column]); }, row))
        return wrong->message;
    return std::nullopt;
}

std::optional<QString> differenceFrom(Format format, QByteArrayView firstLine)
{
    if (firstLine.startsWith("\xEF\xBB\xBF"))
        firstLine = firstLine.sliced(3);
    const QByteArray header = csvHeader().chopped(2);
    Row row;
    Format found = Format::Text;
    if (firstLine == header)
        found = Format::Csv;
    else if (!parseJsonLine(firstLine, row))
        found = Format::Jsonl;
    else if (!(firstLine.size() > 26 && parseUtc(firstLine.first(24)) &&
               firstLine.sliced(24).startsWith("  ")))
        return format == Format::Csv ? tr("its first line is %1, not the header '%2'")
                                           .arg(shown(firstLine), QString::fromLatin1(header))
                                     : tr("its first line %1 is not a reading in %2")
                                           .arg(shown(firstLine), formatName(format));
    if (found == format)
        return std::nullopt;
    return tr("it holds %1, not %2").arg(formatName(found), formatName(format));
}

} // namespace pelmix::readings
