#include "ReadingSink.h"

#include "Console.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pelmix::cli {

std::optional<QString> ReadingSink::open(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return m_file.open(path);
}

bool ReadingSink::holdsData() const
{
    return m_file.isOpen() && m_file.size() > 0;
}

QString ReadingSink::name() const
{
    return m_file.isOpen() ? m_file.path() : QStringLiteral("standard output");
}

std::optional<ReadingSink::Failure> ReadingSink::write(const QByteArray &bytes)
{
    if (m_file.isOpen()) {
        if (const std::optional<QString> failure = m_file.append(bytes))
            return Failure{*failure};
        return std::nullopt;
    }
    console::clearProgress();
    if (writeAll(STDOUT_FILENO, bytes))
        return std::nullopt;
    const int error = errno;
    return Failure{QString::fromLocal8Bit(std::strerror(error)), error == EPIPE};
}

} // namespace pelmix::cli
