#include "MainWindow.h"

#include "AboutDialog.h"
#include "Art.h"
#include "DialogReturns.h"
#include "LogDialog.h"
#include "OptionsDialog.h"
#include "PanelAccess.h"
#include "Pictures.h"
#include "TraceView.h"
#include "Twips.h"
#include "WindowPlacement.h"

#include "device/Errors.h"
#include "ui/analysis/AnalysisMenu.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace pelmix::ui {

using pelmix::Mode;

namespace {

// How long a frequency measurement's full bar stays.
constexpr float FullBarPause = 0.1f;

} // namespace

MainWindow::MainWindow(const QString &simulatedDevice)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_simulatedDevice(simulatedDevice)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pelmix"));
    setWindowIcon(Art::windowIcon());

    // The grey of an instrument's front panel, which the artwork is drawn for.
    QPalette panelColours = palette();
    panelColours.setColor(QPalette::Window, QColor(0xc0, 0xc0, 0xc0));
    panelColours.setColor(QPalette::Button, QColor(0xc0, 0xc0, 0xc0));
    setPalette(panelColours);

    auto *central = new QWidget(this);
    central->setFixedSize(px(7965), px(3870));
    setCentralWidget(central);
    ui = buildPanelControls(central);
    buildMenus(menuBar(), ui);
    new PanelAccess(*this, ui);
    m_analysis = std::make_unique<AnalysisMenu>(*menuBar(), *ui.mnuFExit, m_feed, m_messages,
                                                m_session.shutdown(), *this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_returns = new DialogReturns(*this);
    connect(m_returns, &DialogReturns::returned, this, [this](bool dialogStillOpen) {
        QMetaObject::invokeMethod(
            this, [this, dialogStillOpen] { setUpPort(dialogStillOpen); }, Qt::QueuedConnection);
    });
    connectControls();
    connectSession();

    // The stored position and port; the port itself opens at the first show.
    m_portNumber = m_settings.port();
    m_placement = new WindowPlacement(*this, m_settings);
    m_placement->restore();
}

MainWindow::~MainWindow()
{
    unload(false);
}

void MainWindow::connectControls()
{
    measure::Meter &meter = m_session.meter();
    connect(ui.Pic1, &Picture::pressed, this, [this] { m_panel.setFilter(true); });
    connect(ui.Pic2, &Picture::released, this, [this] { m_panel.setFilter(false); });
    connect(ui.Str11, &Picture::pressed, &meter, &measure::Meter::startCycle);
    connect(ui.Str21, &Picture::released, &meter, &measure::Meter::stopCycle);
    connect(ui.hand1, &QToolButton::clicked, &meter, &measure::Meter::measureOnce);

    const std::pair<PictureButton *, Mode> modes[] = {{ui.F, Mode::Frequency},
                                                      {ui.calibr, Mode::Calibration},
                                                      {ui.T, Mode::Period},
                                                      {ui.dt, Mode::Interval},
                                                      {ui.Sum, Mode::Count}};
    for (const auto &[button, mode] : modes) {
        connect(button, &QToolButton::toggled, this, [this, mode = mode](bool selected) {
            if (selected)
                selectMode(mode);
        });
    }

    connect(ui.mnuFOpen, &QAction::triggered, this, [this] { openLog(); });
    connect(ui.mnuFSave, &QAction::triggered, &m_log, &LogFile::close);
    connect(ui.mnuFExit, &QAction::triggered, this, &QWidget::close);
    connect(ui.mnuOSelect, &QAction::triggered, this, &MainWindow::showOptions);
    connect(ui.mnuHAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(&m_log, &LogFile::openChanged, this, [this](bool open) {
        ui.mnuFOpen->setEnabled(!open);
        ui.mnuFSave->setEnabled(open);
    });
    connect(&m_log, &LogFile::failed, this,
            [this](const QString &message) { m_messages.show(message); });
}

void MainWindow::connectSession()
{
    measure::Meter &meter = m_session.meter();
    meter.setLiveSettings(&m_panel);
    meter.setHold([this](const measure::Result &result) { return holdFullBar(result.setup.mode); });
    connect(&meter, &measure::Meter::cycleRunningChanged, this,
            [this](bool running) { m_panel.showCycleRunning(running); });
    connect(&meter, &measure::Meter::settingsSent, this,
            [this](const Setup &setup) { m_panel.showSettingsSent(setup); });
    connect(&meter, &measure::Meter::measured, this, [this](const measure::Result &result) {
        if (!result.dataRequested)
            return;
        const QString main = measure::displayTexts(result).main;
        m_panel.showResult(result);
        m_log.writeResultLine(result.setup.mode, main,
                              QDateTime::fromMSecsSinceEpoch(result.utcMs));
    });
    connect(&m_session.link(), &device::Link::replyReceived, this,
            [this](const device::FilteredReply &reply) {
                TraceView trace(*ui.dbgout);
                device::appendToTrace(trace, reply);
            });
    connect(&m_progressTimer, &device::ProgressTimer::show, ui.ProgressBar1,
            &QProgressBar::setValue);
}

QString MainWindow::systemPortFor(int portNumber) const
{
    return m_simulatedDevice.isEmpty() ? m_settings.systemPortFor(portNumber) : m_simulatedDevice;
}

void MainWindow::selectMode(Mode mode)
{
    m_panel.prepareForMode(mode);
    // During a measurement the new mode applies from the next one: its line waits for
    // that one's result, so that every result stands under the mode it was measured in.
    if (!m_session.meter().isMeasuring())
        m_log.writeModeLine(mode);
}

QCoro::Task<> MainWindow::holdFullBar(Mode mode)
{
    // A frequency measurement shows its bar full for a moment.
    if (mode != Mode::Frequency && mode != Mode::Calibration)
        co_return;
    ui.ProgressBar1->setValue(100);
    co_await m_session.link().pause(FullBarPause);
    m_session.link().setProgress(0);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        QMetaObject::invokeMethod(
            this, [this] { setUpPort(false); }, Qt::QueuedConnection);
    }
}

