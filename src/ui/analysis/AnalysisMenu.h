#pragma once

#include "readings/CsvRecorder.h"

#include <QObject>

#include <functional>

#include <memory>

class QAction;
class QMenuBar;
class QWidget;

namespace pelmix::device {
class Shutdown;
}

namespace pelmix::readings {
class ReadingFeed;
}

namespace pelmix::ui {

class AnalysisWindow;
class MessageBoxes;

// The main window's way to the readings: the Analysis menu with the analysis window, and
// in the File menu, next to the log's entries, opening a reading file and recording every
// reading to a CSV file.
// Both follow the feed that turns the meter's results into readings.
class AnalysisMenu : public QObject
{
    Q_OBJECT
public:
    // The recording entries go into the menu that holds `exitEntry`, just before it.
    AnalysisMenu(QMenuBar &bar, QAction &exitEntry, readings::ReadingFeed &feed,
                 MessageBoxes &messages, device::Shutdown &shutdown, QWidget &owner);
    ~AnalysisMenu() override;

    void showWindow();
    // Loads a CSV reading file into the analysis window as series of their own, and shows
    // it; what cannot be read is reported, naming the line. The file is read on a worker
    // thread; its series come when it has been read.
    void openReadings(const QString &path);
    // Null until first shown.
    AnalysisWindow *window() const { return m_window.get(); }
    readings::CsvRecorder &recorder() { return m_recorder; }
    readings::ReadingFeed &feed() { return m_feed; }
    // The program ends: recording stops and the window closes.
    void shutDown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeBesidePanel();
    void chooseRecording();
    void chooseReadings();
    // A CSV file chosen in the folder last used, then `use`d unless the program is ending.
    void chooseCsv(const QString &title, const QString &name,
                   std::function<void(const QString &)> use);

    readings::ReadingFeed &m_feed;
    MessageBoxes &m_messages;
    device::Shutdown &m_shutdown;
    QWidget &m_owner;
    readings::CsvRecorder m_recorder;
    std::unique_ptr<AnalysisWindow> m_window;
    QString m_folder;
};

} // namespace pelmix::ui
