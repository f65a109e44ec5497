// The main window, offscreen, driven like an operator would, against the simulated
// counter over a real pseudo-terminal.

#include "../common/UiRig.h"

#include "ui/Pictures.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

using namespace pelmix;
using pelmix::test::UiRig;
using ui::px;

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void firstStartWithEmptyStore();
    void controls_data();
    void controls();
    void menus();
    void filterSwitchPressAndRelease();
    void cycleStartedAndStoppedWithTheMouse();
    void singleMeasurementShowsTheResult();
    void modeButtonsPrepareThePanel();
    void intervalLeavesTheSliderDisabledUntilNextMeasurement();
    void portThatCannotBeOpenedThenRetry();
    void dialogReturnKeepsTheMeasurement_data();
    void dialogReturnKeepsTheMeasurement();
    void exitWhileCycleWaitsSendsNothingMore_data();
    void exitWhileCycleWaitsSendsNothingMore();
    void exitStoresThePosition();
    void exitWhileMinimisedKeepsTheStoredPosition();
    void positionOnNoScreenIsCentred();
    void garbageInTheStoreGivesDefaults();
};

void MainWindowTest::firstStartWithEmptyStore()
{
    UiRig rig([](QSettings &s, UiRig &) { s.remove(QStringLiteral("Ports")); }, false);
    // 1000 twips; Com2, which is /dev/ttyS1 here and fails to open on this machine or not.
    QCOMPARE(rig.window->pos(), QPoint(px(1000), px(1000)));
    QCOMPARE(rig.window->portNumber(), qint16(2));
    QCOMPARE(rig.window->systemPortFor(2), u"/dev/ttyS1"_qs);
    QCOMPARE(rig.find<QLineEdit>("Tablo1")->text(), u" Pelmix"_qs);
    QCOMPARE(rig.find<QLineEdit>("Tablo2")->text(), u" Version 1.4"_qs);
    QCOMPARE(rig.window->panel().mode(), device::Mode::Frequency);
    QCOMPARE(rig.window->panel().input(), device::Input::Digital);
    QCOMPARE(rig.window->panel().edge(), device::Edge::Rising);
    QVERIFY(!rig.window->panel().filterOn());
    QCOMPARE(rig.window->panel().level(), 0);
    QCOMPARE(rig.window->panel().position(), 0);
    QCOMPARE(rig.meter().cyclePause(), 1.0f);
    QCOMPARE(rig.window->windowTitle(), u"Pelmix"_qs);
    QVERIFY(!rig.window->windowIcon().isNull());
    // Fixed size: the client area of 7965 x 3870 twips under the menu bar.
    QCOMPARE(rig.window->centralWidget()->size(), QSize(px(7965), px(3870)));
    QCOMPARE(rig.window->minimumSize(), rig.window->maximumSize());
    QVERIFY(!(rig.window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(rig.window->windowFlags() & Qt::WindowMinimizeButtonHint));
    if (test::visibleMessageBox())
        QVERIFY(test::answerMessage().startsWith(u"Com2 (/dev/ttyS1): "_qs));
}

void MainWindowTest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("toolTip");

    auto row = [](const char *name, const char *parent, int l, int t, int w, int h,
                  bool visible = true, const char *tip = "") {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent)
                            << QRect(l, t, w, h) << visible << QString::fromLatin1(tip);
    };
    row("fraPanel", "", 0, -120, 7935, 3975);
    row("Tbl1", "fraPanel", 1920, 360, 3735, 1095);
    row("Tablo1", "Tbl1", 120, 240, 3495, 735);
    row("tbl2", "fraPanel", 1920, 1440, 3735, 1095);
    row("Tablo2", "tbl2", 120, 240, 3495, 735);
    row("oneX", "fraPanel", 5640, 840, 480, 1290);
    row("ProgressBar1", "fraPanel", 1920, 2640, 3735, 255);
    row("e", "fraPanel", 1920, 2880, 3735, 975);
    row("calibr", "e", 120, 360, 615, 495, true, "Calibration");
    row("F", "e", 840, 360, 615, 495, true, "Frequency measurement ");
    row("T", "e", 1560, 360, 615, 495, true, "Period measurement ");
    row("dt", "e", 2280, 360, 615, 495, true, "Interval  measurement ");
    row("Sum", "e", 3000, 360, 615, 495, true, "Scoring of number of pulses");
    row("fraInput", "fraPanel", 120, 360, 1695, 3495);
    row("lblInput", "fraInput", 480, 120, 735, 375);
    row("Digital", "fraInput", 360, 480, 975, 375, true, "Digital Level");
    row("Analog", "fraInput", 360, 960, 975, 375, true, "Analog Level");
    row("lblLevel", "fraInput", 555, 1440, 615, 255);
    row("imgMinus", "fraInput", 185, 1500, 165, 120);
    row("imgPlus", "fraInput", 1320, 1440, 195, 180);
    row("Slider1", "fraInput", 120, 1680, 1455, 480);
    row("Pic1", "fraInput", 360, 2225, 1065, 480, true, "Low Pass Filter");
    row("Pic2", "fraInput", 360, 2225, 1065, 480, false, "Low Pass Filter");
    row("fraEdge", "fraInput", 240, 2640, 1215, 735);
    row("Sr", "fraEdge", 150, 240, 375, 375, true, "Falling Edge");
    row("Fr", "fraEdge", 750, 240, 375, 375, true, "Rising Edge");
    row("sl2r", "fraPanel", 6240, 360, 1575, 2535);
    row("Ndp", "sl2r", 240, 240, 1215, 495);
    row("Slider2", "sl2r", 360, 840, 585, 1575);
    row("scal", "sl2r", 960, 840, 375, 1425);
    row("fraCycle", "fraPanel", 6240, 2950, 1575, 900, true, "Manual mode");
    row("Str11", "fraCycle", 200, 265, 495, 495, true, "Cyclical Mode ");
    row("Str21", "fraCycle", 200, 265, 495, 495, false, "Cyclical Mode ");
    row("hand1", "fraCycle", 900, 270, 495, 495, true, "Manual mode");
    row("dbgout", "fraPanel", 5880, 2280, 375, 375, false);
}

