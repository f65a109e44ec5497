#pragma once

#include "FrontPanel.h"
#include "LogFile.h"
#include "MessageBoxes.h"
#include "PanelControls.h"
#include "SettingsStore.h"

#include "analysis/ReadingStore.h"
#include "device/ProgressTimer.h"
#include "measure/Session.h"
#include "readings/ReadingFeed.h"

#include <QCoroTask>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

namespace pelmix::ui {

class AboutDialog;
class AnalysisMenu;
class DialogReturns;
class OptionsDialog;
class WindowPlacement;

// The front panel: the window that shows a measuring session. It drives the session from
// its controls, shows the results the meter reports, writes them to the log, and keeps
// the port open on the device the chosen ComN names.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // With `simulatedDevice` set, every ComN is that device.
    explicit MainWindow(const QString &simulatedDevice = {});
    ~MainWindow() override;

    measure::Session &session() { return m_session; }
    FrontPanel &panel() { return m_panel; }
    LogFile &logFile() { return m_log; }
    AnalysisMenu &analysis() { return *m_analysis; }
    qint16 portNumber() const { return m_portNumber; }
    QString systemPortFor(int portNumber) const;

signals:
    // The program is over: the log is closed, the port released, nothing more is sent.
    void programEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void connectControls();
    void connectSession();

    // Opens the port on the device the chosen ComN names, unless it is open there already.
    // A failure is reported, then the options dialog comes up.
    QCoro::Task<> setUpPort(bool dialogStillOpen);
    QCoro::Task<> openLog();
    void showOptions();
    void showAbout();
    void selectMode(pelmix::Mode mode);
    QCoro::Task<> holdFullBar(pelmix::Mode mode);
    // Ends the program: every wait ends, nothing more is sent, the log is closed and the
    // port released; the window's position is stored when asked.
    void unload(bool storePosition);

    SettingsStore m_settings;
    QString m_simulatedDevice;
    // The panel's controls, by their object names, as a designer form would have them.
    PanelControls ui;
    FrontPanel m_panel{ui};
    // The session reports through the message boxes, which wait on its shutdown.
    measure::Session m_session{m_messages};
    MessageBoxes m_messages{*this, m_session.shutdown()};
    device::ProgressTimer m_progressTimer{m_session.link()};
    LogFile m_log;
    // Every result as a reading, for the analysis window and the recording.
    analysis::ReadingStore m_readings;
    readings::ReadingFeed m_feed{m_session.meter(), m_readings};
    std::unique_ptr<AnalysisMenu> m_analysis;
    DialogReturns *m_returns = nullptr;
    WindowPlacement *m_placement = nullptr;
    QPointer<OptionsDialog> m_options;
    QPointer<AboutDialog> m_about;
    QString m_logFolder;
    qint16 m_portNumber = SettingsStore::DefaultPort;
    std::optional<QString> m_reportedFailure;
    bool m_shownOnce = false;
    bool m_unloading = false;
};

} // namespace pelmix::ui
