// The measurement cycle against the simulated counter: what reaches the counter, and
// when, for single and cyclical measuring and the operator's actions during waits.

#include "../common/SimRig.h"

#include "device/Commands.h"
#include "measure/Meter.h"

#include <QTimer>

using namespace pelmix;
using pelmix::Mode;

Q_DECLARE_METATYPE(pelmix::Setup)

namespace pelmix::test {

// The simulated counter and the meter measuring on it, with every outcome kept.
struct MeasureRig : SimRig
{
    TestPanel panel;
    RecordingReporter reporter;
    measure::Meter meter{link, reporter};
    QList<measure::Result> results;
    bool cycleShown = false;

    explicit MeasureRig(sim::Signal signal = {}, sim::Faults faults = {})
        : SimRig(signal, faults)
    {
        meter.setLiveSettings(&panel);
        QObject::connect(&meter, &measure::Meter::measured, &meter,
                         [this](const measure::Result &result) { results.append(result); });
        QObject::connect(&meter, &measure::Meter::cycleRunningChanged, &meter,
                         [this](bool running) { cycleShown = running; });
    }
    ~MeasureRig()
    {
        // Every loop and wait ends before the objects it uses go.
        shutdown.trigger();
    }
    // The main display's text of every measurement that asked for data, as the log has it.
    QStringList logged() const
    {
        QStringList lines;
        for (const measure::Result &result : results)
            if (result.dataRequested)
                lines.append(measure::displayTexts(result).main);
        return lines;
    }
    // Waits until no loop runs and no measurement waits.
    bool waitIdle(int ms = 10000)
    {
        return QTest::qWaitFor([this] { return meter.activeTasks() == 0; }, ms);
    }
};

} // namespace pelmix::test

class MeterTest : public QObject
{
    Q_OBJECT

private slots:
    void singleFrequencyMeasurement()
    {
        test::MeasureRig rig;
        rig.meter.measureOnce();
        QVERIFY(rig.waitIdle());

        QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
        const auto &r = rig.server.received();
        // The reset pulse and its pause come between the status query and the mode letter.
        QVERIFY(r[1].seconds - r[0].seconds >= 0.1);
        QCOMPARE(rig.results.size(), 1);
        QCOMPARE(rig.results.first().value, 12e3);
        QCOMPARE(rig.logged(), QStringList{u"        12kHz"_qs});
        QCOMPARE(rig.link.progress(), qint16(0));
        QCOMPARE(rig.reporter.messages, QStringList());
        QCOMPARE(rig.meter.lastReply(), u"F0000000C\r\n"_qs);
    }

    void cycleWithoutPauseStillStops()
    {
        test::MeasureRig rig;
        rig.meter.setCyclePause(0);
        rig.meter.startCycle();
        QVERIFY(rig.cycleShown);
        QTRY_VERIFY(rig.logged().size() >= 3);
        rig.meter.stopCycle();
        QVERIFY(!rig.cycleShown);
        const int logged = int(rig.logged().size());
        QVERIFY(rig.waitIdle());

        // The measurement under way when the stop came finishes; none starts after it.
        QVERIFY(rig.logged().size() - logged <= 1);
        QCOMPARE(int(rig.server.commands().count('w')), int(rig.logged().size()));
        QCOMPARE(rig.server.overlaps(), 0);
    }

    void stopDuringPauseSendsNothingMore()
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