void MainWindowTest::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    QFETCH(bool, visible);
    QFETCH(QString, toolTip);

    UiRig rig;
    QWidget *widget = rig.find(name.toLatin1().constData());
    QVERIFY(widget);
    if (!parent.isEmpty())
        QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), ui::twips(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(widget->isVisibleTo(rig.window.get()), visible);
    QCOMPARE(widget->toolTip(), toolTip);
}

void MainWindowTest::menus()
{
    UiRig rig;
    const QStringList top = [&] {
        QStringList titles;
        for (QAction *a : rig.window->menuBar()->actions())
            titles << a->text();
        return titles;
    }();
    QCOMPARE(top, (QStringList{u"&File"_qs, u"&Options"_qs, u"&Help"_qs, u"&Analysis"_qs}));
    QCOMPARE(rig.action("mnuFOpen")->text(), u"Open Log File"_qs);
    QVERIFY(rig.action("mnuFOpen")->isEnabled());
    QCOMPARE(rig.action("mnuFSave")->text(), u"Save Log File"_qs);
    QVERIFY(!rig.action("mnuFSave")->isEnabled());
    QCOMPARE(rig.action("mnuFExit")->text(), u"&Exit"_qs);
    QCOMPARE(rig.action("mnuOSelect")->text(), u"&Options"_qs);
    QCOMPARE(rig.action("mnuHAbout")->text(), u"About"_qs);
    QVERIFY(rig.find<QMenu>("mnuFile") && rig.find<QMenu>("mnuOptions") &&
            rig.find<QMenu>("mnuOptionsAbout"));

    // The displays: black, green, the window's large bold typewriter font.
    auto *Tablo1 = rig.find<QLineEdit>("Tablo1");
    QCOMPARE(Tablo1->palette().color(QPalette::Text), QColor(0, 192, 0));
    QCOMPARE(Tablo1->palette().color(QPalette::Base), QColor(Qt::black));
    QVERIFY(Tablo1->font().bold());
    QCOMPARE(Tablo1->font().pointSizeF(), 21.75);
    QVERIFY(QFontInfo(Tablo1->font()).fixedPitch());
    // Thirteen characters fit the box.
    QVERIFY(QFontMetrics(Tablo1->font()).horizontalAdvance(QString(13, u'8')) <= Tablo1->width());
    QCOMPARE(rig.find<QLabel>("lblInput")->text(), u"Input"_qs);
    QCOMPARE(rig.find<QLabel>("lblInput")->font().pointSizeF(), 12.0);
    QCOMPARE(rig.find<QLabel>("lblLevel")->text(), u"Level"_qs);
    QCOMPARE(rig.find<QLabel>("Ndp")->text(), u"Meas. time         ms"_qs);
    QCOMPARE(rig.find<QPlainTextEdit>("dbgout")->toPlainText().left(6), u"Текст1"_qs);
    auto *Slider1 = rig.find<QSlider>("Slider1");
    QCOMPARE(Slider1->maximum(), 7);
    QCOMPARE(Slider1->pageStep(), 5);
    QCOMPARE(Slider1->tickInterval(), 1);
    auto *Slider2 = rig.find<QSlider>("Slider2");
    QCOMPARE(Slider2->maximum(), 4);
    QCOMPARE(Slider2->orientation(), Qt::Vertical);
    QCOMPARE(rig.find<QProgressBar>("ProgressBar1")->maximum(), 100);
    QVERIFY(rig.find<QToolButton>("F")->isChecked());
    QVERIFY(rig.find<QToolButton>("Digital")->isChecked());
    QVERIFY(rig.find<QToolButton>("Fr")->isChecked());
    QVERIFY(!rig.find<QToolButton>("hand1")->isCheckable());
}

