// The program as a desktop citizen: worked with the keyboard alone and heard through
// assistive technology, ended by the system's signals like closing the window, and run
// twice side by side.

#include "../common/UiRig.h"

#include <QAccessible>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>

#include <csignal>

using namespace pelmix;
using pelmix::test::UiRig;

namespace {

// Interactive elements of a window's accessibility tree that have no name.
QStringList unnamed(QAccessibleInterface *node, int depth = 0)
{
    static const QSet<QAccessible::Role> interactive{
        QAccessible::Button,      QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::RadioButton, QAccessible::Slider,     QAccessible::ComboBox,
        QAccessible::SpinBox,     QAccessible::MenuItem,   QAccessible::EditableText};
    QStringList found;
    if (!node || depth > 30 || node->state().invisible)
        return found;
    const bool operable = interactive.contains(node->role()) &&
                          !(node->role() == QAccessible::EditableText && node->state().readOnly);
    if (operable && node->text(QAccessible::Name).trimmed().isEmpty())
        found << (node->object() ? node->object()->objectName() : QString()) +
                     u" (role %1)"_qs.arg(int(node->role()));
    for (int i = 0; i < node->childCount(); ++i)
        found << unnamed(node->child(i), depth + 1);
    return found;
}

// Whether process `pid` has `device` open.
bool holds(qint64 pid, const QString &device)
{
    const QDir fds(u"/proc/%1/fd"_qs.arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System))
        if (fd.symLinkTarget() == device)
            return true;
    return false;
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void keyboardOnlySession()
    {
        UiRig rig;
        QWidget *window = rig.window.get();
        window->activateWindow();
        QTRY_VERIFY(window->isActiveWindow());
        auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, k,
                            modifiers);
        };
        // Tabs until `name` has the focus, then presses `k` there.
        auto press = [&](const char *name, Qt::Key k) {
            for (int i = 0; i < 20 && QApplication::focusWidget() != rig.find(name); ++i)
                key(Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == rig.find(name), name);
            key(k);
        };

        // A shortcut clicks its button, which shows the click for a moment first.
        key(Qt::Key_3, Qt::ControlModifier);
        QTRY_COMPARE(rig.window->panel().mode(), pelmix::Mode::Period);
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_COMPARE(rig.window->panel().mode(), pelmix::Mode::Frequency);
        press("Pic1", Qt::Key_Space); // the filter on; the focus goes with the picture
        QCOMPARE(QApplication::focusWidget(), rig.find("Pic2"));
        press("Sr", Qt::Key_Space);
        press("Slider2", Qt::Key_Down);
        key(Qt::Key_F5);
        QTRY_VERIFY(rig.server.commands().endsWith('D'));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.server.commands(), QByteArray("wFkbjCD"));
        // A screen reader hears the new result.
        QCOMPARE(QAccessible::queryAccessibleInterface(rig.find("Tablo1"))
                     ->text(QAccessible::Description),
                 u"Latest result: 12.3kHz"_qs);
        press("hand1", Qt::Key_Return);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.server.commands().count('D'), 2);

        key(Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(rig.find<QFileDialog>("OpenLog") && rig.find("OpenLog")->isActiveWindow());
        key(Qt::Key_Escape);
        QTRY_VERIFY(!rig.find("OpenLog") || !rig.find("OpenLog")->isVisible());
        window->activateWindow();
        QTRY_VERIFY(window->isActiveWindow());

        rig.meter().setCyclePause(0.1f);
        key(Qt::Key_F6);
        QVERIFY(rig.meter().isCycleRunning());
        QTRY_VERIFY(rig.server.commands().count('D') >= 4);
        key(Qt::Key_F6);
        QVERIFY(!rig.meter().isCycleRunning());
        QVERIFY(rig.waitIdle());
        key(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(rig.ended);
    }

    void everyControlHasAName()
    {
        UiRig rig;
        rig.action("mnuOSelect")->trigger();
        rig.action("mnuHAbout")->trigger();
        rig.action("mnuAWindow")->trigger();
        rig.model.faults().silent = true;
        rig.meter().measureOnce(); // "Connection Error" comes up in a message box
        QTRY_VERIFY(test::visibleMessageBox());
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!window->isVisible())
                continue;
            const QStringList missing = unnamed(QAccessible::queryAccessibleInterface(window));
            QVERIFY2(missing.isEmpty(),
                     qPrintable(window->objectName() + u": "_qs + missing.join(u", "_qs)));
        }
        // The displays read out what they show.
        QAccessibleInterface *display = QAccessible::queryAccessibleInterface(rig.find("Tablo1"));
        QCOMPARE(display->textInterface()->text(0, display->textInterface()->characterCount()),
                 u" Pelmix"_qs);
        test::answerMessage();
    }

    void signalEndsLikeClosing_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalEndsLikeClosing()
    {
        QFETCH(int, signal);
        sim::CounterModel model;
        sim::PtyServer server(model);
        QVERIFY(!server.start());
        QTemporaryDir config;
        {
            QSettings settings(config.filePath(u"Pelmix/Pelmix.conf"_qs), QSettings::IniFormat);
            settings.setValue(u"Ports/Com2"_qs, server.devicePath());
            settings.setValue(u"Settings/MainLeft"_qs, u"1500"_qs);
        }
        QProcess pelmix;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, config.path());
        environment.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        pelmix.setProcessEnvironment(environment);
        pelmix.start(QStringLiteral(PELMIX_APP_PATH), {});
        QVERIFY(pelmix.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holds(pelmix.processId(), server.devicePath()), 10000);

        ::kill(pid_t(pelmix.processId()), signal);
        QVERIFY(pelmix.waitForFinished(10000));
        QCOMPARE(pelmix.exitStatus(), QProcess::NormalExit);
        QCOMPARE(pelmix.exitCode(), 0);
        // The position was stored as at a close, and nothing was sent.
        QSettings settings(config.filePath(u"Pelmix/Pelmix.conf"_qs), QSettings::IniFormat);
        QCOMPARE(settings.value(u"Settings/MainTop"_qs).toString(), u"1005"_qs);
        QCOMPARE(server.commands(), QByteArray());
    }

    void twoWindowsSideBySide()
    {
        UiRig first;
        sim::CounterModel model;
        sim::PtyServer other(model);
        QVERIFY(!other.start());
        ui::MainWindow second(other.devicePath());
        second.show();
        QTRY_VERIFY(second.session().link().isOpen());
        first.meter().measureOnce();
        second.session().meter().measureOnce();
        QVERIFY(first.waitIdle());
        QTRY_COMPARE(second.session().meter().activeTasks(), 0);
        QCOMPARE(first.server.commands(), QByteArray("wFKBjD"));
        QCOMPARE(other.commands(), QByteArray("wFKBjD"));
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