QCoro::Task<> MainWindow::setUpPort(bool dialogStillOpen)
{
    if (m_unloading)
        co_return;
    std::optional<QString> failure;
    try {
        failure = co_await m_session.usePort(m_portNumber, systemPortFor(m_portNumber));
        if (!failure) {
            m_reportedFailure.reset();
            co_return;
        }
        // Clicking the panel while the options dialog stays open retries the port quietly:
        // the same failure is told once, not at every click.
        if (dialogStillOpen && failure == m_reportedFailure)
            co_return;
        m_reportedFailure = failure;
        co_await m_messages.report(*failure);
    } catch (const device::Cancelled &) {
        co_return;
    }
    showOptions();
}

void MainWindow::showOptions()
{
    if (m_unloading)
        return;
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    // The dialog starts from the stored port.
    m_portNumber = m_settings.port();
    Options options{m_portNumber, m_session.meter().cyclePause(), {}, !m_simulatedDevice.isEmpty()};
    for (int n = 1; n <= 8; ++n)
        options.devices[n - 1] =
            m_simulatedDevice.isEmpty() ? m_settings.portDevice(n) : m_simulatedDevice;
    m_options = new OptionsDialog(options, this);
    m_options->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_options, &QDialog::accepted, this, [this, dialog = m_options.data()] {
        const Options chosen = dialog->options();
        m_portNumber = chosen.port;
        m_settings.storePort(chosen.port);
        for (int n = 1; n <= 8 && !chosen.devicesFixed; ++n)
            if (chosen.devices[n - 1] != m_settings.portDevice(n))
                m_settings.storePortDevice(n, chosen.devices[n - 1]);
        m_session.meter().setCyclePause(chosen.pause);
    });
    connect(m_options, &OptionsDialog::quitRequested, this, [this] { unload(false); });
    m_returns->watch(m_options);
    m_options->show();
}

void MainWindow::showAbout()
{
    if (m_about) {
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    m_about = new AboutDialog(this);
    m_about->setAttribute(Qt::WA_DeleteOnClose);
    m_returns->watch(m_about);
    m_about->show();
}

QCoro::Task<> MainWindow::openLog()
{
    const std::optional<QString> path =
        co_await chooseLogFile(this, m_logFolder, m_session.shutdown());
    // Cancel changes nothing.
    if (path && !m_unloading) {
        m_logFolder = QFileInfo(*path).absolutePath();
        m_log.open(*path, m_panel.mode());
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    unload(true);
    event->accept();
}

void MainWindow::unload(bool storePosition)
{
    if (m_unloading)
        return;
    m_unloading = true;
    // Every wait ends now and nothing more is sent to the counter.
    m_session.shutdown().trigger();
    if (m_about)
        m_about->close();
    if (m_options)
        m_options->close();
    if (storePosition)
        m_placement->store();
    m_log.close();
    m_analysis->shutDown();
    m_session.shutDown();
    emit programEnded();
}

} // namespace pelmix::ui
