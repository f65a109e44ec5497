#pragma once

#include "device/InputSettings.h"
#include "readings/AppendFile.h"

#include <QDate>
#include <QLocale>
#include <QObject>
#include <QTime>

#include <functional>

namespace pelmix::ui {

// The log of results: plain text lines ending in CR LF, appended to. Every line is
// flushed and synced to disk as it is written, so a crash or a power loss keeps it.
// Only a regular file can be a log: a pipe or a device is refused when it is opened.
// A failure to open or to write is reported once, and the log is then closed.
class LogFile : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~LogFile() override;

    // Opens `path` for appending and writes the date line and `mode`'s line.
    bool open(const QString &path, pelmix::Mode mode);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return isOpen() ? m_file.path() : QString(); }

    // Both writers do nothing while no log is open.
    void writeModeLine(pelmix::Mode mode);
    // The time of day `at` and the main display's text, one space between them when the
    // text does not begin with one. A result of another mode than the last mode line
    // names is put under its own mode's line first.
    void writeResultLine(pelmix::Mode mode, const QString &display, const QDateTime &at);

    // The clock the date line is stamped with; the system's by default.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // "Frequency", "Calibration", "Period", "Time", "Quantity".
    static QString modeLine(pelmix::Mode mode);
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

    readings::AppendFile m_file;
    pelmix::Mode m_modeLine = pelmix::Mode::Frequency;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};

} // namespace pelmix::ui
