// The main window, offscreen, driven like an operator would, against the simulated
// counter over a real pseudo-terminal.

#include "../common/UiRig.h"

#include "ui/Pictures.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextDocument>
#include <QToolButton>

using namespace pelmix;
using pelmix::test::UiRig;
using pelmix::ui::FrontPanel;
using ui::px;

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void firstStartWithEmptyStore()
    {
        UiRig rig([](QSettings &s, UiRig &) { s.remove(QStringLiteral("Ports")); }, false);
        // 1000 twips; Com2, which is /dev/ttyS1 here and fails to open on this machine or not.
        QCOMPARE(rig.window->pos(), QPoint(px(1000), px(1000)));
        QCOMPARE(rig.window->portNumber(), qint16(2));
        QCOMPARE(rig.window->systemPortFor(2), u"/dev/ttyS1"_qs);
        QCOMPARE(rig.text("Tablo1"), u" Pelmix"_qs);
        QCOMPARE(rig.text("Tablo2"), u" Version 1.4"_qs);
        const FrontPanel &panel = rig.window->panel();
        QCOMPARE(panel.mode(), pelmix::Mode::Frequency);
        QVERIFY(!panel.analog());
        QVERIFY(!panel.fallingEdge());
        QVERIFY(!panel.filterOn());
        QCOMPARE(panel.level(), 0);
        QCOMPARE(panel.position(), 0);
        QCOMPARE(rig.meter().cyclePause(), 1.0f);
        QCOMPARE(rig.find<QLabel>("Ndp")->text(), u"Meas. time         ms"_qs);

        QStringList menus;
        for (QAction *menu : rig.window->menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus, (QStringList{u"&File"_qs, u"&Options"_qs, u"&Help"_qs, u"&Analysis"_qs}));
        QVERIFY(rig.action("mnuFOpen")->isEnabled() && !rig.action("mnuFSave")->isEnabled());
        if (test::visibleMessageBox())
            QVERIFY(test::answerMessage().startsWith(u"Com2 (/dev/ttyS1): "_qs));
    }

    void panelLayout()
    {
        UiRig rig;
        // What is hidden at start.
        for (const char *hidden : {"Pic2", "Str21", "dbgout"})
            QVERIFY2(!rig.find(hidden)->isVisibleTo(rig.window.get()), hidden);

        // Every control lies inside its frame, and no two that the operator works overlap, but
        // for the pictures that take turns on one spot.
        const auto stacked = [](const QWidget *a, const QWidget *b) {
            const QSet<QString> pair{a->objectName(), b->objectName()};
            return pair == QSet<QString>{u"Pic1"_qs, u"Pic2"_qs} ||
                   pair == QSet<QString>{u"Str11"_qs, u"Str21"_qs};
        };
        for (QWidget *frame : rig.window->centralWidget()->findChildren<QFrame *>()) {
            // The panel's own frames, not the trace box's innards.
            if (frame->objectName().isEmpty() || frame->objectName() == u"fraPanel"_qs ||
                frame->objectName() == u"dbgout"_qs || frame->objectName().startsWith(u"qt_"_qs))
                continue;
            QList<QWidget *> parts;
            for (QObject *child : frame->children())
                if (auto *w = qobject_cast<QWidget *>(child);
                    w && !w->objectName().isEmpty() && w->objectName() != u"dbgout"_qs)
                    parts.append(w);
            const auto operated = [](const QWidget *w) {
                return w->focusPolicy() != Qt::NoFocus || qobject_cast<const ui::Picture *>(w);
            };
            for (QWidget *part : parts) {
                QVERIFY2(frame->rect().contains(part->geometry()), qPrintable(part->objectName()));
                for (QWidget *other : parts)
                    if (other != part && operated(part) && operated(other) && !stacked(part, other))
                        QVERIFY2(!part->geometry().intersects(other->geometry()),
                                 qPrintable(part->objectName() + u" / "_qs + other->objectName()));
            }
        }
    }

    void filterSwitchPressAndRelease()
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

    void cycleStartedAndStoppedWithTheMouse()
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
    }

    void singleMeasurementShowsTheResult()
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
        // Every reply went to the trace, which stays bounded and keeps no undo history.
        auto *dbgout = rig.find<QPlainTextEdit>("dbgout");
        QVERIFY(dbgout->toPlainText().contains(u"F0000000C"_qs));
        for (int i = 0; i < 40; ++i)
            emit rig.link().replyReceived({QString(600, u'x') + u"\r\n"_qs, false});
        QVERIFY(dbgout->document()->characterCount() <= 16000 + 602 + 1);
        QVERIFY(!dbgout->document()->isUndoAvailable());
    }

    void modeButtonsPrepareThePanel()
    {
        UiRig rig;
        auto shown = [&](const char *name) {
            return rig.find(name)->isVisibleTo(rig.window.get());
        };
        auto *Ndp = rig.find<QLabel>("Ndp");

        rig.find<QToolButton>("T")->click();
        QCOMPARE(rig.window->panel().mode(), pelmix::Mode::Period);
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

    void intervalLeavesTheSliderDisabledUntilNextMeasurement()
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

    void portThatCannotBeOpenedIsPointedElsewhere()
    {
        UiRig rig(
            [](QSettings &s, UiRig &) { s.setValue(u"Ports/Com2"_qs, u"/nonexistent/tty"_qs); },
            false);
        // The message itself: portErrorIsToldOncePerReturn.
        QVERIFY(!test::answerMessage().isEmpty());
        QTRY_VERIFY(rig.find("frmOptions") && rig.find("frmOptions")->isVisible());

        // The device behind Com2 is missing, and said so beside the list.
        QVERIFY(rig.find<QLabel>("lblDevice")->text().startsWith(u"Missing"_qs));
        // Com3 is pointed at the counter in the dialog, without editing the settings file.
        rig.find<QComboBox>("cboPort")->setCurrentIndex(2);
        auto *cboDevice = rig.find<QComboBox>("cboDevice");
        QVERIFY(cboDevice->currentText().startsWith(u"/dev/ttyS2"_qs));
        cboDevice->setEditText(rig.server.devicePath());
        QCOMPARE(rig.find<QLabel>("lblDevice")->text(), u"Present"_qs);
        rig.find<QPushButton>("cmdOK")->click();
        QTRY_VERIFY(rig.link().isOpen());
        QVERIFY(rig.link().portLabel().startsWith(u"Com3 ("_qs));
        QVERIFY(!test::visibleMessageBox());
        QCOMPARE(test::store().value(u"Settings/Port"_qs).toString(), u"3"_qs);
        QCOMPARE(test::store().value(u"Ports/Com3"_qs).toString(), rig.server.devicePath());
        QCOMPARE(test::store().value(u"Ports/Com2"_qs).toString(), u"/nonexistent/tty"_qs);
    }

    void portErrorIsToldOncePerReturn_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << u"/nonexistent/tty"_qs << u"No such file or directory"_qs;
        QTest::newRow("not a serial port") << u"/dev/null"_qs << u"not a serial port"_qs;
        QTest::newRow("in use") << QString() << u"in use by another program"_qs;
    }
    void portErrorIsToldOncePerReturn()
    {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        sim::CounterModel otherModel;
        sim::PtyServer other(otherModel);
        QSerialPort holder;
        if (device.isEmpty()) {
            QVERIFY(!other.start());
            device = other.devicePath();
            holder.setPortName(device);
            QVERIFY(holder.open(QIODevice::ReadWrite));
        }
        UiRig rig([&](QSettings &s, UiRig &) { s.setValue(u"Ports/Com2"_qs, device); }, false);
        const QString told = u"Com2 (%1): "_qs.arg(device);
        const QString message = test::answerMessage();
        QVERIFY2(message.startsWith(told) && message.contains(reason), qPrintable(message));
        QVERIFY(!message.contains(u"dialout"_qs));
        QTRY_VERIFY(rig.find("frmOptions") && rig.find("frmOptions")->isVisible());
        auto *options = rig.find<QWidget>("frmOptions");

        // The operator goes back and forth between the dialog and the panel: the port is tried
        // again, but the same failure is not told again.
        for (int click = 0; click < 2; ++click) {
            options->activateWindow();
            QTRY_COMPARE(QGuiApplication::focusWindow(), options->windowHandle());
            rig.window->activateWindow();
            QTRY_COMPARE(QGuiApplication::focusWindow(), rig.window->windowHandle());
            QCOMPARE(test::answerMessage(300), QString());
        }
        // Closing the dialog is a return of its own: told once more, then the dialog again.
        options->close();
        QVERIFY(test::answerMessage().startsWith(told));
        QTRY_VERIFY(rig.find("frmOptions"));
        rig.window->close();
        QVERIFY(rig.ended);
    }

    void scaleLabelsLineUpWithTheSlider()
    {
        UiRig rig;
        auto *Slider2 = rig.find<QSlider>("Slider2");
        QWidget *scal = rig.find("scal");
        // The middle of each run of rows of the scale that carry ink: one run per label.
        const QImage image = scal->grab().toImage();
        QList<qreal> labels;
        for (int y = 0, runStart = -1; y <= image.height(); ++y) {
            bool ink = false;
            for (int x = 0; y < image.height() && x < image.width() && !ink; ++x)
                ink = qGray(image.pixel(x, y)) < 96;
            if (ink && runStart < 0)
                runStart = y;
            if (!ink && runStart >= 0) {
                labels.append((runStart + y - 1) / 2.0 / image.devicePixelRatio());
                runStart = -1;
            }
        }
        QCOMPARE(labels.size(), 5);
        QStyleOptionSlider option;
        option.initFrom(Slider2);
        option.orientation = Qt::Vertical;
        option.maximum = 4;
        option.upsideDown = !Slider2->invertedAppearance();
        option.tickPosition = Slider2->tickPosition();
        for (int value = 0; value <= 4; ++value) {
            option.sliderPosition = option.sliderValue = value;
            const QRect handle = Slider2->style()->subControlRect(QStyle::CC_Slider, &option,
                                                                  QStyle::SC_SliderHandle, Slider2);
            const qreal handleY = scal->mapFromGlobal(Slider2->mapToGlobal(handle.center())).y();
            QVERIFY2(qAbs(labels[value] - handleY) <= 3, qPrintable(QString::number(value)));
        }
    }

    void dialogReturnKeepsTheMeasurement_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("close");
        QTest::newRow("about box, OK") << u"frmAbout"_qs << u"cmdOK"_qs;
        QTest::newRow("options, OK unchanged") << u"frmOptions"_qs << u"cmdOK"_qs;
        QTest::newRow("options, close box") << u"frmOptions"_qs << QString();
    }
    void dialogReturnKeepsTheMeasurement()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, close);
        UiRig rig;
        int closes = 0;
        QObject::connect(&rig.link().serialPort(), &QSerialPort::aboutToClose, rig.window.get(),
                         [&] { ++closes; });
        rig.model.setTimeScale(0.3); // "D" takes 300 ms
        rig.find<QSlider>("Slider2")->setValue(3);
        rig.meter().setCyclePause(0.1f);
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

    void exitWhileCycleWaitsSendsNothingMore_data()
    {
        QTest::addColumn<QString>("during");
        QTest::newRow("pause") << u"pause"_qs;
        QTest::newRow("exchange") << u"exchange"_qs;
        QTest::newRow("message box") << u"message"_qs;
        QTest::newRow("options dialog") << u"dialog"_qs;
    }
    void exitWhileCycleWaitsSendsNothingMore()
    {
        QFETCH(QString, during);
        UiRig rig;
        rig.meter().setCyclePause(0.5f);
        if (during == u"exchange"_qs)
            rig.find<QSlider>("Slider2")->setValue(3); // "D" takes a second
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
        // No wait is left that could send anything, and nothing was sent since.
        QCOMPARE(rig.meter().activeTasks(), 0);
        QCOMPARE(rig.server.commands(), sent);
    }

    void storedPosition_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QPoint>("shown"); // (-1, -1): centred
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<QString>("storedLeft");

        QTest::newRow("closed minimised")
            << u"1500"_qs << u"1650"_qs << QPoint(100, 110) << true << u"1500"_qs;
        QTest::newRow("on no screen")
            << u"-300000"_qs << u"900000"_qs << QPoint(-1, -1) << false << u"4500"_qs;
        QTest::newRow("garbage") << u"left"_qs << u"1e999"_qs << QPoint(px(1000), px(1000)) << false
                                 << u"4500"_qs;
    }
    void storedPosition()
    {
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QPoint, shown);
        QFETCH(bool, minimised);
        UiRig rig([&](QSettings &s, UiRig &) {
            s.setValue(u"Settings/MainLeft"_qs, left);
            s.setValue(u"Settings/MainTop"_qs, top);
            s.setValue(u"Settings/Port"_qs, u"two"_qs);
        });
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        if (shown.x() < 0)
            QVERIFY(qAbs(rig.window->frameGeometry().center().x() - screen.center().x()) < 20);
        else
            QCOMPARE(rig.window->pos(), shown);
        QCOMPARE(rig.window->portNumber(), qint16(2)); // "two" reads as the default
        if (minimised)
            rig.window->showMinimized();
        rig.window->move(300, 200);
        rig.action("mnuFExit")->trigger();
        QVERIFY(rig.ended);
        QTEST(test::store().value(u"Settings/MainLeft"_qs).toString(), "storedLeft");
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
