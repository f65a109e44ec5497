#include "LogFile.h"

#include <QRegularExpression>

namespace pelmix::ui {

LogFile::~LogFile()
{
    close();
}

QString LogFile::modeLine(pelmix::Mode mode)
{
    return modeInfo(mode).logName;
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

bool LogFile::open(const QString &path, pelmix::Mode mode)
{
    close();
    if (const auto failure = m_file.open(path)) {
        fail(tr("The log file %1 cannot be opened: %2").arg(path, *failure));
        return false;
    }
    emit openChanged(true);
    m_modeLine = mode;
    return writeLine(dateLine(m_now().date(), QLocale::system())) && writeLine(modeLine(mode));
}

void LogFile::close()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    emit openChanged(false);
}

void LogFile::writeModeLine(pelmix::Mode mode)
{
    m_modeLine = mode;
    if (isOpen())
        writeLine(modeLine(mode));
}

void LogFile::writeResultLine(pelmix::Mode mode, const QString &display, const QDateTime &at)
{
    if (!isOpen())
        return;
    if (mode != m_modeLine)
        writeModeLine(mode);
    // A full-width value would otherwise run into the time.
    const QString separator =
        display.startsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ");
    writeLine(timeOfDay(at.time(), QLocale::system()) + separator + display);
}

bool LogFile::writeLine(const QString &line)
{
    if (const auto failure = m_file.append(line.toLocal8Bit() + "\r\n")) {
        fail(tr("The log file %1 cannot be written: %2\nThe log is closed; measuring goes on.")
                 .arg(m_file.path(), *failure));
        return false;
    }
    return true;
}

void LogFile::fail(const QString &message)
{
    close();
    emit failed(message);
}

} // namespace pelmix::ui
