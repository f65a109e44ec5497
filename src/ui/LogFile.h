#pragma once

#include "measure/FrontPanel.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QObject>
#include <QTime>

#include <functional>

namespace pelmix::ui {

// The log of results: plain text lines ending in CR LF, appended to. Every line is
// flushed and synced to disk as it is written, so a crash or a power loss keeps it.
// A failure to open or to write is reported once, and the log is then closed.
class LogFile : public QObject, public measure::ResultLog
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~LogFile() override;

    // Opens `path` for appending and writes the date line and `mode`'s line.
    bool open(const QString &path, const QString &mode);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return isOpen() ? m_file.fileName() : QString(); }

    void writeModeLine(const QString &mode) override;
    void writeResultLine(const QString &display) override;

    // The clock the lines are stamped with; the system's by default.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // "<<<" and the short date, then five spaces and ">>>".
    static QString dateLine(const QDate &date, const QLocale &locale);
    // The time of day in the locale's time format with seconds, without a time zone.
    static QString timeOfDay(const QTime &time, const QLocale &locale);

signals:
    void openChanged(bool open);
    void failed(const QString &message);

private:
    bool writeLine(const QString &line);
    void fail(const QString &message);

    QFile m_file;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};

} // namespace pelmix::ui
