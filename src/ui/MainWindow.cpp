#include "MainWindow.h"

#include "AboutDialog.h"
#include "Art.h"
#include "OptionsDialog.h"
#include "Pictures.h"
#include "TraceView.h"
#include "Twips.h"

#include "device/Errors.h"
#include "device/Link.h"
#include "device/ProgressTimer.h"
#include "device/Wake.h"
#include "measure/Meter.h"
#include "measure/ModeSelection.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QWindow>

namespace pelmix::ui {

using device::Mode;

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
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_trace = std::make_unique<TraceView>(*ui.dbgout);
    m_link = std::make_unique<device::Link>(m_shutdown, *m_trace);
    m_progressTimer = std::make_unique<device::ProgressTimer>(*m_link);
    connect(m_progressTimer.get(), &device::ProgressTimer::show, ui.ProgressBar1,
            &QProgressBar::setValue);
    m_meter = std::make_unique<measure::Meter>(*m_link, *this, m_messages, m_log);
    connectControls();

    // Start-up: the stored position and port; the port itself opens at the first show.
    m_portNumber = m_settings.port();
    restorePosition();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::onFocusWindowChanged);
}

MainWindow::~MainWindow()
{
    unload(false);
}

void MainWindow::buildMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    ui.mnuFOpen = mnuFile->addAction(QStringLiteral("Open Log File"));
    ui.mnuFSave = mnuFile->addAction(QStringLiteral("Save Log File"));
    ui.mnuFExit = mnuFile->addAction(QStringLiteral("&Exit"));
    QMenu *mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    ui.mnuOSelect = mnuOptions->addAction(QStringLiteral("&Options"));
    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuOptionsAbout"));
    ui.mnuHAbout = mnuHelp->addAction(QStringLiteral("About"));

    ui.mnuFOpen->setObjectName(QStringLiteral("mnuFOpen"));
    ui.mnuFSave->setObjectName(QStringLiteral("mnuFSave"));
    ui.mnuFExit->setObjectName(QStringLiteral("mnuFExit"));
    ui.mnuOSelect->setObjectName(QStringLiteral("mnuOSelect"));
    ui.mnuHAbout->setObjectName(QStringLiteral("mnuHAbout"));
    ui.mnuFSave->setEnabled(false);
}

void MainWindow::connectControls()
{
    connect(ui.Pic1, &Picture::pressed, this, [this] { setFilter(true); });
    connect(ui.Pic2, &Picture::released, this, [this] { setFilter(false); });
    connect(ui.Str11, &Picture::pressed, m_meter.get(), &measure::Meter::startCycle);
    connect(ui.Str21, &Picture::released, m_meter.get(), &measure::Meter::stopCycle);
    connect(ui.hand1, &QToolButton::clicked, m_meter.get(), &measure::Meter::measureOnce);

    const std::pair<PictureButton *, Mode> modes[] = {{ui.F, Mode::Frequency},
                                                      {ui.calibr, Mode::Calibration},
                                                      {ui.T, Mode::Period},
                                                      {ui.dt, Mode::Interval},
                                                      {ui.Sum, Mode::Count}};
    for (const auto &[button, mode] : modes) {
        connect(button, &QToolButton::toggled, this, [this, mode = mode](bool selected) {
            if (selected)
                measure::selectMode(mode, *this, m_log);
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

void MainWindow::restorePosition()
{
    const QPoint stored(qRound(m_settings.mainLeft() / TwipsPerPixel),
                        qRound(m_settings.mainTop() / TwipsPerPixel));
    // A position on no screen (a monitor since removed) is replaced by a centred one.
    const QPoint titleBar = stored + QPoint(40, 10);
    if (QGuiApplication::screenAt(titleBar)) {
        move(stored);
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(sizeHint().width() / 2, sizeHint().height() / 2));
    }
}

QString MainWindow::systemPortFor(int portNumber) const
{
    return m_simulatedDevice.isEmpty() ? m_settings.systemPortFor(portNumber) : m_simulatedDevice;
}

// --- activation: the port opens at the first show and on every return from a dialog

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        activateLater();
    }
}

void MainWindow::activateLater()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_shutdown.isTriggered())
                setUpPort();
        },
        Qt::QueuedConnection);
}

void MainWindow::onFocusWindowChanged(QWindow *window)
{
    // Coming back to the panel from a dialog that stays open counts as a return; a dialog
    // that closes reports its own return, and other windows (message boxes, other
    // programs) do not count.
    const QPointer<QWindow> previous = m_focusWindow;
    m_focusWindow = window;
    if (!window || window != windowHandle() || !previous)
        return;
    for (QWidget *dialog :
         {static_cast<QWidget *>(m_options.data()), static_cast<QWidget *>(m_about.data())}) {
        if (dialog && dialog->isVisible() && dialog->windowHandle() == previous)
            activateLater();
    }
}

QCoro::Task<> MainWindow::setUpPort()
{
    const auto failure = m_link->setUp(m_portNumber, systemPortFor(m_portNumber));
    if (!failure)
        co_return;
    try {
        co_await m_messages.message(*failure);
    } catch (const device::Cancelled &) {
        co_return;
    }
    showOptions();
}

void MainWindow::releasePort()
{
    if (auto failure = m_link->release())
        m_messages.show(*failure);
}

