#pragma once

#include "AppendFile.h"
#include "ReadingFormat.h"

#include <QLockFile>

#include <memory>

namespace pelmix::readings {

// Appends readings to a file, one whole line each: the recording of the window and the
// output of `measure`. Opening looks at the file first: a new or empty file gets the
// header; a file of another format or other columns is refused, naming the difference; a
// last line left without its line end (a crash, a full disk) gets one, so the next line
// starts on its own. A lock file beside it keeps a second writer out while it is open. A
// device or a pipe (where they are accepted) just gets the header.
class ReadingAppender
{
public:
    ReadingAppender();
    ~ReadingAppender();

    // Why `path` cannot take readings of `format`, when it cannot.
    std::optional<QString> open(const QString &path, Format format,
                                AppendFile::Accept accept = AppendFile::Accept::RegularFiles);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.path(); }

    // A whole line or nothing; why not, in the system's words.
    std::optional<QString> append(const Setup &setup, const analysis::Reading &reading);
    // One line already in the file's format, its line end included.
    std::optional<QString> append(const QByteArray &line) { return m_file.append(line); }

private:
    std::optional<QString> lock(const QString &path);
    std::optional<QString> prepare(const QString &path);

    AppendFile m_file;
    std::unique_ptr<QLockFile> m_lock;
    Format m_format = Format::Csv;
};

} // namespace pelmix::readings