void MainWindowTest::filterSwitchPressAndRelease()
{
    UiRig rig;
    auto *Pic1 = rig.find("Pic1");
    auto *Pic2 = rig.find("Pic2");

    QTest::mousePress(Pic1, Qt::LeftButton);
    QVERIFY(!Pic1->isVisible() && Pic2->isVisible());
    QVERIFY(rig.window->panel().filterOn());
    // The release of the same click, over the pressed-in picture, changes nothing.
    QTest::mouseRelease(Pic2, Qt::LeftButton);
    QVERIFY(rig.window->panel().filterOn());
    // A press alone on the pressed-in picture does nothing either.
    QTest::mousePress(Pic2, Qt::RightButton);
    QVERIFY(rig.window->panel().filterOn() && Pic2->isVisible());
    QTest::mouseRelease(Pic2, Qt::RightButton);
    QVERIFY(!rig.window->panel().filterOn());
    QVERIFY(Pic1->isVisible() && !Pic2->isVisible());

    // The upload sends what the switch shows.
    QTest::mouseClick(Pic1, Qt::LeftButton);
    rig.find<QToolButton>("hand1")->click();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.server.commands(), QByteArray("wFKbjD"));
}

void MainWindowTest::cycleStartedAndStoppedWithTheMouse()
{
    UiRig rig;
    rig.meter().setCyclePause(0.2f);
    auto *Str11 = rig.find("Str11");
    auto *Str21 = rig.find("Str21");

    QTest::mousePress(Str11, Qt::LeftButton);
    QVERIFY(Str21->isVisible() && !Str11->isVisible());
    QTest::mouseRelease(Str21, Qt::LeftButton); // the same click's release
    QVERIFY(rig.meter().isCycleRunning());
    QTRY_VERIFY(rig.server.commands().count('D') >= 2);
    QTest::mouseClick(Str21, Qt::LeftButton);
    QVERIFY(Str11->isVisible() && !Str21->isVisible());
    QVERIFY(!rig.meter().isCycleRunning());
    QVERIFY(rig.waitIdle());
    const QByteArray sent = rig.server.commands();
    QTest::qWait(400);
    QCOMPARE(rig.server.commands(), sent);
    QCOMPARE(rig.server.overlaps(), 0);
}

void MainWindowTest::singleMeasurementShowsTheResult()
{
    UiRig rig;
    QList<int> bar;
    QObject::connect(rig.find<QProgressBar>("ProgressBar1"), &QProgressBar::valueChanged,
                     rig.window.get(), [&](int value) { bar.append(value); });
    QTest::mouseClick(rig.find("hand1"), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.find<QLineEdit>("Tablo1")->text(), u"        12kHz"_qs);
    QCOMPARE(rig.find<QLineEdit>("Tablo2")->text(), u"      83.3mkS"_qs);
    // The bar shows full after a frequency measurement, until m_progressTimer's next tick.
    QTRY_COMPARE(rig.find<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(bar.contains(100));
    // Every reply went to the trace.
    QVERIFY(rig.find<QPlainTextEdit>("dbgout")->toPlainText().contains(u"F0000000C"_qs));
}

void MainWindowTest::modeButtonsPrepareThePanel()
{
    UiRig rig;
    auto shown = [&](const char *name) { return rig.find(name)->isVisibleTo(rig.window.get()); };
    auto *Ndp = rig.find<QLabel>("Ndp");

    rig.find<QToolButton>("T")->click();
    QCOMPARE(rig.window->panel().mode(), device::Mode::Period);
    QCOMPARE(Ndp->text(), u" Multiplier"_qs);
    QCOMPARE(rig.text("Tablo1"), QString());
    QCOMPARE(rig.text("Tablo2"), QString());
    rig.find<QToolButton>("calibr")->click();
    QCOMPARE(Ndp->text(), u" Multiplier"_qs);
    rig.find<QToolButton>("dt")->click();
    for (const char *name : {"Tablo2", "oneX", "Ndp", "scal", "Slider2"})
        QVERIFY2(!shown(name), name);
    rig.find<QToolButton>("Sum")->click();
    QVERIFY(!shown("Tablo2"));
    rig.find<QToolButton>("F")->click();
    QCOMPARE(Ndp->text(), u"Meas. time         ms"_qs);
    for (const char *name : {"Tablo2", "oneX", "Ndp", "scal", "Slider2"})
        QVERIFY2(shown(name), name);

    // Counting sends its mode letter only.
    rig.find<QToolButton>("Sum")->click();
    rig.find<QToolButton>("hand1")->click();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.server.commands(), QByteArray("wPD"));
}

