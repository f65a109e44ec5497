#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace pelmix::readings {

// A file that lines are appended to, each one flushed and synced to disk as it is
// written, so a crash or a power loss keeps every line written before it. A write that
// fails (a full disk) is cut back off a regular file, which keeps only whole lines.
class AppendFile
{
public:
    // A log or a recording is a regular file: opening a pipe would wait for a reader, and
    // a device is no record. A command's output may be any file it can write to.
    enum class Accept { RegularFiles, AnyFile };

    ~AppendFile() { close(); }

    // Opens (creating) `path` for appending. Returns why it cannot be, when it cannot.
    std::optional<QString> open(const QString &path, Accept accept = Accept::RegularFiles);
    void close() { m_file.close(); }
    bool isOpen() const { return m_file.isOpen(); }
    bool isRegular() const { return m_regular; }
    QString path() const { return m_path; }
    qint64 size() const { return m_file.size(); }

    // Writes all of `bytes` or, on a regular file, nothing; then syncs. Returns why that
    // failed in the system's words, also when the file was deleted meanwhile (lines
    // written to it would reach nobody).
    std::optional<QString> append(const QByteArray &bytes);

private:
    QFile m_file;
    QString m_path;
    bool m_regular = true;
};

} // namespace pelmix::readings
