#include "ReadingSink.h"

#include "Console.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pelmix::cli {

std::optional<QString> ReadingSink::open(const QString &path, readings::Format format)
{
    if (path.isEmpty())
        return std::nullopt;
    return m_file.open(path, format, readings::AppendFile::Accept::AnyFile);
}

QString ReadingSink::name() const
{
    return m_file.isOpen() ? m_file.path() : QStringLiteral("standard output");
}

std::optional<ReadingSink::Failure> ReadingSink::write(const QByteArray &line)
{
    if (m_file.isOpen()) {
        if (const std::optional<QString> failure = m_file.append(line))
            return Failure{*failure};
        return std::nullopt;
    }
    console::clearProgress();
    if (writeAll(STDOUT_FILENO, line))
        return std::nullopt;
    const int error = errno;
    return Failure{QString::fromLocal8Bit(std::strerror(error)), error == EPIPE};
}

} // namespace pelmix::cli