void MainWindowTest::intervalLeavesTheSliderDisabledUntilNextMeasurement()
{
    UiRig rig;
    auto *Slider2 = rig.find<QSlider>("Slider2");
    Slider2->setValue(2);
    rig.find<QToolButton>("dt")->click();
    rig.find<QToolButton>("hand1")->click();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.text("Tablo1"), u"     250.0mkS"_qs);

    rig.find<QToolButton>("F")->click();
    QVERIFY(Slider2->isVisible());
    QCOMPARE(Slider2->value(), 0);
    QVERIFY(!Slider2->isEnabled());
    rig.find<QToolButton>("hand1")->click();
    QVERIFY(!Slider2->isEnabled()); // until the frequency routine itself begins
    QVERIFY(rig.waitIdle());
    QVERIFY(Slider2->isEnabled());
}

void MainWindowTest::portThatCannotBeOpenedThenRetry()
{
    UiRig rig([](QSettings &s, UiRig &) { s.setValue(u"Ports/Com2"_qs, u"/nonexistent/tty"_qs); },
              false);
    const QString message = test::answerMessage();
    QVERIFY2(message.startsWith(u"Com2 (/nonexistent/tty): "_qs), qPrintable(message));
    // Once, then the options dialog.
    QTRY_VERIFY(rig.find("frmOptions") && rig.find("frmOptions")->isVisible());
    QVERIFY(!test::visibleMessageBox());

    test::store().setValue(u"Ports/Com3"_qs, rig.server.devicePath());
    rig.find<QComboBox>("cboPort")->setCurrentIndex(2);
    rig.find<QPushButton>("cmdOK")->click();
    QTRY_VERIFY(rig.link().isOpen());
    QVERIFY(rig.link().portLabel().startsWith(u"Com3 ("_qs));
    QTest::qWait(100);
    QVERIFY(!test::visibleMessageBox());
    QCOMPARE(test::store().value(u"Settings/Port"_qs).toString(), u"3"_qs);
}

void MainWindowTest::dialogReturnKeepsTheMeasurement_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("close");
    QTest::newRow("about box, OK") << u"frmAbout"_qs << u"cmdOK"_qs;
    QTest::newRow("about box, close box") << u"frmAbout"_qs << QString();
    QTest::newRow("options, OK unchanged") << u"frmOptions"_qs << u"cmdOK"_qs;
    QTest::newRow("options, close box") << u"frmOptions"_qs << QString();
}

void MainWindowTest::dialogReturnKeepsTheMeasurement()
{
    QFETCH(QString, dialog);
    QFETCH(QString, close);
    UiRig rig;
    int closes = 0;
    QObject::connect(&rig.link().serialPort(), &QSerialPort::aboutToClose, rig.window.get(),
                     [&] { ++closes; });
    rig.model.setTime(3); // "D" takes a second
    rig.find<QSlider>("Slider2")->setValue(3);
    rig.meter().setCyclePause(0.2f);
    rig.meter().startCycle();
    QTRY_VERIFY(rig.server.commands().endsWith('D'));

    // Opened and closed while the counter measures.
    rig.action(dialog == u"frmAbout"_qs ? "mnuHAbout" : "mnuOSelect")->trigger();
    auto *box = rig.find<QDialog>(dialog.toLatin1().constData());
    QVERIFY(box && box->isVisible());
    rig.action(dialog == u"frmAbout"_qs ? "mnuHAbout" : "mnuOSelect")->trigger(); // only raises
    QCOMPARE(rig.window->findChildren<QDialog *>(dialog).size(), 1);
    if (close.isEmpty())
        box->close();
    else
        box->findChild<QPushButton *>(close)->click();
    QTRY_VERIFY(!rig.find(dialog.toLatin1().constData()));

    // The measurement under way ends with its result, the cycle goes on, the port stays.
    QTRY_COMPARE(rig.text("Tablo1"), u"    12.346kHz"_qs);
    QVERIFY(rig.meter().isCycleRunning());
    QTRY_VERIFY(rig.server.commands().count('w') >= 2);
    rig.meter().stopCycle();
    QVERIFY(rig.waitIdle());
    QCOMPARE(closes, 0);
    QVERIFY(!test::visibleMessageBox());
}

