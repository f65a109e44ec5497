#pragma once

#include "DialogHost.h"
#include "LogFile.h"
#include "MessageBoxes.h"
#include "PanelControls.h"
#include "PlainIcons.h"
#include "SettingsStore.h"

#include "device/Shutdown.h"
#include "measure/FrontPanel.h"

#include <QCoroTask>
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QWindow;

namespace pelmix::device {
class Link;
class ProgressTimer;
} // namespace pelmix::device
namespace pelmix::measure {
class Meter;
}

namespace pelmix::ui {

class TraceView;
class AboutDialog;
class OptionsDialog;

// The front panel: the program's only working window. It owns the line to the counter,
// the measurement cycle and the log, and is the panel the measurement reads.
class MainWindow : public QMainWindow, public measure::FrontPanel, public DialogHost
{
    Q_OBJECT
public:
    // With `simulatedDevice` set, every ComN is that device.
    explicit MainWindow(const QString &simulatedDevice = {});
    ~MainWindow() override;

    device::Link &link() { return *m_link; }
    measure::Meter &meter() { return *m_meter; }
    LogFile &logFile() { return m_log; }
    QString systemPortFor(int portNumber) const;

    // FrontPanel
    device::Mode mode() const override;
    device::Input input() const override;
    device::Edge edge() const override;
    bool filterOn() const override { return m_filterOn; }
    int level() const override;
    int position() const override;
    QString mainDisplay() const override;
    void setMainDisplay(const QString &text) override;
    QString secondDisplay() const override;
    void setSecondDisplay(const QString &text) override;
    void setShown(measure::Part part, bool shown) override;
    void setPositionCaption(const QString &caption) override;
    void setPosition(int value) override;
    void setPositionEnabled(bool enabled) override;
    void showProgress(int percent) override;
    void showCycleRunning(bool running) override;

    // DialogHost
    void releasePort() override;
    qint16 portNumber() const override { return m_portNumber; }
    void setPortNumber(qint16 port) override { m_portNumber = port; }
    float cyclePause() const override;
    void setCyclePause(float seconds) override;
    void endProgram() override;

signals:
    // The program is over: the log is closed, the port released, nothing more is sent.
    void programEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPanel();
    void buildMenus();
    void connectControls();
    void restorePosition();

    QCoro::Task<> setUpPort();
    void activateLater();
    void onFocusWindowChanged(QWindow *window);
    void unload(bool storePosition);

    QCoro::Task<> openLog();
    void showOptions();
    void showAbout();
    // The filter switch: on at the press on the raised button, off at the release of a
    // click on the pressed one.
    void setFilter(bool on);

    SettingsStore m_settings;
    device::Shutdown m_shutdown;
    MessageBoxes m_messages{*this, m_shutdown};
    LogFile m_log;
    QString m_simulatedDevice;
    qint16 m_portNumber = SettingsStore::DefaultPort;
    bool m_filterOn = false;
    bool m_shownOnce = false;
    bool m_unloading = false;
    QPointer<OptionsDialog> m_options;
    QPointer<AboutDialog> m_about;
    QPointer<QWindow> m_focusWindow;
    QString m_logFolder;
    PlainIcons m_plainIcons;

    // The panel's controls, by the names the manual gives them, as a designer form would.
    PanelControls ui;

    std::unique_ptr<TraceView> m_trace;
    std::unique_ptr<device::Link> m_link;
    std::unique_ptr<device::ProgressTimer> m_progressTimer;
    std::unique_ptr<measure::Meter> m_meter;
};

} // namespace pelmix::ui