    void stopDuringMeasurementFinishesIt()
    {
        test::MeasureRig rig;
        rig.meter.setCyclePause(0.3f);
        rig.meter.startCycle();
        // Stop while the first measurement is under way (its data request).
        QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
            if (c == 'D')
                rig.meter.stopCycle();
        });
        QTRY_VERIFY(!rig.logged().isEmpty());
        const double lastLine = rig.server.secondsSinceStart();
        QVERIFY(rig.waitIdle());

        QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
        QCOMPARE(rig.logged().size(), 1);
        // One more pause passed before the loop ended.
        QVERIFY(rig.server.secondsSinceStart() - lastLine >= 0.25);
    }

    void singleDuringPauseStopsTheCycle()
    {
        test::MeasureRig rig;
        rig.meter.setCyclePause(1.0f);
        rig.meter.startCycle();
        QTest::qWait(200);
        rig.meter.measureOnce();
        QVERIFY(!rig.cycleShown);
        QVERIFY(!rig.meter.isCycleRunning());
        // The single measurement starts at once, inside the cycle's pause of a second.
        QTRY_COMPARE_WITH_TIMEOUT(rig.server.commands().left(1), QByteArray("w"), 700);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
    }

    void singleDuringMeasurementWaitsItsTurn()
    {
        test::MeasureRig rig;
        rig.model.setTimeScale(0.2); // "D" at position 2 answers after 20 ms
        rig.model.setTime(2);
        rig.panel.values.position = 2;
        rig.meter.setCyclePause(0.2f);
        rig.meter.startCycle();
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
        QCOMPARE(rig.logged().size(), 2);
        QCOMPARE(int(rig.server.commands().count('w')), 2);
        QVERIFY(!rig.meter.isCycleRunning());
    }

    void restartWhileStoppingRunsOneLoop()
    {
        test::MeasureRig rig;
        rig.meter.setCyclePause(0.5f);
        rig.meter.startCycle();
        QTest::qWait(100);
        rig.meter.stopCycle();
        rig.meter.startCycle(); // a new loop inside the old one's pause
        QTRY_VERIFY(rig.logged().size() >= 2);
        rig.meter.stopCycle();
        QVERIFY(rig.waitIdle());

        // Only the new loop measured: never two at once, and a whole pause before each.
        QCOMPARE(rig.server.overlaps(), 0);
        QCOMPARE(int(rig.server.commands().count('w')), int(rig.logged().size()));
        const auto &r = rig.server.received();
        for (std::size_t i = 1; i < r.size(); ++i)
            if (r[i].command == 'w')
                QVERIFY2(r[i].seconds - r[i - 1].seconds >= 0.5, qPrintable(QString::number(i)));
    }

    // A change on the panel after the mode letter went out waits for the next measurement:
    // this one stays as sent and is decoded as the frequency it is.
    void changeDuringMeasurement_data()
    {
        QTest::addColumn<char>("changeAt");
        QTest::addColumn<Setup>("changed");
        QTest::addColumn<QByteArray>("next"); // the next measurement's commands
        const Setup interval{Mode::Interval, 3};
        QTest::newRow("mode, during the upload") << 'K' << interval << QByteArray("wIKBjD");
        QTest::newRow("mode, during the data wait") << 'D' << interval << QByteArray("wIKBjD");
        QTest::newRow("everything, during the data wait")
            << 'D' << Setup{Mode::Period, 1, true, 5, true, true} << QByteArray("wtkbj+++++CCCD");
    }
    void changeDuringMeasurement()
    {
        QFETCH(char, changeAt);
        QFETCH(Setup, changed);
        test::MeasureRig rig;
        rig.model.setTimeScale(0.2);
        rig.model.setTime(3);
        rig.panel.values.position = 3;
        const Setup sent = rig.panel.values;
        QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
            if (c == changeAt)
                rig.panel.values = changed;
        });
        rig.meter.measureOnce();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
        QCOMPARE(rig.logged(), QStringList{u"    12.346kHz"_qs});
        QCOMPARE(rig.results.first().setup, sent);
        rig.server.clearRecord();
        rig.meter.measureOnce();
        QVERIFY(rig.waitIdle());
        QTEST(rig.server.commands(), "next");
        QCOMPARE(rig.results.last().setup.mode, changed.mode);
    }

    void measureSetup_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<bool>("value");

        QTest::newRow("confirmed") << QString() << 2 << int(Status::Ok) << QByteArray() << true;
        // The value stays, but the counter never showed the level it was asked for.
        QTest::newRow("stuck level")
            << u"stuck-level"_qs << 2 << int(Status::Unconfirmed) << QByteArray() << true;
        QTest::newRow("level out of range")
            << QString() << 9 << int(Status::Unconfirmed) << QByteArray("") << false;
        QTest::newRow("silent counter")
            << u"silent"_qs << 0 << int(Status::Timeout) << QByteArray("w") << false;
    }
    void measureSetup()
    {
        QFETCH(QString, fault);
        QFETCH(int, level);
        QFETCH(int, status);
        QFETCH(QByteArray, commands);
        QFETCH(bool, value);
        sim::Faults faults;
        faults.silent = fault == u"silent";
        faults.stuckLevel = fault == u"stuck-level";
        test::MeasureRig rig({}, faults);
        rig.model.setTimeScale(0.01);
        Setup setup{Mode::Frequency, 3, false, level, false, false};

        const measure::Result result = test::run(rig.meter.measure(setup));
        QCOMPARE(int(result.status), status);
        QCOMPARE(result.setup.mode, Mode::Frequency);
        QCOMPARE(std::isfinite(result.value), value);
        if (!commands.isNull())
            QCOMPARE(rig.server.commands(), commands);
        // Every measurement is reported, also one that never reached the counter.
        QCOMPARE(rig.results.size(), 1);
        QVERIFY(result.utcMs > 0);
    }

    void abortEndsBeforeTheNextExchange()
    {
        test::MeasureRig rig;
        bool aborted = false;
        QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
            if (c == 'F' && !std::exchange(aborted, true))
                rig.meter.abort();
        });
        const measure::Result result = test::run(rig.meter.measure({}));
        QCOMPARE(result.status, Status::Stopped);
        QCOMPARE(rig.server.commands(), QByteArray("wF"));
        // The next measurement runs in full.
        rig.server.clearRecord();
        const measure::Result next = test::run(rig.meter.measure({}));
        QCOMPARE(next.status, Status::Ok);
        QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
    }
};

QTEST_GUILESS_MAIN(MeterTest)
#include "tst_meter.moc"
