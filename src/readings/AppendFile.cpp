#include "AppendFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

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

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

std::optional<QString> AppendFile::open(const QString &path)
{
    close();
    m_path = path;
    m_file.setFileName(path);
#ifdef Q_OS_UNIX
    const QString notRegular = tr("it is not a regular file");
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {
    };
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return notRegular;
    // Opened without waiting, then checked again on what was opened, in case the name
    // changed hands meanwhile.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return systemError();
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return notRegular;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (m_file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle))
        return std::nullopt;
    ::close(fd);
#else
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return std::nullopt;
#endif
    return m_file.errorString();
}

std::optional<QString> AppendFile::append(const QByteArray &bytes)
{
    bool written = m_file.write(bytes) == bytes.size() && m_file.flush();
#ifdef Q_OS_WIN
    written = written && ::_commit(m_file.handle()) == 0;
#else
    // Some files (a terminal, a FUSE mount) cannot be synced; that is no failure.
    written = written && (::fsync(m_file.handle()) == 0 || errno == EINVAL);
#endif
    if (!written)
        return m_file.error() != QFileDevice::NoError ? m_file.errorString() : systemError();
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
