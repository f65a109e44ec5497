#include "CsvReader.h"

#include "ReadingText.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>

namespace pelmix::readings {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pelmix::readings::CsvReader", text);
}

// Spreadsheets may start a UTF-8 file with one.
void skipByteOrderMark(QByteArray &firstLine)
{
    if (firstLine.startsWith("\xEF\xBB\xBF"))
        firstLine.remove(0, 3);
}

QByteArrayView withoutLineEnd(const QByteArray &line)
{
    QByteArrayView view(line);
    while (view.endsWith('\n') || view.endsWith('\r'))
        view.chop(1);
    return view;
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
            if (!readLine(line))
                return std::nullopt;
        } while (withoutLineEnd(line).trimmed().isEmpty());
        m_recordLine = m_line;
        m_recordLength = line.size();

        std::vector<QByteArray> fields(1);
        bool quoted = false;
        bool closed = false; // after a quoted field's closing quote
        qsizetype i = 0;
        for (;;) {
            if (i == line.size()) {
                if (!quoted)
                    break;
                if (!readLine(line)) {
                    if (m_error.isEmpty())
                        m_error = tr("a quoted field is not closed");
                    return std::nullopt;
                }
                if ((m_recordLength += line.size()) > MaxLineLength)
                    return fail(tr("a record longer than %1 bytes").arg(MaxLineLength));
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
                return fail(tr("a carriage return inside an unquoted field"));
            } else if (closed) {
                return fail(tr("text after a closing quote"));
            } else if (c == '"') {
                if (!fields.back().isEmpty())
                    return fail(tr("a quote inside an unquoted field"));
                quoted = true;
            } else {
                fields.back() += c;
            }
        }
        m_ended = line.endsWith('\n');
        return fields;
    }

    qint64 recordLine() const { return m_recordLine; }
    qint64 line() const { return m_line; }
    // Whether the last record read ended in a line end: a torn one does not.
    bool recordEnded() const { return m_ended; }
    const QString &error() const { return m_error; }

private:
    bool readLine(QByteArray &line)
    {
        if (m_device->atEnd())
            return false;
        line = m_device->readLine(MaxLineLength + 2);
        ++m_line;
        if (m_line == 1)
            skipByteOrderMark(line);
        if (line.size() > MaxLineLength) {
            m_error = tr("longer than %1 bytes").arg(MaxLineLength);
            return false;
        }
        return true;
    }

    std::nullopt_t fail(const QString &error)
    {
        m_error = error;
        return std::nullopt;
    }

    QIODevice *m_device;
    qint64 m_line = 0;
    qint64 m_recordLine = 0;
    qsizetype m_recordLength = 0;
    bool m_ended = true;
    QString m_error;
};

ReadError errorAt(qint64 line, const QString &what)
{
    return {line, tr("line %1: %2").arg(line).arg(what)};
}

} // namespace

QString ReadReport::warning() const
{
    if (tornLines.empty())
        return QString();
    QStringList lines;
    for (const qint64 line : tornLines)
        lines << QString::number(line);
    return tornLines.size() == 1
               ? tr("skipped a torn row (line %1)").arg(lines.constFirst())
               : tr("skipped %1 torn rows (lines %2)").arg(tornLines.size()).arg(lines.join(u", "));
}

ReadReport readCsv(QIODevice *device, const std::function<void(const Row &)> &onRow)
{
    ReadReport report;
    RecordReader reader(device);
    const auto header = reader.next();
    if (!header) {
        report.error = errorAt(std::max<qint64>(1, reader.line()),
                               reader.error().isEmpty() ? tr("no header line") : reader.error());
        return report;
    }
    qsizetype at[ColumnCount];
    std::fill(std::begin(at), std::end(at), -1);
    for (std::size_t i = 0; i < header->size(); ++i) {
        for (int column = 0; column < ColumnCount; ++column) {
            if (QByteArrayView((*header)[i]).trimmed() == columnName(Column(column)))
                at[column] = qsizetype(i);
        }
    }
    for (int column = 0; column < ColumnCount; ++column) {
        if (at[column] < 0 && isRequired(Column(column))) {
            report.error = errorAt(reader.recordLine(),
                                   tr("the header has no column %1")
                                       .arg(QString::fromLatin1(columnName(Column(column)))));
            return report;
        }
    }

    Row row;
    while (const auto fields = reader.next()) {
        if (fields->size() < header->size()) {
            report.tornLines.push_back(reader.recordLine());
            continue;
        }
        if (fields->size() > header->size()) {
            report.error = errorAt(
                reader.recordLine(),
                tr("%1 fields where the header has %2").arg(fields->size()).arg(header->size()));
            return report;
        }
        const auto field = [&](Column column) {
            return at[column] < 0 ? QByteArrayView() : QByteArrayView((*fields)[at[column]]);
        };
        if (const auto error = parseRow(field, row)) {
            // Cut inside its last field: "...,rising,of".
            if (at[error->column] == qsizetype(fields->size()) - 1 || !reader.recordEnded()) {
                report.tornLines.push_back(reader.recordLine());
                continue;
            }
            report.error = errorAt(reader.recordLine(), error->message);
            return report;
        }
        onRow(row);
    }
    if (!reader.error().isEmpty())
        report.error = errorAt(reader.line(), reader.error());
    return report;
}

ReadReport readCsv(QIODevice *device, std::vector<Row> &rows)
{
    return readCsv(device, [&rows](const Row &row) { rows.push_back(row); });
}

ReadReport readJsonLines(QIODevice *device, const std::function<void(const Row &)> &onRow)
{
    ReadReport report;
    Row row;
    for (qint64 line = 1; !device->atEnd(); ++line) {
        QByteArray text = device->readLine(MaxLineLength + 2);
        if (text.size() > MaxLineLength) {
            report.error = errorAt(line, tr("longer than %1 bytes").arg(MaxLineLength));
            break;
        }
        if (line == 1)
            skipByteOrderMark(text);
        const QByteArrayView content = withoutLineEnd(text).trimmed();
        if (content.isEmpty())
            continue;
        if (const auto error = parseJsonLine(content, row)) {
            if (!text.endsWith('\n') && device->atEnd()) {
                report.tornLines.push_back(line);
                break;
            }
            report.error = errorAt(line, *error);
            break;
        }
        onRow(row);
    }
    return report;
}

std::optional<ReadError> readNumbers(QIODevice *device, std::vector<double> &values)
{
    for (qint64 line = 1; !device->atEnd(); ++line) {
        QByteArray text = device->readLine(MaxLineLength + 2);
        if (text.size() > MaxLineLength)
            return errorAt(line, tr("longer than %1 bytes").arg(MaxLineLength));
        if (line == 1)
            skipByteOrderMark(text);
        const QByteArrayView content = QByteArrayView(text).trimmed();
        if (content.isEmpty() || content.startsWith('#'))
            continue;
        const auto value = parseNumber(content);
        if (!value)
            return errorAt(line, tr("%1 is not a number").arg(shown(content)));
        values.push_back(*value);
    }
    return std::nullopt;
}

} // namespace pelmix::readings
