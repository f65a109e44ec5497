// The measurement cycle against the simulated counter: what reaches the counter, and
// when, for single and cyclical measuring and the operator's actions during waits.

#include "../common/MeasureRig.h"

#include "device/Commands.h"

#include <QTimer>

using namespace pelmix;
using device::Mode;

namespace {

int countOf(const QByteArray &commands, char c)
{
    return int(commands.count(c));
}

} // namespace

class CycleTest : public QObject
{
    Q_OBJECT

private slots:
    void singleFrequencyMeasurement();
    void silentCounter();
    void cycleWithoutPauseStillStops();
    void stopDuringPauseSendsNothingMore();
    void stopDuringMeasurementFinishesIt();
    void singleDuringPauseStopsTheCycle();
    void singleDuringMeasurementWaitsItsTurn();
    void restartWhileStoppingRunsOneLoop();
    void modeChangeDuringDataWait();
    void portFailureStopsTheCycle_data();
    void portFailureStopsTheCycle();
};

void CycleTest::singleFrequencyMeasurement()
{
    test::MeasureRig rig;
    const double start = rig.server.secondsSinceStart();
    rig.meter.measureOnce();
    QVERIFY(rig.waitIdle());

    QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
    const auto &r = rig.server.received();
    // The reset pulse and its pause come between the status query and the mode letter.
    QVERIFY(r[1].seconds - r[0].seconds >= 0.1);
    QVERIFY(r[0].seconds >= start);
    QCOMPARE(rig.panel.tablo1, u"        12kHz"_qs);
    QCOMPARE(rig.panel.tablo2, u"      83.3mkS"_qs);
    QCOMPARE(rig.panel.progressBar, QList<int>{100});
    QCOMPARE(rig.link.progress(), qint16(0));
    QCOMPARE(rig.log.lines, QStringList{u"result:        12kHz"_qs});
    QCOMPARE(rig.messenger.messages, QStringList());
    QCOMPARE(rig.meter.lastReply(), u"F0000000C\r\n"_qs);
}

void CycleTest::silentCounter()
{
    sim::Faults faults;
    faults.silent = true;
    test::MeasureRig rig({}, faults);
    QElapsedTimer clock;
    clock.start();
    rig.meter.measureOnce();
    QVERIFY(rig.waitIdle());

    QVERIFY(test::secondsOf(clock) >= 1.0);
    QCOMPARE(rig.server.commands(), QByteArray("w"));
    QCOMPARE(rig.messenger.messages, QStringList{device::ConnectionError});
    QCOMPARE(rig.log.lines, QStringList());
    QCOMPARE(rig.panel.tablo1, u" Pelmix"_qs);
}

void CycleTest::cycleWithoutPauseStillStops()
{
    test::MeasureRig rig;
    rig.meter.setCyclePause(0);
    rig.meter.startCycle();
    QVERIFY(rig.panel.cycleShown);
    QTRY_VERIFY(rig.log.lines.size() >= 3);
    rig.meter.stopCycle();
    QVERIFY(!rig.panel.cycleShown);
    const int logged = int(rig.log.lines.size());
    QVERIFY(rig.waitIdle());

    // The measurement under way when the stop came finishes; none starts after it.
    QVERIFY(rig.log.lines.size() - logged <= 1);
    QCOMPARE(countOf(rig.server.commands(), 'w'), int(rig.log.lines.size()));
    QCOMPARE(rig.server.overlaps(), 0);
}

void CycleTest::stopDuringPauseSendsNothingMore()
{
    test::MeasureRig rig;
    rig.meter.setCyclePause(2.0f);
    QElapsedTimer clock;
    clock.start();
    rig.meter.startCycle();
    QTest::qWait(300);
    rig.meter.stopCycle();
    QVERIFY(rig.waitIdle());

    QCOMPARE(rig.server.commands(), QByteArray());
    // The loop ends when its pause does.
    QVERIFY(test::secondsOf(clock) >= 2.0);
}

void CycleTest::stopDuringMeasurementFinishesIt()
{
    test::MeasureRig rig;
    rig.meter.setCyclePause(0.3f);
    rig.meter.startCycle();
    // Stop while the first measurement is under way (its data request).
    QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
        if (c == 'D')
            rig.meter.stopCycle();
    });
    QTRY_VERIFY(!rig.log.lines.isEmpty());
    const double lastLine = rig.server.secondsSinceStart();
    QVERIFY(rig.waitIdle());

    QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
    QCOMPARE(rig.log.lines.size(), 1);
    // One more pause passed before the loop ended.
    QVERIFY(rig.server.secondsSinceStart() - lastLine >= 0.25);
}

