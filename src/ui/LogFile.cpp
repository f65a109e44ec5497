#include "LogFile.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelmix::ui {

LogFile::~LogFile()
{
    close();
}

QString LogFile::modeLine(device::Mode mode)
{
    switch (mode) {
    case device::Mode::Calibration:
        return QStringLiteral("Calibration");
    case device::Mode::Period:
        return QStringLiteral("Period");
    case device::Mode::Interval:
        return QStringLiteral("Time");
    case device::Mode::Count:
        return QStringLiteral("Quantity");
    case device::Mode::Frequency:
        break;
    }
    return QStringLiteral("Frequency");
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

bool LogFile::open(const QString &path, device::Mode mode)
{
    close();
    if (!openRegularFile(path))
        return false;
    emit openChanged(true);
    return writeLine(dateLine(m_now().date(), QLocale::system())) && writeLine(modeLine(mode));
}

bool LogFile::openRegularFile(const QString &path)
{
    m_path = path;
    m_file.setFileName(path);
#ifdef Q_OS_UNIX
    // Opening a pipe for writing would wait for a reader, and a device is no log: open
    // without waiting, look at what was opened, and keep only a regular file.
    const QString notRegular =
        tr("The log file %1 cannot be opened: it is not a regular file").arg(path);
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {
    };
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        fail(notRegular);
        return false;
    }
    const int fd =
        ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        fail(tr("The log file %1 cannot be opened: %2")
                 .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    // Checked again on what was opened, in case the name changed hands meanwhile.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        fail(notRegular);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (m_file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
#else
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
#endif
    fail(tr("The log file %1 cannot be opened: %2").arg(path, m_file.errorString()));
    return false;
}

void LogFile::close()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    emit openChanged(false);
}

void LogFile::writeModeLine(device::Mode mode)
{
    if (isOpen())
        writeLine(modeLine(mode));
}

void LogFile::writeResultLine(const QString &display)
{
    if (!isOpen())
        return;
    // A full-width value would otherwise run into the time.
    const QString separator =
        display.startsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ");
    writeLine(timeOfDay(m_now().time(), QLocale::system()) + separator + display);
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
                 .arg(m_path, reason));
        return false;
    }
#ifdef Q_OS_UNIX
    // Lines written to a file that was deleted would reach nobody.
    struct stat status
    {
    };
    if (::fstat(m_file.handle(), &status) == 0 && status.st_nlink == 0) {
        fail(tr("The log file %1 was deleted.\nThe log is closed; measuring goes on.").arg(m_path));
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
