#include "frmMain.h"

#include "Art.h"
#include "Pictures.h"
#include "TraceView.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmOptions.h"

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

frmMain::frmMain(const QString &simulatedDevice)
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
    Timer1 = std::make_unique<device::ProgressTimer>(*m_link);
    connect(Timer1.get(), &device::ProgressTimer::show, ui.ProgressBar1, &QProgressBar::setValue);
    m_meter = std::make_unique<measure::Meter>(*m_link, *this, m_messages, m_log);
    connectControls();

    // Start-up: the stored position and port; the port itself opens at the first show.
    m_portNumber = m_settings.Port();
    restorePosition();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmMain::onFocusWindowChanged);
}

frmMain::~frmMain()
{
    Form_Unload(false);
}

void frmMain::buildMenus()
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

void frmMain::connectControls()
{
    connect(ui.Pic1, &Picture::pressed, this, &frmMain::Pic1_MouseDown);
    connect(ui.Pic2, &Picture::released, this, &frmMain::Pic2_MouseUp);
    connect(ui.Str11, &Picture::pressed, m_meter.get(), &measure::Meter::Str11_MouseDown);
    connect(ui.Str21, &Picture::released, m_meter.get(), &measure::Meter::Str21_MouseUp);
    connect(ui.hand1, &QToolButton::clicked, m_meter.get(), &measure::Meter::hand1_Click);

    const std::pair<PictureButton *, void (*)(measure::FrontPanel &, measure::ResultLog &)>
        modes[] = {{ui.F, measure::F_Click},
                   {ui.calibr, measure::calibr_Click},
                   {ui.T, measure::T_Click},
                   {ui.dt, measure::dt_Click},
                   {ui.Sum, measure::Sum_Click}};
    for (const auto &[button, handler] : modes) {
        connect(button, &QToolButton::toggled, this, [this, handler = handler](bool selected) {
            if (selected)
                handler(*this, m_log);
        });
    }

    connect(ui.mnuFOpen, &QAction::triggered, this, [this] { mnuFOpen_Click(); });
    connect(ui.mnuFSave, &QAction::triggered, &m_log, &LogFile::close);
    connect(ui.mnuFExit, &QAction::triggered, this, &QWidget::close);
    connect(ui.mnuOSelect, &QAction::triggered, this, &frmMain::mnuOSelect_Click);
    connect(ui.mnuHAbout, &QAction::triggered, this, &frmMain::mnuHAbout_Click);
    connect(&m_log, &LogFile::openChanged, this, [this](bool open) {
        ui.mnuFOpen->setEnabled(!open);
        ui.mnuFSave->setEnabled(open);
    });
    connect(&m_log, &LogFile::failed, this,
            [this](const QString &message) { m_messages.show(message); });
}

void frmMain::restorePosition()
{
    const QPoint stored(qRound(m_settings.MainLeft() / TwipsPerPixel),
                        qRound(m_settings.MainTop() / TwipsPerPixel));
    // A position on no screen (a monitor since removed) is replaced by a centred one.
    const QPoint titleBar = stored + QPoint(40, 10);
    if (QGuiApplication::screenAt(titleBar)) {
        move(stored);
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(sizeHint().width() / 2, sizeHint().height() / 2));
    }
}

QString frmMain::systemPortFor(int portNumber) const
{
    return m_simulatedDevice.isEmpty() ? m_settings.systemPortFor(portNumber) : m_simulatedDevice;
}

// --- activation: the port opens at the first show and on every return from a dialog

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        activateLater();
    }
}

void frmMain::activateLater()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_shutdown.isTriggered())
                Form_Activate();
        },
        Qt::QueuedConnection);
}

void frmMain::onFocusWindowChanged(QWindow *window)
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

QCoro::Task<> frmMain::Form_Activate()
{
    const auto failure = m_link->setUp(m_portNumber, systemPortFor(m_portNumber));
    if (!failure)
        co_return;
    try {
        co_await m_messages.message(*failure);
    } catch (const device::Cancelled &) {
        co_return;
    }
    mnuOSelect_Click();
}

void frmMain::releasePort()
{
    if (auto failure = m_link->release())
        m_messages.show(*failure);
}

// --- dialogs and menus

