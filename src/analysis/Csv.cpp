#include "Csv.h"

#include "ReadingStore.h"

#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace pelmix::analysis {

namespace {

constexpr qint64 MsPerDay = 86400000;

const char *const Columns[] = {"time_utc",  "elapsed_s",      "mode",    "value",  "unit",
                               "secondary", "secondary_unit", "setting", "status", "input",
                               "level",     "edge",           "filter"};
enum Column {
    TimeUtc,
    ElapsedS,
    ModeColumn,
    Value,
    Unit,
    Secondary,
    SecondaryUnit,
    Setting,
    StatusColumn,
    Input,
    Level,
    Edge,
    Filter,
    ColumnCount
};
// Unit and secondary follow from mode and value: a reader needs none of them.
constexpr Column Required[] = {TimeUtc,      ElapsedS, ModeColumn, Value, Setting,
                               StatusColumn, Input,    Level,      Edge,  Filter};

QByteArray latin1(QLatin1String text)
{
    return QByteArray(text.data(), text.size());
}

QString shown(QByteArrayView field)
{
    constexpr qsizetype Longest = 40;
    QString text = QString::fromUtf8(field.first(std::min(field.size(), Longest)));
    if (field.size() > Longest)
        text += QStringLiteral("...");
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

std::optional<double> parseNumber(QByteArrayView text)
{
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
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

// Spreadsheets may start a UTF-8 file with one.
void skipByteOrderMark(QByteArray &firstLine)
{
    if (firstLine.startsWith("\xEF\xBB\xBF"))
        firstLine.remove(0, 3);
}

// Splits lines into RFC 4180 records; a quoted field may run over several lines.
class RecordReader
{
public:
    explicit RecordReader(QIODevice *device)
        : m_device(device)
    {
    }

    // The next record's fields; nothing at the end or on an error.
    std::optional<std::vector<QByteArray>> next()
    {
        QByteArray line;
        do {
            if (m_device->atEnd())
                return std::nullopt;
            line = m_device->readLine();
            ++m_line;
            if (m_line == 1)
                skipByteOrderMark(line);
        } while (chopLineEnd(line).trimmed().isEmpty());
        m_recordLine = m_line;

        std::vector<QByteArray> fields(1);
        bool quoted = false;
        bool closed = false; // after a quoted field's closing quote
        qsizetype i = 0;
        for (;;) {
            if (i == line.size()) {
                if (!quoted)
                    break;
                if (m_device->atEnd()) {
                    m_error = QStringLiteral("a quoted field is not closed");
                    return std::nullopt;
                }
                line = m_device->readLine();
                ++m_line;
                i = 0;
                continue;
            }
            const char c = line.at(i++);
            if (quoted) {
                if (c != '"') {
                    fields.back() += c;
                } else if (i < line.size() && line.at(i) == '"') {
                    fields.back() += '"';
                    ++i;
                } else {
                    quoted = false;
                    closed = true;
                }
            } else if (c == ',') {
                fields.emplace_back();
                closed = false;
            } else if (c == '\r' || c == '\n') {
                if (c == '\n' || line.sliced(i) == "\n" || i == line.size())
                    break;
                m_error = QStringLiteral("a carriage return inside an unquoted field");
                return std::nullopt;
            } else if (closed) {
                m_error = QStringLiteral("text after a closing quote");
                return std::nullopt;
            } else if (c == '"') {
                if (!fields.back().isEmpty()) {
                    m_error = QStringLiteral("a quote inside an unquoted field");
                    return std::nullopt;
                }
                quoted = true;
            } else {
                fields.back() += c;
            }
        }
        return fields;
    }

    qint64 recordLine() const { return m_recordLine; }
    qint64 line() const { return m_line; }
    const QString &error() const { return m_error; }

private:
    static QByteArrayView chopLineEnd(const QByteArray &line)
    {
        QByteArrayView view(line);
        while (view.endsWith('\n') || view.endsWith('\r'))
            view.chop(1);
        return view;
    }

    QIODevice *m_device;
    qint64 m_line = 0;
    qint64 m_recordLine = 0;
    QString m_error;
};

ReadError errorAt(qint64 line, const QString &what)
{
    return {line, QStringLiteral("line %1: %2").arg(line).arg(what)};
}

// A data record of the file into a row, or why not.
std::optional<QString> parseRow(const std::vector<QByteArray> &fields,
                                const qsizetype (&at)[ColumnCount], CsvRow &row)
{
    auto field = [&](Column column) { return QByteArrayView(fields[std::size_t(at[column])]); };
    auto bad = [&](Column column, const char *what) {
        return QStringLiteral("%1 %2 is not %3")
            .arg(QLatin1String(Columns[column]), shown(field(column)), QLatin1String(what));
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
        return bad(StatusColumn, "ok, timeout, unreadable or overflow");
    std::optional<double> value = std::numeric_limits<double>::quiet_NaN();
    if (*status == Status::Ok && !(value = parseNumber(field(Value))))
        return bad(Value, "a number");
    const auto position = parseInteger(field(Setting), 0, 4);
    if (!position)
        return bad(Setting, "a whole number from 0 to 4");
    const auto analog = parseChoice(field(Input), "digital", "analog");
    if (!analog)
        return bad(Input, "digital or analog");
    const auto level = parseInteger(field(Level), 0, 7);
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

} // namespace

QByteArray csvHeader()
{
    QByteArray header;
    for (const char *column : Columns) {
        if (!header.isEmpty())
            header += ',';
        header += column;
    }
    return header + "\r\n";
}

QByteArray csvLine(const Setup &setup, const Reading &reading)
{
    const double value = reading.isGap() ? std::numeric_limits<double>::quiet_NaN() : reading.value;
    QByteArray line;
    line.reserve(128);
    line += formatUtc(reading.utcMs);
    line += ',';
    line += formatNumber(reading.elapsed);
    line += ',';
    line += latin1(modeInfo(setup.mode).name);
    line += ',';
    line += formatNumber(value);
    line += ',';
    line += latin1(modeInfo(setup.mode).unit);
    line += ',';
    line += formatNumber(secondary(setup.mode, value));
    line += ',';
    line += latin1(modeInfo(setup.mode).secondaryUnit);
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

QByteArray formatNumber(double value)
{
    if (std::isnan(value))
        return QByteArray();
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    Q_ASSERT(error == std::errc());
    return QByteArray(buffer, end - buffer);
}

QByteArray formatUtc(qint64 utcMs)
{
    using namespace std::chrono;
    const qint64 day = utcMs >= 0 ? utcMs / MsPerDay : -((-utcMs - 1) / MsPerDay) - 1;
    qint64 ms = utcMs - day * MsPerDay;
    const year_month_day date{sys_days{days{day}}};
    char buffer[40];
    const int length =
        std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                      int(date.year()), unsigned(date.month()), unsigned(date.day()),
                      int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60), int(ms % 1000));
    return QByteArray(buffer, length);
}

std::optional<qint64> parseUtc(QByteArrayView text)
{
    using namespace std::chrono;
    // YYYY-MM-DDTHH:MM:SS, a fraction, Z
    auto digits = [&text](qsizetype from, qsizetype count) -> std::optional<int> {
        if (from + count > text.size())
            return std::nullopt;
        int value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2);
    const auto h = digits(11, 2), mi = digits(14, 2), s = digits(17, 2);
    if (!y || !mo || !d || !h || !mi || !s || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != 't') || text[13] != ':' || text[16] != ':' || *h > 23 ||
        *mi > 59 || *s > 59)
        return std::nullopt;
    const year_month_day date{year(*y), month(unsigned(*mo)), day(unsigned(*d))};
    if (!date.ok())
        return std::nullopt;

    qsizetype i = 19;
    int ms = 0;
    if (i < text.size() && text[i] == '.') {
        const qsizetype first = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        if (i == first || i - first > 9)
            return std::nullopt;
        for (qsizetype k = first; k < first + 3; ++k)
            ms = ms * 10 + (k < i ? text[k] - '0' : 0);
    }
    if (i + 1 != text.size() || (text[i] != 'Z' && text[i] != 'z'))
        return std::nullopt;
    const qint64 day = sys_days(date).time_since_epoch().count();
    return day * MsPerDay + (*h * 3600 + *mi * 60 + *s) * qint64(1000) + ms;
}

CsvWriter::CsvWriter(QIODevice *device)
    : m_device(device)
    , m_headerWritten(!device->isSequential() && device->size() > 0)
{
}

bool CsvWriter::put(const QByteArray &bytes)
{
    if (!m_headerWritten) {
        if (m_device->write(csvHeader()) < 0) {
            m_error = m_device->errorString();
            return false;
        }
        m_headerWritten = true;
    }
    if (m_device->write(bytes) != bytes.size()) {
        m_error = m_device->errorString();
        return false;
    }
    return true;
}

bool CsvWriter::write(const Setup &setup, const Reading &reading)
{
    return put(csvLine(setup, reading));
}

bool CsvWriter::write(const Series &series)
{
    // Lines go out in blocks: one device write a line costs more than the formatting.
    QByteArray block;
    for (qsizetype i = 0; i < series.size(); ++i) {
        block += csvLine(series.setup(), series.at(i));
        if (block.size() > 65536 || i + 1 == series.size()) {
            if (!put(block))
                return false;
            block.clear();
        }
    }
    return true;
}

bool CsvWriter::write(const ReadingStore &store)
{
    for (qsizetype i = 0; i < store.seriesCount(); ++i) {
        if (!write(store.series(i)))
            return false;
    }
    return true;
}

std::optional<ReadError> readCsv(QIODevice *device,
                                 const std::function<void(const CsvRow &)> &onRow)
{
    RecordReader reader(device);
    const auto header = reader.next();
    if (!header) {
        return errorAt(std::max<qint64>(1, reader.line()), reader.error().isEmpty()
                                                               ? QStringLiteral("no header line")
                                                               : reader.error());
    }
    qsizetype at[ColumnCount];
    std::fill(std::begin(at), std::end(at), -1);
    for (std::size_t i = 0; i < header->size(); ++i) {
        for (int column = 0; column < ColumnCount; ++column) {
            if (QByteArrayView((*header)[i]).trimmed() == Columns[column])
                at[column] = qsizetype(i);
        }
    }
    for (const Column column : Required) {
        if (at[column] < 0) {
            return errorAt(
                reader.recordLine(),
                QStringLiteral("the header has no column %1").arg(QLatin1String(Columns[column])));
        }
    }

    CsvRow row;
    while (const auto fields = reader.next()) {
        if (fields->size() != header->size()) {
            return errorAt(reader.recordLine(), QStringLiteral("%1 fields where the header has %2")
                                                    .arg(fields->size())
                                                    .arg(header->size()));
        }
        if (const auto error = parseRow(*fields, at, row))
            return errorAt(reader.recordLine(), *error);
        onRow(row);
    }
    if (!reader.error().isEmpty())
        return errorAt(reader.recordLine(), reader.error());
    return std::nullopt;
}

std::optional<ReadError> readCsv(QIODevice *device, std::vector<CsvRow> &rows)
{
    return readCsv(device, [&rows](const CsvRow &row) { rows.push_back(row); });
}

std::optional<ReadError> readNumbers(QIODevice *device, std::vector<double> &values)
{
    for (qint64 line = 1; !device->atEnd(); ++line) {
        QByteArray text = device->readLine();
        if (line == 1)
            skipByteOrderMark(text);
        const QByteArrayView content = QByteArrayView(text).trimmed();
        if (content.isEmpty() || content.startsWith('#'))
            continue;
        const auto value = parseNumber(content);
        if (!value)
            return errorAt(line, QStringLiteral("%1 is not a number").arg(shown(content)));
        values.push_back(*value);
    }
    return std::nullopt;
}

} // namespace pelmix::analysis
