#include "../common/SimRig.h"

#include "device/Commands.h"
#include "device/SettingsUpload.h"

using namespace pelmix;
using pelmix::Mode;
using pelmix::test::run;

Q_DECLARE_METATYPE(pelmix::Setup)

namespace {

// Tells whether the event loop turned between the upload's start and its reading of the
// input kind, which comes right before the mode letter: only the reset pause yields there.
struct PauseProbe : test::TestPanel
{
    mutable bool loopRan = false;
    mutable bool ranBeforeModeLetter = false;
    bool analog() const override
    {
        ranBeforeModeLetter = loopRan;
        return TestPanel::analog();
    }
};

} // namespace

class SettingsUploadTest : public QObject
{
    Q_OBJECT

private slots:
    void commandSequence_data()
    {
        QTest::addColumn<Setup>("panel");
        QTest::addColumn<int>("deviceLevel"); // where the counter stands
        QTest::addColumn<int>("deviceTime");
        QTest::addColumn<bool>("shortStatus");
        QTest::addColumn<QByteArray>("commands");

        auto row = [](const char *name, Setup panel, int deviceLevel, int deviceTime,
                      const char *commands, bool shortStatus = false) {
            QTest::newRow(name) << panel << deviceLevel << deviceTime << shortStatus
                                << QByteArray(commands);
        };
        row("frequency, already in step", {}, 0, 0, "FKBj");
        row("frequency analog, falling, filter", {Mode::Frequency, 0, true, 0, true, true}, 0, 0,
            "fkbj");
        row("calibration with analog input sends F", {Mode::Calibration, 0, true}, 0, 0, "FKBJ");
        row("period", {Mode::Period}, 0, 0, "TKBj");
        row("interval analog", {Mode::Interval, 0, true}, 0, 0, "iKBj");
        row("level 3 from 1: two steps", {Mode::Frequency, 0, false, 3}, 1, 0, "FKBj++");
        row("level 0 from 7 wraps", {}, 7, 0, "FKBj+");
        row("time 1 from 3 wraps", {Mode::Frequency, 1}, 0, 3, "FKBjCCC");
        row("level before time", {Mode::Period, 4, false, 2}, 0, 2, "TKBj++CC");
        // Position 7 is beyond the end of a short status line and reads as 0; a reply of three
        // characters and a carriage return passes the mode-letter test.
        row("short status reads as level 0", {}, 5, 0, "FKBj", true);
    }
    void commandSequence()
    {
        QFETCH(Setup, panel);
        QFETCH(int, deviceLevel);
        QFETCH(int, deviceTime);
        QFETCH(bool, shortStatus);

        sim::Faults faults;
        faults.shortStatus = shortStatus;
        test::SimRig rig({}, faults);
        rig.model.setLevel(deviceLevel);
        rig.model.setTime(deviceTime);
        test::TestPanel front;
        front.values = panel;
        QString lastReply;

        const device::Upload upload =
            run(device::uploadSettings(rig.link, front, panel.mode, lastReply));
        QVERIFY(upload.confirmed);
        QCOMPARE(upload.setup, panel);
        QTEST(rig.server.commands(), "commands");
        if (!shortStatus) {
            QCOMPARE(rig.model.level(), panel.level);
            QCOMPARE(rig.model.time(), panel.position);
            QCOMPARE(lastReply, QString::fromLatin1(rig.model.statusLine()) + u"\n"_qs);
        }
    }

    void resetPauseComesFirst_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<bool>("paused");
        QTest::newRow("frequency") << int(Mode::Frequency) << QByteArray("FKBj") << true;
        // Counting sends its mode letter only: no reset pulse, no pause, nothing stepped.
        QTest::newRow("counting") << int(Mode::Count) << QByteArray("P") << false;
    }
    void resetPauseComesFirst()
    {
        QFETCH(int, mode);
        QFETCH(bool, paused);
        test::SimRig rig;
        rig.model.setLevel(paused ? 0 : 4); // nothing to step for frequency
        PauseProbe panel;
        QString lastReply;
        QMetaObject::invokeMethod(
            &rig.link, [&] { panel.loopRan = true; }, Qt::QueuedConnection);
        const double start = rig.server.secondsSinceStart();

        run(device::uploadSettings(rig.link, panel, Mode(mode), lastReply));
        QTEST(rig.server.commands(), "commands");
        QCOMPARE(panel.ranBeforeModeLetter, paused);
        if (paused)
            QVERIFY(rig.server.received().front().seconds - start >= 0.1);
        else
            QCOMPARE(lastReply, u"PK0Bj:4\r\n"_qs);
    }

    void silentCounterStopsAfterTheModeLetter()
    {
        sim::Faults faults;
        faults.silent = true;
        test::SimRig rig({}, faults);
        test::TestPanel panel;
        QString lastReply = u"old"_qs;

        QVERIFY(
            !run(device::uploadSettings(rig.link, panel, Mode::Frequency, lastReply)).confirmed);
        QCOMPARE(rig.server.commands(), QByteArray("F"));
        QCOMPARE(lastReply, QString());
    }

    void stuckStepping_data()
    {
        QTest::addColumn<bool>("stuckLevel");
        QTest::newRow("level never moves") << true;
        QTest::newRow("measuring time never moves") << false;
    }
    void stuckStepping()
    {
        QFETCH(bool, stuckLevel);
        sim::Faults faults;
        faults.stuckLevel = stuckLevel;
        faults.stuckTime = !stuckLevel;
        test::SimRig rig({}, faults);
        test::TestPanel panel;
        panel.values.level = stuckLevel ? 2 : 0;
        panel.values.position = stuckLevel ? 0 : 2;
        QString lastReply;
        const char step = stuckLevel ? '+' : 'C';

        QVERIFY(
            !run(device::uploadSettings(rig.link, panel, Mode::Frequency, lastReply)).confirmed);
        const QByteArray commands = rig.server.commands();
        QVERIFY(commands.startsWith("FKBj"));
        const QByteArray steps = commands.mid(4);
        QVERIFY(steps.size() > 10);
        QCOMPARE(steps.count(step), steps.size());
        // Steps go on for the whole budget, and stop once it has passed: the last one is the
        // first past 3 s.
        const auto &received = rig.server.received();
        const double loopStart = received[4].seconds;
        QVERIFY(received.back().seconds - loopStart >= 2.5);
        QVERIFY(received[received.size() - 2].seconds - loopStart <= 3.05);
    }

    void panelIsReadWhenEachStepRuns()
    {
        test::SimRig rig;
        test::TestPanel panel;
        QString lastReply;
        // The operator turns the filter on and picks the falling edge after the mode letter
        // went out: the later steps of the same upload send the new settings.
        QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
            if (c == 'F') {
                panel.values.filter = true;
                panel.values.fallingEdge = true;
                panel.values.level = 1;
                // The mode is the measurement's own: a change now waits for the next one.
                panel.values.mode = Mode::Calibration;
            }
        });

        const device::Upload upload =
            run(device::uploadSettings(rig.link, panel, Mode::Frequency, lastReply));
        QCOMPARE(rig.server.commands(), QByteArray("Fkbj+"));
        // What was sent, not what the panel shows now.
        QCOMPARE(upload.setup, (Setup{Mode::Frequency, 0, false, 1, true, true}));
    }
};

QTEST_GUILESS_MAIN(SettingsUploadTest)
#include "tst_settingsupload.moc"
