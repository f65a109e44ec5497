// Where the main window stands, under a real X server with a window manager: the frame
// goes back exactly where it stood, start after start, and stays on a screen it fits.
// Needs Xvfb and openbox; skips without them.

#include "../common/UiRig.h"

#include "ui/WindowPlacement.h"

#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <memory>

using namespace pelmix;
using pelmix::test::UiRig;
using ui::WindowPlacement;

namespace {

// A virtual screen with openbox on it, for the whole run.
QProcess server;
QProcess windowManager;

QString startDisplay()
{
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_qs);
    const QString openbox = QStandardPaths::findExecutable(u"openbox"_qs);
    if (xvfb.isEmpty() || openbox.isEmpty())
        return u"needs Xvfb and openbox"_qs;
    // -displayfd tells the number of a free display once the server is ready.
    server.start(xvfb, {u"-displayfd"_qs, u"1"_qs, u"-screen"_qs, u"0"_qs, u"1024x768x24"_qs});
    if (!server.waitForReadyRead(10000))
        return u"Xvfb did not start"_qs;
    qputenv("DISPLAY", ":" + server.readAllStandardOutput().trimmed());
    // A window mapped while openbox is still starting may never be managed: wait for the
    // command it runs once it has taken over the screen.
    windowManager.setStandardErrorFile(QProcess::nullDevice());
    windowManager.start(openbox, {u"--startup"_qs, u"echo ready"_qs});
    return windowManager.waitForReadyRead(10000) ? QString() : u"openbox did not start"_qs;
}

QString skipped;

} // namespace

class PlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!skipped.isEmpty())
            QSKIP(qPrintable(skipped));
    }

    void keptOnScreen_data()
    {
        QTest::addColumn<QPoint>("wanted");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("placed");
        const QSize panel(531, 280);
        QTest::newRow("fits where it is") << QPoint(100, 50) << panel << QPoint(100, 50);
        QTest::newRow("off the right edge") << QPoint(900, 50) << panel << QPoint(493, 50);
        QTest::newRow("off the bottom") << QPoint(10, 700) << panel << QPoint(10, 488);
        QTest::newRow("above and left") << QPoint(-40, -30) << panel << QPoint(0, 0);
        // Wider than the screen (a scale factor of 2 on 1024 x 768): the corner stays on it.
        QTest::newRow("too wide") << QPoint(67, 67) << QSize(1062, 560) << QPoint(0, 67);
    }
    void keptOnScreen()
    {
        QFETCH(QPoint, wanted);
        QFETCH(QSize, size);
        QTEST(WindowPlacement::keptOnScreen(wanted, size, QRect(0, 0, 1024, 768)), "placed");
    }

    void frameStaysWhereItStood()
    {
        // Each start reads what the previous exit stored; the first 3000 and 2250 twips, that is
        // 200 and 150 pixels.
        QString left = u"3000"_qs;
        QString top = u"2250"_qs;
        for (int start = 0; start < 3; ++start) {
            UiRig rig(
                [&](QSettings &s, UiRig &) {
                    s.setValue(u"Settings/MainLeft"_qs, left);
                    s.setValue(u"Settings/MainTop"_qs, top);
                },
                false);
            QVERIFY2(QTest::qWaitForWindowExposed(rig.window.get()),
                     qPrintable(QStringLiteral("start %1 at %2,%3").arg(start).arg(left, top)));
            QTRY_VERIFY(rig.window->frameGeometry() != rig.window->geometry());
            // The frame's top-left corner is where the settings say, title bar included, as far
            // as the screen allows.
            const QPoint expected =
                WindowPlacement::keptOnScreen({200, 150}, rig.window->frameGeometry().size(),
                                              rig.window->screen()->availableGeometry());
            QTRY_COMPARE(rig.window->frameGeometry().topLeft(), expected);
            rig.window->close();
            left = test::store().value(u"Settings/MainLeft"_qs).toString();
            top = test::store().value(u"Settings/MainTop"_qs).toString();
            QCOMPARE(QPoint(qRound(left.toDouble() / 15), qRound(top.toDouble() / 15)), expected);
        }
    }
};

int main(int argc, char *argv[])
{
    skipped = startDisplay();
    if (skipped.isEmpty())
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    PlacementTest test;
    const int result = QTest::qExec(&test, argc, argv);
    for (QProcess *process : {&windowManager, &server}) {
        process->kill();
        process->waitForFinished();
    }
    return result;
}

#include "tst_placement.moc"
