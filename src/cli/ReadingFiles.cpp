#include "ReadingFiles.h"

#include "analysis/Csv.h"

#include <QBuffer>
#include <QFile>

#include <cstdio>

namespace pelmix::cli {

namespace {

// A file whose first line of content is a number holds plain numbers.
bool holdsPlainNumbers(QIODevice &device)
{
    bool first = true;
    while (!device.atEnd()) {
        QByteArray line = device.readLine();
        if (first && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        first = false;
        const QByteArray content = line.trimmed();
        if (content.isEmpty() || content.startsWith('#'))
            continue;
        bool ok = false;
        content.toDouble(&ok);
        return ok;
    }
    return true;
}

QString setupText(const pelmix::Setup &setup)
{
    return QStringLiteral("%1 at setting %2")
        .arg(pelmix::modeInfo(setup.mode).name)
        .arg(setup.position);
}

std::optional<QString> loadReadings(const QString &path, QIODevice &device, LoadedValues &into)
{
    std::optional<pelmix::Setup> other;
    const auto error = analysis::readCsv(&device, [&into, &other](const analysis::CsvRow &row) {
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
    });
    if (error)
        return QStringLiteral("%1: %2").arg(path, error->message);
    if (other) {
        return QStringLiteral("%1: readings of more than one setup (%2, then %3); analyse them "
                              "one setup at a time")
            .arg(path, setupText(*into.setup), setupText(*other));
    }
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

    const bool plain = holdsPlainNumbers(*device);
    if (!device->seek(0))
        return QStringLiteral("%1: %2").arg(path, device->errorString());
    if (!plain)
        return loadReadings(path, *device, into);

    into.plainNumbers = true;
    if (const auto error = analysis::readNumbers(device, into.values))
        return QStringLiteral("%1: %2").arg(path, error->message);
    return std::nullopt;
}

} // namespace pelmix::cli
