#include "ReadingAppender.h"

#include "CsvReader.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

namespace pelmix::readings {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pelmix::readings::ReadingAppender", text);
}

} // namespace

ReadingAppender::ReadingAppender() = default;

ReadingAppender::~ReadingAppender()
{
    close();
}

std::optional<QString> ReadingAppender::open(const QString &path, Format format,
                                             AppendFile::Accept accept)
{
    close();
    m_format = format;
    if (auto failure = m_file.open(path, accept))
        return failure;
    std::optional<QString> failure;
    if (!m_file.isRegular()) {
        // A device or a pipe is a stream: nothing to look at, nothing to lock, and it
        // gets a header as standard output does.
        if (const QByteArray header = formatHeader(format); !header.isEmpty())
            failure = m_file.append(header);
    } else if (!(failure = lock(path))) {
        failure = prepare(path);
    }
    if (failure)
        close();
    return failure;
}

void ReadingAppender::close()
{
    m_file.close();
    m_lock.reset();
}

std::optional<QString> ReadingAppender::append(const Setup &setup, const analysis::Reading &reading)
{
    return m_file.append(formatReading(m_format, setup, reading));
}

std::optional<QString> ReadingAppender::lock(const QString &path)
{
    m_lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    // A lock is stale only when its holder is gone, however long it has been held.
    m_lock->setStaleLockTime(0);
    errno = 0;
    if (m_lock->tryLock(0))
        return std::nullopt;
    const int error = errno;
    qint64 pid = 0;
    QString host;
    QString application;
    switch (m_lock->error()) {
    case QLockFile::LockFailedError:
        if (m_lock->getLockInfo(&pid, &host, &application))
            return tr("it is being written by %1 (process %2 on %3)")
                .arg(application.isEmpty() ? tr("another program") : application)
                .arg(pid)
                .arg(host);
        return tr("it is being written by another program");
    case QLockFile::PermissionError:
        return tr("no lock file can be made beside it (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(EACCES)));
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    return tr("no lock file can be made beside it (%1)")
        .arg(QString::fromLocal8Bit(std::strerror(error ? error : EIO)));
}

std::optional<QString> ReadingAppender::prepare(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (file.size() == 0) {
        const QByteArray header = formatHeader(m_format);
        return header.isEmpty() ? std::nullopt : m_file.append(header);
    }
    QByteArray first = file.readLine(MaxLineLength + 2);
    while (first.endsWith('\n') || first.endsWith('\r'))
        first.chop(1);
    if (const auto difference = differenceFrom(m_format, first))
        return *difference;
    char last = 0;
    if (!file.seek(file.size() - 1) || !file.getChar(&last))
        return file.errorString();
    if (last == '\n')
        return std::nullopt;
    return m_file.append(m_format == Format::Csv ? "\r\n" : "\n");
}

} // namespace pelmix::readings
