#include "PanelControls.h"

#include "Pictures.h"
#include "SliderScale.h"
#include "Twips.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>

namespace pelmix::ui {

namespace {

// One selected button per section, and a click on the selected one keeps it selected.
void exclusive(QObject *owner, std::initializer_list<QAbstractButton *> buttons)
{
    auto *group = new QButtonGroup(owner);
    group->setExclusive(true);
    for (QAbstractButton *button : buttons)
        group->addButton(button);
}

template<typename Widget> Widget *place(Widget *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QFrame *frame(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *frame = place(new QFrame(parent), name, geometry);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken); // etched, like a panel's groove
    return frame;
}

Picture *picture(QWidget *parent, const char *art, const char *name, const QRect &geometry,
                 const char *toolTip = nullptr)
{
    auto *picture = place(new Picture(QLatin1String(art), parent), name, geometry);
    if (toolTip)
        picture->setToolTip(QLatin1String(toolTip));
    return picture;
}

PictureButton *button(QWidget *parent, const char *art, QSize pictureSize, bool option,
                      const char *name, const QRect &geometry, const char *toolTip)
{
    auto *button =
        place(new PictureButton(QLatin1String(art), pictureSize, option, parent), name, geometry);
    button->setToolTip(QLatin1String(toolTip));
    return button;
}

QLabel *label(QWidget *parent, const QString &text, qreal points, const char *name,
              const QRect &geometry)
{
    auto *label = place(new QLabel(text, parent), name, geometry);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(points);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QLineEdit *display(QWidget *parent, const char *name, const QString &text)
{
    auto *box = place(new QLineEdit(text, parent), name, twips(120, 240, 3495, 735));
    QFont font(QStringList{QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                           QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(true);
    font.setPointSizeF(21.75);
    box->setFont(font);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFrame(false);
    box->setTextMargins(0, 0, 0, 0);
    box->setStyleSheet(
        QStringLiteral("QLineEdit { background: black; color: rgb(0, 192, 0); padding: 0 2px; }"));
    return box;
}

QSlider *slider(QSlider *slider, int maximum, const char *name, const QRect &geometry)
{
    place(slider, name, geometry);
    slider->setRange(0, maximum);
    slider->setValue(0);
    slider->setSingleStep(1);
    slider->setPageStep(5);
    slider->setTickInterval(1);
    slider->setTickPosition(slider->orientation() == Qt::Horizontal ? QSlider::TicksBelow
                                                                    : QSlider::TicksRight);
    return slider;
}

} // namespace

PanelControls buildPanelControls(QWidget *central)
{
    PanelControls c;
    // The panel frame's top edge sits above the window's client area, out of sight.
    c.fraPanel = frame(central, "fraPanel", twips(0, -120, 7935, 3975));
    QWidget *panel = c.fraPanel;

    QFrame *Tbl1 = frame(panel, "Tbl1", twips(1920, 360, 3735, 1095));
    c.Tablo1 = display(Tbl1, "Tablo1", QStringLiteral(" Pelmix"));
    QFrame *tbl2 = frame(panel, "tbl2", twips(1920, 1440, 3735, 1095));
    c.Tablo2 = display(tbl2, "Tablo2", QStringLiteral(" Version 1.4"));
    c.oneX = picture(panel, "onex", "oneX", twips(5640, 840, 480, 1290));
    c.ProgressBar1 = place(new QProgressBar(panel), "ProgressBar1", twips(1920, 2640, 3735, 255));
    c.ProgressBar1->setRange(0, 100);
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->setTextVisible(false);

    QFrame *e = frame(panel, "e", twips(1920, 2880, 3735, 975));
    const QSize mode(37, 29);
    c.calibr = button(e, "calibr", mode, true, "calibr", twips(120, 360, 615, 495), "Calibration");
    c.F = button(e, "freq", mode, true, "F", twips(840, 360, 615, 495), "Frequency measurement ");
    c.T = button(e, "period", mode, true, "T", twips(1560, 360, 615, 495), "Period measurement ");
    c.dt = button(e, "interval", mode, true, "dt", twips(2280, 360, 615, 495),
                  "Interval  measurement ");
    c.Sum = button(e, "sum", mode, true, "Sum", twips(3000, 360, 615, 495),
                   "Scoring of number of pulses");
    c.F->setChecked(true);
    exclusive(e, {c.calibr, c.F, c.T, c.dt, c.Sum});

    QFrame *fraInput = frame(panel, "fraInput", twips(120, 360, 1695, 3495));
    label(fraInput, QStringLiteral("Input"), 12, "lblInput", twips(480, 120, 735, 375));
    const QSize word(61, 21);
    c.Digital = button(fraInput, "digital", word, true, "Digital", twips(360, 480, 975, 375),
                       "Digital Level");
    c.Analog =
        button(fraInput, "analog", word, true, "Analog", twips(360, 960, 975, 375), "Analog Level");
    c.Digital->setChecked(true);
    exclusive(fraInput, {c.Digital, c.Analog});
    label(fraInput, QStringLiteral("Level"), 9.75, "lblLevel", twips(555, 1440, 615, 255));
    picture(fraInput, "minus", "imgMinus", twips(185, 1500, 165, 120));
    picture(fraInput, "plus", "imgPlus", twips(1320, 1440, 195, 180));
    c.Slider1 =
        slider(new QSlider(Qt::Horizontal, fraInput), 7, "Slider1", twips(120, 1680, 1455, 480));
    c.Pic1 =
        picture(fraInput, "filter-off", "Pic1", twips(360, 2225, 1065, 480), "Low Pass Filter");
    c.Pic2 = picture(fraInput, "filter-on", "Pic2", twips(360, 2225, 1065, 480), "Low Pass Filter");
    c.Pic2->hide();
    QFrame *fraEdge = frame(fraInput, "fraEdge", twips(240, 2640, 1215, 735));
    const QSize edge(21, 21);
    c.Sr = button(fraEdge, "falling", edge, true, "Sr", twips(150, 240, 375, 375), "Falling Edge");
    c.Fr = button(fraEdge, "rising", edge, true, "Fr", twips(750, 240, 375, 375), "Rising Edge");
    c.Fr->setChecked(true);
    exclusive(fraEdge, {c.Sr, c.Fr});

    QFrame *sl2r = frame(panel, "sl2r", twips(6240, 360, 1575, 2535));
    c.Ndp = label(sl2r, QStringLiteral("Meas. time         ms"), 9.75, "Ndp",
                  twips(240, 240, 1215, 495));
    auto *positions = new PositionSlider(Qt::Vertical, sl2r);
    c.Slider2 = slider(positions, 4, "Slider2", twips(360, 840, 585, 1575));
    // Position 0 (10^0) at the top, as the scale beside it reads.
    c.Slider2->setInvertedAppearance(true);
    c.Slider2->setInvertedControls(true);
    // As tall as the slider, so that the labels of both end positions fit beside it.
    c.scal = place(new SliderScale(*positions, sl2r), "scal", twips(960, 840, 375, 1575));

    QFrame *fraCycle = frame(panel, "fraCycle", twips(6240, 2950, 1575, 900));
    fraCycle->setToolTip(QStringLiteral("Manual mode"));
    c.Str11 = picture(fraCycle, "cycle-off", "Str11", twips(200, 265, 495, 495), "Cyclical Mode ");
    c.Str21 = picture(fraCycle, "cycle-on", "Str21", twips(200, 265, 495, 495), "Cyclical Mode ");
    c.Str21->hide();
    c.hand1 = button(fraCycle, "hand", QSize(27, 27), false, "hand1", twips(900, 270, 495, 495),
                     "Manual mode");

    // The trace of raw replies: kept, never shown.
    c.dbgout = place(new QPlainTextEdit(QStringLiteral("Текст1"), panel), "dbgout",
                     twips(5880, 2280, 375, 375));
    QFont traceFont(
        QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    traceFont.setPointSizeF(8.25);
    c.dbgout->setFont(traceFont);
    c.dbgout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Written only by the program: an undo history would grow with every reply.
    c.dbgout->setUndoRedoEnabled(false);
    c.dbgout->hide();
    return c;
}

void buildMenus(QMenuBar *bar, PanelControls &c)
{
    auto menu = [bar](const QString &title, const char *name) {
        QMenu *menu = bar->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    auto entry = [](QMenu *menu, const QString &text, const char *name) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    QMenu *mnuFile = menu(QStringLiteral("&File"), "mnuFile");
    c.mnuFOpen = entry(mnuFile, QStringLiteral("Open Log File"), "mnuFOpen");
    c.mnuFOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    c.mnuFSave = entry(mnuFile, QStringLiteral("Save Log File"), "mnuFSave");
    c.mnuFExit = entry(mnuFile, QStringLiteral("&Exit"), "mnuFExit");
    c.mnuFExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    c.mnuOSelect = entry(menu(QStringLiteral("&Options"), "mnuOptions"), QStringLiteral("&Options"),
                         "mnuOSelect");
    c.mnuHAbout = entry(menu(QStringLiteral("&Help"), "mnuOptionsAbout"), QStringLiteral("About"),
                        "mnuHAbout");
    c.mnuFSave->setEnabled(false);
}

} // namespace pelmix::ui
