#include "LogFile.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelmix::ui {

LogFile::~LogFile()
{
    close();
}

QString LogFile::dateLine(const QDate &date, const QLocale &locale)
{
    return QStringLiteral("<<<") + locale.toString(date, QLocale::ShortFormat) +
           QStringLiteral("     >>>");
}

QString LogFile::timeOfDay(const QTime &time, const QLocale &locale)
{
    // The long format has the seconds; drop its time-zone field and the space before it.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?"));
    format.remove(zone);
    return locale.toString(time, format.trimmed());
}

bool LogFile::open(const QString &path, const QString &mode)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        fail(tr("The log file %1 cannot be opened: %2").arg(path, m_file.errorString()));
        return false;
    }
    emit openChanged(true);
    return writeLine(dateLine(m_now().date(), QLocale::system())) && writeLine(mode);
}

void LogFile::close()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    emit openChanged(false);
}

void LogFile::writeModeLine(const QString &mode)
{
    if (isOpen())
        writeLine(mode);
}

void LogFile::writeResultLine(const QString &display)
{
    if (isOpen())
        writeLine(timeOfDay(m_now().time(), QLocale::system()) + display);
}

bool LogFile::writeLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    bool written = m_file.write(bytes) == bytes.size() && m_file.flush();
#ifdef Q_OS_WIN
    written = written && ::_commit(m_file.handle()) == 0;
#else
    written = written && (::fsync(m_file.handle()) == 0 || errno == EINVAL);
#endif
    if (!written) {
        const QString reason = m_file.error() != QFileDevice::NoError
                                   ? m_file.errorString()
                                   : QString::fromLocal8Bit(std::strerror(errno));
        fail(tr("The log file %1 cannot be written: %2\nThe log is closed; measuring goes on.")
                 .arg(m_file.fileName(), reason));
        return false;
    }
#ifdef Q_OS_UNIX
    // Lines written to a file that was deleted would reach nobody.
    struct stat status
    {
    };
    if (::fstat(m_file.handle(), &status) == 0 && status.st_nlink == 0) {
        fail(tr("The log file %1 was deleted.\nThe log is closed; measuring goes on.")
                 .arg(m_file.fileName()));
        return false;
    }
#endif
    return true;
}

void LogFile::fail(const QString &message)
{
    close();
    emit failed(message);
}

} // namespace pelmix::ui
