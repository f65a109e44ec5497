#include "SystemWrite.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pelmix::readings {

std::optional<int> writeAll(int fd, const QByteArray &bytes)
{
    const char *next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
#ifdef Q_OS_WIN
        const int written = ::_write(fd, next, unsigned(std::min<qsizetype>(left, 1 << 30)));
#else
        const ssize_t written = ::write(fd, next, std::size_t(left));
#endif
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        next += written;
        left -= written;
    }
    return std::nullopt;
}

std::optional<int> syncToDisk(int fd)
{
#ifdef Q_OS_WIN
    if (::_commit(fd) != 0)
        return errno;
#else
    if (::fsync(fd) != 0 && errno != EINVAL)
        return errno;
#endif
    return std::nullopt;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace pelmix::readings