void MainWindowTest::exitWhileCycleWaitsSendsNothingMore_data()
{
    QTest::addColumn<QString>("during");
    QTest::newRow("pause") << u"pause"_qs;
    QTest::newRow("exchange") << u"exchange"_qs;
    QTest::newRow("message box") << u"message"_qs;
    QTest::newRow("options dialog") << u"dialog"_qs;
}

void MainWindowTest::exitWhileCycleWaitsSendsNothingMore()
{
    QFETCH(QString, during);
    UiRig rig;
    rig.meter().setCyclePause(0.5f);
    if (during == u"exchange"_qs) {
        rig.model.setTime(3); // "D" takes a second
        rig.find<QSlider>("Slider2")->setValue(3);
    }
    if (during == u"message"_qs)
        rig.model.faults().silent = true;
    rig.meter().startCycle();
    if (during == u"pause"_qs)
        QTRY_VERIFY(rig.server.commands().count('D') == 1 && !rig.meter().isMeasuring());
    else if (during == u"exchange"_qs)
        QTRY_VERIFY(rig.server.commands().endsWith('D'));
    else if (during == u"message"_qs)
        QTRY_VERIFY(test::visibleMessageBox());
    else
        rig.action("mnuOSelect")->trigger();

    const QByteArray sent = rig.server.commands();
    rig.window->close();
    QVERIFY(rig.ended);
    QVERIFY(!rig.link().isOpen());
    QVERIFY(!test::visibleMessageBox());
    QVERIFY(!rig.find("frmOptions") || !rig.find("frmOptions")->isVisible());
    QTest::qWait(1200);
    QCOMPARE(rig.server.commands(), sent);
    QCOMPARE(rig.meter().activeTasks(), 0);
}

void MainWindowTest::exitStoresThePosition()
{
    UiRig rig;
    rig.window->move(300, 200);
    rig.action("mnuFExit")->trigger();
    QVERIFY(rig.ended);
    QCOMPARE(test::store().value(u"Settings/MainLeft"_qs).toString(), u"4500"_qs);
    QCOMPARE(test::store().value(u"Settings/MainTop"_qs).toString(), u"3000"_qs);
}

void MainWindowTest::exitWhileMinimisedKeepsTheStoredPosition()
{
    UiRig rig([](QSettings &s, UiRig &) {
        s.setValue(u"Settings/MainLeft"_qs, u"1500"_qs);
        s.setValue(u"Settings/MainTop"_qs, u"1650"_qs);
    });
    QCOMPARE(rig.window->pos(), QPoint(100, 110));
    rig.window->showMinimized();
    rig.window->move(10, 10);
    rig.window->close();
    QVERIFY(rig.ended);
    QCOMPARE(test::store().value(u"Settings/MainLeft"_qs).toString(), u"1500"_qs);
    QCOMPARE(test::store().value(u"Settings/MainTop"_qs).toString(), u"1650"_qs);
}

void MainWindowTest::positionOnNoScreenIsCentred()
{
    UiRig rig([](QSettings &s, UiRig &) {
        s.setValue(u"Settings/MainLeft"_qs, u"-300000"_qs);
        s.setValue(u"Settings/MainTop"_qs, u"900000"_qs);
    });
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.contains(rig.window->frameGeometry().center()));
    QVERIFY(qAbs(rig.window->frameGeometry().center().x() - screen.center().x()) < 20);
}

void MainWindowTest::garbageInTheStoreGivesDefaults()
{
    UiRig rig([](QSettings &s, UiRig &) {
        s.setValue(u"Settings/MainLeft"_qs, u"left"_qs);
        s.setValue(u"Settings/MainTop"_qs, u"1e999"_qs);
        s.setValue(u"Settings/Port"_qs, u"two"_qs);
    });
    QCOMPARE(rig.window->pos(), QPoint(px(1000), px(1000)));
    QCOMPARE(rig.window->portNumber(), qint16(2));
    QVERIFY(rig.link().isOpen());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
