#include "ValueFiles.h"

#include "CsvReader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>

namespace pelmix::readings {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pelmix::readings::ValueFiles", text);
}

enum class Kind { PlainNumbers, Csv, JsonLines };

// A file whose first line of content names the time column holds readings, as a CSV
// header or a JSON object; anything else is meant as plain numbers, and its first line
// is read as one.
Kind kindOfFile(QIODevice &device)
{
    while (!device.atEnd()) {
        const QByteArray content = device.readLine(MaxLineLength + 2).trimmed();
        if (content.isEmpty() || content.startsWith('#'))
            continue;
        if (!content.contains(columnName(TimeUtc).toByteArray()))
            return Kind::PlainNumbers;
        return content.startsWith('{') ? Kind::JsonLines : Kind::Csv;
    }
    return Kind::PlainNumbers;
}

QString kindOf(const LoadedValues &loaded)
{
    if (loaded.plainNumbers)
        return tr("plain numbers");
    if (!loaded.setup)
        return tr("no readings");
    const ModeInfo &mode = modeInfo(loaded.setup->mode);
    QString text = tr("%1 readings").arg(QString(mode.name));
    if (!mode.unit.isEmpty())
        text += tr(" in %1").arg(QString(mode.unit));
    return text + tr(" at setting %1").arg(loaded.setup->position);
}

QString kindOf(const Setup &setup)
{
    LoadedValues loaded;
    loaded.setup = setup;
    return kindOf(loaded);
}

QString mixed(const QString &first, const QString &firstKind, const QString &path,
              const QString &kind)
{
    return tr("%1 holds %2, %3 holds %4: they are no one series; analyse them apart")
        .arg(first, firstKind, path, kind);
}

std::optional<QString> loadReadings(const QString &path, QIODevice &device, Kind kind,
                                    LoadedValues &into)
{
    if (into.plainNumbers)
        return tr("%1 holds readings, %2 holds plain numbers: they are no one series; analyse "
                  "them apart")
            .arg(path, into.firstFile);
    std::optional<Setup> other;
    const bool first = !into.setup;
    const auto onRow = [&into, &other](const Row &row) {
        if (!into.setup)
            into.setup = row.setup;
        if (row.setup != *into.setup) {
            if (!other)
                other = row.setup;
            return;
        }
        if (row.reading.isGap()) {
            ++into.gaps;
            return;
        }
        into.values.push_back(row.reading.value);
        into.elapsed.push_back(row.reading.elapsed);
    };
    const ReadReport report =
        kind == Kind::Csv ? readCsv(&device, onRow) : readJsonLines(&device, onRow);
    if (report.error)
        return QStringLiteral("%1: %2").arg(path, report.error->message);
    if (!report.tornLines.empty())
        into.warnings << QStringLiteral("%1: %2").arg(path, report.warning());
    if (other && first) {
        return tr("%1: readings of more than one setup (%2, then %3); analyse them one setup "
                  "at a time")
            .arg(path, kindOf(*into.setup), kindOf(*other));
    }
    if (other)
        return mixed(into.firstFile, kindOf(into), path, kindOf(*other));
    return std::nullopt;
}

} // namespace

std::optional<QString> loadValues(const QString &path, LoadedValues &into)
{
    QFile file(path);
    const bool ok =
        path == u"-" ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!ok)
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    // A pipe cannot go back after its first line is looked at: it is read whole.
    QBuffer buffer;
    QIODevice *device = &file;
    if (file.isSequential()) {
        buffer.setData(file.readAll());
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    }

    const Kind kind = kindOfFile(*device);
    if (!device->seek(0))
        return QStringLiteral("%1: %2").arg(path, device->errorString());
    const bool first = into.firstFile.isEmpty();
    if (first)
        into.firstFile = path;
    if (kind != Kind::PlainNumbers)
        return loadReadings(path, *device, kind, into);

    if (!first && !into.plainNumbers)
        return mixed(into.firstFile, kindOf(into), path, tr("plain numbers"));
    into.plainNumbers = true;
    if (const auto error = readNumbers(device, into.values))
        return QStringLiteral("%1: %2").arg(path, error->message);
    return std::nullopt;
}

} // namespace pelmix::readings
