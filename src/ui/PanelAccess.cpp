#include "PanelAccess.h"

#include "PanelControls.h"
#include "Pictures.h"

#include <QHelpEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QProgressBar>
#include <QShortcut>
#include <QSlider>
#include <QToolTip>

namespace pelmix::ui {

namespace {

void describe(QWidget *widget, const QString &name, const QString &description)
{
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

const char *const ShortcutProperty = "pelmixShortcut";

} // namespace

PanelAccess::PanelAccess(QWidget &window, const PanelControls &controls)
    : QObject(&window)
    , m_window(window)
    , ui(controls)
{
    describe();
    addShortcuts();
}

void PanelAccess::describe()
{
    using pelmix::ui::describe;
    describe(ui.Tablo1, tr("Main display"), tr("The result of the latest measurement"));
    describe(ui.Tablo2, tr("Second display"), tr("The reciprocal of the main display"));
    describe(ui.ProgressBar1, tr("Measurement progress"),
             tr("How much of the wait for the counter's reply has passed"));
    describe(ui.calibr, tr("Calibration"), tr("Measuring mode: calibration"));
    describe(ui.F, tr("Frequency"), tr("Measuring mode: frequency"));
    describe(ui.T, tr("Period"), tr("Measuring mode: period"));
    describe(ui.dt, tr("Time interval"), tr("Measuring mode: time interval"));
    describe(ui.Sum, tr("Pulse count"), tr("Measuring mode: counting pulses"));
    describe(ui.Digital, tr("Digital input"), tr("Input kind: digital level"));
    describe(ui.Analog, tr("Analog input"), tr("Input kind: analog level"));
    describe(ui.Slider1, tr("Trigger level"), tr("Trigger level position, 0 to 7"));
    describe(ui.Pic1, tr("Low-pass filter"), tr("Off; press to switch it on"));
    describe(ui.Pic2, tr("Low-pass filter"), tr("On; press to switch it off"));
    describe(ui.Sr, tr("Falling edge"), tr("Trigger on the falling edge"));
    describe(ui.Fr, tr("Rising edge"), tr("Trigger on the rising edge"));
    nameSlider2(ui, false);
    describe(ui.Str11, tr("Start cyclical measuring"),
             tr("Measures again and again, with the pause set in the options between"));
    describe(ui.Str21, tr("Stop cyclical measuring"),
             tr("The measurement under way finishes, then measuring stops"));
    describe(ui.hand1, tr("Measure once"), tr("Takes one measurement"));
    for (Picture *picture : {ui.Pic1, ui.Pic2, ui.Str11, ui.Str21})
        picture->setOperable(true);

    // The panel read from left to right: the input, the mode, the measuring time, then
    // measuring itself.
    const QList<QWidget *> order{ui.Digital, ui.Analog, ui.Slider1, ui.Pic1, ui.Pic2, ui.Sr,
                                 ui.Fr,      ui.calibr, ui.F,       ui.T,    ui.dt,   ui.Sum,
                                 ui.Slider2, ui.Str11,  ui.Str21,   ui.hand1};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void PanelAccess::nameSlider2(const PanelControls &controls, bool multiplier)
{
    if (multiplier)
        pelmix::ui::describe(controls.Slider2, tr("Multiplier"),
                             tr("The period is measured over 10 to the power of this many "
                                "periods, 0 to 4"));
    else
        pelmix::ui::describe(controls.Slider2, tr("Measuring time"),
                             tr("10 to the power of this many milliseconds, 0 to 4"));
}

void PanelAccess::addShortcuts()
{
    auto shortcut = [this](QWidget *control, const QKeySequence &keys) {
        control->setProperty(ShortcutProperty, keys.toString(QKeySequence::NativeText));
        control->installEventFilter(this);
    };
    ui.hand1->setShortcut(Qt::Key_F5);
    shortcut(ui.hand1, Qt::Key_F5);
    const std::pair<PictureButton *, Qt::Key> modes[] = {{ui.calibr, Qt::Key_1},
                                                         {ui.F, Qt::Key_2},
                                                         {ui.T, Qt::Key_3},
                                                         {ui.dt, Qt::Key_4},
                                                         {ui.Sum, Qt::Key_5}};
    for (const auto &[button, key] : modes) {
        button->setShortcut(QKeySequence(Qt::CTRL | key));
        shortcut(button, QKeySequence(Qt::CTRL | key));
    }
    // F6 works whichever of the two cycle pictures is shown, as a click on it would.
    auto *cycle = new QShortcut(Qt::Key_F6, &m_window);
    connect(cycle, &QShortcut::activated, this,
            [this] { (ui.Str11->isVisible() ? ui.Str11 : ui.Str21)->activate(); });
    shortcut(ui.Str11, Qt::Key_F6);
    shortcut(ui.Str21, Qt::Key_F6);
}

bool PanelAccess::eventFilter(QObject *watched, QEvent *event)
{
    // The tooltip keeps its own words and names the shortcut on a line of its own.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget && event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        QToolTip::showText(help->globalPos(),
                           widget->toolTip().trimmed() + QLatin1Char('\n') +
                               widget->property(ShortcutProperty).toString(),
                           widget);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pelmix::ui