void frmMain::mnuOSelect_Click()
{
    if (m_shutdown.isTriggered())
        return;
    if (m_options) {
        m_options->raise();
        m_options->activateWindow();
        return;
    }
    m_options = new frmOptions(*this, m_settings, this);
    connect(m_options, &QDialog::finished, this, &frmMain::activateLater);
    m_options->show();
}

void frmMain::mnuHAbout_Click()
{
    if (m_about) {
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    m_about = new frmAbout(*this, this);
    connect(m_about, &QDialog::finished, this, &frmMain::activateLater);
    m_about->show();
}

QCoro::Task<> frmMain::mnuFOpen_Click()
{
    auto *OpenLog = new QFileDialog(this, QStringLiteral("Open Log File"));
    OpenLog->setObjectName(QStringLiteral("OpenLog"));
    OpenLog->setAcceptMode(QFileDialog::AcceptOpen);
    // A log that does not exist yet is created.
    OpenLog->setFileMode(QFileDialog::AnyFile);
    OpenLog->setNameFilters(
        {QStringLiteral("Log Files (*.log)"), QStringLiteral("All Files (*.*)")});
    // Start in the last log's folder, never where a device file was last chosen: looking
    // into device files to pick their icons can block.
    OpenLog->setIconProvider(&m_plainIcons);
    OpenLog->setDirectory(m_logFolder.isEmpty()
                              ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                              : m_logFolder);
    QPointer<QFileDialog> dialog = OpenLog;
    device::Wake wake(m_shutdown);
    wake.on(OpenLog, &QDialog::finished);
    OpenLog->open();
    const auto reason = co_await wake;
    if (!dialog)
        co_return;
    const bool chosen = reason != device::Wake::Reason::Shutdown &&
                        dialog->result() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
    const QString path = chosen ? dialog->selectedFiles().constFirst() : QString();
    dialog->deleteLater();
    // Cancel changes nothing.
    if (chosen) {
        m_logFolder = QFileInfo(path).absolutePath();
        m_log.open(path, measure::modeLine(mode()));
    }
}

// --- the filter switch: on at the press on the raised button, off at the release of
// a click on the pressed one

void frmMain::Pic1_MouseDown()
{
    ui.Pic1->hide();
    ui.Pic2->show();
    m_filterOn = true;
}

void frmMain::Pic2_MouseUp()
{
    ui.Pic2->hide();
    ui.Pic1->show();
    m_filterOn = false;
}

// --- exit

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload(true);
    event->accept();
}

void frmMain::endProgram()
{
    Form_Unload(false);
}

void frmMain::Form_Unload(bool storePosition)
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

Mode frmMain::mode() const
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

device::Input frmMain::input() const
{
    return ui.Analog->isChecked() ? device::Input::Analog : device::Input::Digital;
}

device::Edge frmMain::edge() const
{
    return ui.Sr->isChecked() ? device::Edge::Falling : device::Edge::Rising;
}

int frmMain::Slider1() const
{
    return ui.Slider1->value();
}

int frmMain::Slider2() const
{
    return ui.Slider2->value();
}

QString frmMain::Tablo1() const
{
    return ui.Tablo1->text();
}

void frmMain::setTablo1(const QString &text)
{
    ui.Tablo1->setText(text);
}

QString frmMain::Tablo2() const
{
    return ui.Tablo2->text();
}

void frmMain::setTablo2(const QString &text)
{
    ui.Tablo2->setText(text);
}

void frmMain::setShown(measure::Part part, bool shown)
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

void frmMain::setNdp(const QString &caption)
{
    ui.Ndp->setText(caption);
}

void frmMain::setSlider2(int value)
{
    ui.Slider2->setValue(value);
}

void frmMain::setSlider2Enabled(bool enabled)
{
    ui.Slider2->setEnabled(enabled);
}

void frmMain::setProgressBar1(int percent)
{
    ui.ProgressBar1->setValue(percent);
}

void frmMain::showCycleRunning(bool running)
{
    ui.Str11->setVisible(!running);
    ui.Str21->setVisible(running);
}

float frmMain::IndicationTime() const
{
    return m_meter->IndicationTime;
}

void frmMain::setIndicationTime(float seconds)
{
    m_meter->IndicationTime = seconds;
}

} // namespace pelmix::ui
