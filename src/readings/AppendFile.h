#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace pelmix::readings {

// A file that lines are appended to, each one flushed and synced to disk as it is
// written, so a crash or a power loss keeps every line written before it. Only a regular
// file: opening a pipe would wait for a reader, and a device is no record.
class AppendFile
{
public:
    ~AppendFile() { close(); }

    // Opens (creating) `path` for appending. Returns why it cannot be, when it cannot.
    std::optional<QString> open(const QString &path);
    void close() { m_file.close(); }
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    qint64 size() const { return m_file.size(); }

    // Writes, flushes and syncs. Returns why that failed, also when the file was deleted
    // meanwhile (lines written to it would reach nobody).
    std::optional<QString> append(const QByteArray &bytes);

private:
    QFile m_file;
    QString m_path;
};

} // namespace pelmix::readings