void CycleTest::singleDuringPauseStopsTheCycle()
{
    test::MeasureRig rig;
    rig.meter.setCyclePause(1.0f);
    rig.meter.startCycle();
    QTest::qWait(200);
    rig.meter.measureOnce();
    QVERIFY(!rig.panel.cycleShown);
    QVERIFY(!rig.meter.isCycleRunning());
    // The single measurement starts at once, inside the cycle's pause of a second.
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.commands().left(1), QByteArray("w"), 700);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
}

void CycleTest::singleDuringMeasurementWaitsItsTurn()
{
    test::MeasureRig rig;
    rig.model.setTimeScale(0.2); // "D" at position 2 answers after 20 ms
    rig.model.setTime(2);
    rig.panel.settings.time = 2;
    rig.meter.setCyclePause(0.2f);
    rig.meter.startCycle();
    const auto clicks =
        QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
            if (c == 'B' && rig.server.commands().count('w') == 1) {
                // Three clicks during the cycle's upload: one measurement waits, the others
                // are dropped.
                rig.meter.measureOnce();
                rig.meter.measureOnce();
                rig.meter.measureOnce();
            }
        });
    QVERIFY(rig.waitIdle());

    QCOMPARE(rig.server.overlaps(), 0);
    QCOMPARE(rig.log.lines.size(), 2);
    QCOMPARE(countOf(rig.server.commands(), 'w'), 2);
    QVERIFY(!rig.meter.isCycleRunning());

    // During that single measurement, a click waits its turn again.
    QObject::disconnect(clicks);
    rig.server.clearRecord();
    rig.meter.measureOnce();
    QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
        if (c == 'F' && rig.server.commands().count('w') == 1)
            rig.meter.measureOnce();
    });
    QVERIFY(rig.waitIdle());
    QCOMPARE(countOf(rig.server.commands(), 'w'), 2);
    QCOMPARE(rig.server.overlaps(), 0);
}

void CycleTest::restartWhileStoppingRunsOneLoop()
{
    test::MeasureRig rig;
    rig.meter.setCyclePause(0.5f);
    rig.meter.startCycle();
    QTest::qWait(100);
    rig.meter.stopCycle();
    rig.meter.startCycle(); // a new loop inside the old one's pause
    QTRY_VERIFY(rig.log.lines.size() >= 2);
    rig.meter.stopCycle();
    QVERIFY(rig.waitIdle());

    // Only the new loop measured: about one measurement per pause, never two at once.
    QCOMPARE(rig.server.overlaps(), 0);
    QCOMPARE(countOf(rig.server.commands(), 'w'), int(rig.log.lines.size()));
}

void CycleTest::modeChangeDuringDataWait()
{
    test::MeasureRig rig;
    rig.model.setTimeScale(0.2);
    rig.model.setTime(3);
    rig.panel.settings.time = 3;
    QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
        if (c == 'D')
            rig.panel.settings.modeValue = Mode::Period;
    });
    rig.meter.measureOnce();
    QVERIFY(rig.waitIdle());

    // Frequency's routine ran, then period's, with the settings uploaded for frequency.
    QCOMPARE(rig.server.commands(), QByteArray("wFKBjDD"));
    QCOMPARE(rig.log.lines.size(), 1);
    QVERIFY(rig.log.lines.first().endsWith(u"mkS"_qs));
}

void CycleTest::portFailureStopsTheCycle_data()
{
    QTest::addColumn<char>("hangUpAt");
    QTest::newRow("status query") << 'w';
    QTest::newRow("upload step") << 'K';
    QTest::newRow("data request") << 'D';
}

void CycleTest::portFailureStopsTheCycle()
{
    QFETCH(char, hangUpAt);
    test::MeasureRig rig;
    rig.model.setTimeScale(1); // "D" at position 3 takes a second: the hang-up comes first
    rig.model.setTime(3);
    rig.panel.settings.time = 3;
    rig.meter.setCyclePause(0.1f);
    int seen = 0;
    QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
        // The second measurement is the one that fails.
        if (c == hangUpAt && ++seen == 2)
            QTimer::singleShot(20, &rig.server, [&] { rig.server.hangUp(); });
    });
    rig.meter.startCycle();
    QVERIFY(rig.waitIdle(15000));

    QCOMPARE(rig.messenger.messages.size(), 1);
    QVERIFY2(rig.messenger.messages.first().startsWith(u"Com2 ("_qs),
             qPrintable(rig.messenger.messages.first()));
    QVERIFY(!rig.meter.isCycleRunning());
    QVERIFY(!rig.panel.cycleShown);
    // The first measurement's result stands and is logged once; nothing from the failed one.
    QCOMPARE(rig.log.lines.size(), 1);
    QCOMPARE(rig.panel.tablo1, u"    12.346kHz"_qs);
}

QTEST_GUILESS_MAIN(CycleTest)
#include "tst_cycle.moc"