// --- dialogs and menus

void MainWindow::showOptions()
{
    if (m_shutdown.isTriggered())
        return;
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    m_options = new OptionsDialog(*this, m_settings, this);
    connect(m_options, &QDialog::finished, this, &MainWindow::activateLater);
    m_options->show();
}

void MainWindow::showAbout()
{
    if (m_about) {
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    m_about = new AboutDialog(*this, this);
    connect(m_about, &QDialog::finished, this, &MainWindow::activateLater);
    m_about->show();
}

QCoro::Task<> MainWindow::openLog()
{
    auto *dialog = new QFileDialog(this, QStringLiteral("Open Log File"));
    dialog->setObjectName(QStringLiteral("OpenLog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // A log that does not exist yet is created.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(
        {QStringLiteral("Log Files (*.log)"), QStringLiteral("All Files (*.*)")});
    // Start in the last log's folder, never where a device file was last chosen: looking
    // into device files to pick their icons can block.
    dialog->setIconProvider(&m_plainIcons);
    dialog->setDirectory(m_logFolder.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                             : m_logFolder);
    QPointer<QFileDialog> guard = dialog;
    device::Wake wake(m_shutdown);
    wake.on(dialog, &QDialog::finished);
    dialog->open();
    const auto reason = co_await wake;
    if (!guard)
        co_return;
    const bool chosen = reason != device::Wake::Reason::Shutdown &&
                        guard->result() == QDialog::Accepted && !guard->selectedFiles().isEmpty();
    const QString path = chosen ? guard->selectedFiles().constFirst() : QString();
    guard->deleteLater();
    // Cancel changes nothing.
    if (chosen) {
        m_logFolder = QFileInfo(path).absolutePath();
        m_log.open(path, measure::modeLine(mode()));
    }
}

// --- the filter switch: on at the press on the raised button, off at the release of
// a click on the pressed one

void MainWindow::setFilter(bool on)
{
    ui.Pic1->setVisible(!on);
    ui.Pic2->setVisible(on);
    m_filterOn = on;
}

// --- exit

void MainWindow::closeEvent(QCloseEvent *event)
{
    unload(true);
    event->accept();
}

void MainWindow::endProgram()
{
    unload(false);
}

void MainWindow::unload(bool storePosition)
{
    if (m_unloading)
        return;
    m_unloading = true;
    // Every wait ends now and nothing more is sent to the counter.
    m_shutdown.trigger();
    if (m_about)
        m_about->close();
    if (m_options)
        m_options->close();
    if (storePosition && !isMinimized())
        m_settings.storePosition(float(x() * TwipsPerPixel), float(y() * TwipsPerPixel));
    m_log.close();
    m_link->release();
    emit programEnded();
}

// --- the panel as the measurement reads it

Mode MainWindow::mode() const
{
    if (ui.calibr->isChecked())
        return Mode::Calibration;
    if (ui.T->isChecked())
        return Mode::Period;
    if (ui.dt->isChecked())
        return Mode::Interval;
    if (ui.Sum->isChecked())
        return Mode::Count;
    return Mode::Frequency;
}

device::Input MainWindow::input() const
{
    return ui.Analog->isChecked() ? device::Input::Analog : device::Input::Digital;
}

device::Edge MainWindow::edge() const
{
    return ui.Sr->isChecked() ? device::Edge::Falling : device::Edge::Rising;
}

int MainWindow::level() const
{
    return ui.Slider1->value();
}

int MainWindow::position() const
{
    return ui.Slider2->value();
}

QString MainWindow::mainDisplay() const
{
    return ui.Tablo1->text();
}

void MainWindow::setMainDisplay(const QString &text)
{
    ui.Tablo1->setText(text);
}

QString MainWindow::secondDisplay() const
{
    return ui.Tablo2->text();
}

void MainWindow::setSecondDisplay(const QString &text)
{
    ui.Tablo2->setText(text);
}

void MainWindow::setShown(measure::Part part, bool shown)
{
    QWidget *widget = nullptr;
    switch (part) {
    case measure::Part::Tablo2:
        widget = ui.Tablo2;
        break;
    case measure::Part::oneX:
        widget = ui.oneX;
        break;
    case measure::Part::Ndp:
        widget = ui.Ndp;
        break;
    case measure::Part::scal:
        widget = ui.scal;
        break;
    case measure::Part::Slider2:
        widget = ui.Slider2;
        break;
    }
    widget->setVisible(shown);
}

void MainWindow::setPositionCaption(const QString &caption)
{
    ui.Ndp->setText(caption);
}

void MainWindow::setPosition(int value)
{
    ui.Slider2->setValue(value);
}

void MainWindow::setPositionEnabled(bool enabled)
{
    ui.Slider2->setEnabled(enabled);
}

void MainWindow::showProgress(int percent)
{
    ui.ProgressBar1->setValue(percent);
}

void MainWindow::showCycleRunning(bool running)
{
    ui.Str11->setVisible(!running);
    ui.Str21->setVisible(running);
}

float MainWindow::cyclePause() const
{
    return m_meter->cyclePause();
}

void MainWindow::setCyclePause(float seconds)
{
    m_meter->setCyclePause(seconds);
}

} // namespace pelmix::ui
