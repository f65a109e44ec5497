#include "AppendFile.h"

#include "SystemWrite.h"

#include <QCoreApplication>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelmix::readings {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pelmix::readings::AppendFile", text);
}

} // namespace

std::optional<QString> AppendFile::open(const QString &path, Accept accept)
{
    close();
    m_path = path;
    m_regular = true;
    m_file.setFileName(path);
#ifdef Q_OS_UNIX
    const QString notRegular = tr("it is not a regular file");
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {
    };
    const bool regularOnly = accept == Accept::RegularFiles;
    if (regularOnly && ::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return notRegular;
    // Opened without waiting, then checked again on what was opened, in case the name
    // changed hands meanwhile.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return systemError(errno);
    if (::fstat(fd, &status) != 0 || (regularOnly && !S_ISREG(status.st_mode))) {
        ::close(fd);
        return notRegular;
    }
    m_regular = S_ISREG(status.st_mode);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // The descriptor appends by itself; Qt's Append would seek, which a pipe cannot.
    if (m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return std::nullopt;
    ::close(fd);
#else
    Q_UNUSED(accept);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return std::nullopt;
#endif
    return m_file.errorString();
}

std::optional<QString> AppendFile::append(const QByteArray &bytes)
{
    const qint64 before = m_regular ? m_file.size() : -1;
    std::optional<int> error = writeAll(m_file.handle(), bytes);
    if (!error)
        error = syncToDisk(m_file.handle());
    if (error) {
        // Half a line would glue itself to the next one written.
        if (before >= 0)
            m_file.resize(before);
        return systemError(*error);
    }
#ifdef Q_OS_UNIX
    struct stat status
    {
    };
    if (::fstat(m_file.handle(), &status) == 0 && status.st_nlink == 0)
        return tr("the file was deleted");
#endif
    return std::nullopt;
}

} // namespace pelmix::readings
