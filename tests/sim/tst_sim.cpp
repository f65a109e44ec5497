// The simulated counter: its model of the instrument, and the pelmix-sim program run as
// a separate process with each of its faults.

#include "../common/SimRig.h"

#include "device/Errors.h"
#include "sim/CounterModel.h"
#include "sim/Faults.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

using namespace pelmix;
using pelmix::sim::CounterModel;
using pelmix::sim::Signal;
using pelmix::test::run;
using namespace std::chrono_literals;

namespace {

// pelmix-sim in its own process, with a link opened on the device it prints.
struct SimProcess
{
    QProcess process;
    device::Shutdown shutdown;
    device::Link link{shutdown};
    QString device;

    explicit SimProcess(const QStringList &arguments)
    {
        process.start(QStringLiteral(PELMIX_SIM_PATH), arguments);
        if (!process.waitForStarted() || !process.waitForReadyRead(5000))
            return;
        device = QString::fromLocal8Bit(process.readLine()).trimmed();
        if (auto error = link.setUp(1, device))
            qWarning("%s", qPrintable(*error));
    }
    ~SimProcess()
    {
        link.release();
        process.terminate();
        process.waitForFinished(5000);
    }
    QString ask(char command, float timeout = 1.0f)
    {
        return run(link.exchange(QString(QLatin1Char(command)), timeout)).text;
    }
};

} // namespace

class PelmixSimTest : public QObject
{
    Q_OBJECT

private slots:
    void statusLine_data()
    {
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<QByteArray>("status");

        QTest::newRow("at start") << QByteArray("w") << QByteArray("FK0Bj:0\r");
        QTest::newRow("analog period, falling, filter, calibration")
            << QByteArray("tkbJ") << QByteArray("tk0bJ:0\r");
        QTest::newRow("level and time") << QByteArray("+++CC") << QByteArray("FK2Bj:3\r");
        QTest::newRow("switches back") << QByteArray("kKbBJj") << QByteArray("FK0Bj:0\r");
        // Stepping only advances: after the last position comes the first.
        QTest::newRow("level and time wrap")
            << QByteArray("++++++++CCCCCC") << QByteArray("FK1Bj:0\r");
    }
    void statusLine()
    {
        QFETCH(QByteArray, commands);
        QFETCH(QByteArray, status);
        CounterModel model;
        QByteArray last;
        for (const char c : commands)
            last = model.respond(c).bytes;
        QCOMPARE(last, status);
        QCOMPARE(model.respond('w').bytes, status);
        // The positions the program reads.
        QCOMPARE(status.at(2), char('0' + model.time()));
        QCOMPARE(status.at(6), char('0' + model.level()));
    }

    void dataReply_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<double>("frequencyHz");
        QTest::addColumn<double>("intervalUs");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs"); // a frequency comes after its measuring time (halved)

        // Each count is the one the program's display rules turn back into the signal.
        QTest::newRow("12345.678 Hz, 10 s")
            << QByteArray("fCCCC") << 12345.678 << 0.0 << QByteArray("F0001E241\r") << 5000;
        QTest::newRow("calibration counts the reference")
            << QByteArray("FJC") << 5.0 << 0.0 << QByteArray("F00002710\r") << 5;
        QTest::newRow("period 81 us, multiplier 10^4")
            << QByteArray("tCCCC") << 1e6 / 81 << 0.0 << QByteArray("T0000007B98A0\r") << 0;
        QTest::newRow("interval 100 us")
            << QByteArray("I") << 1.0 << 100.0 << QByteArray("I0000000003E8\r") << 0;
    }
    void dataReply()
    {
        QFETCH(QByteArray, setup);
        QFETCH(double, frequencyHz);
        QFETCH(double, intervalUs);
        QFETCH(int, delayMs);
        CounterModel model(Signal{.frequencyHz = frequencyHz, .intervalUs = intervalUs});
        model.setTimeScale(0.5);
        for (const char c : setup)
            model.respond(c);
        const CounterModel::Reply data = model.respond('D');
        QTEST(data.bytes, "reply");
        QCOMPARE(data.delay, CounterModel::Clock::duration(std::chrono::milliseconds(delayMs)));
    }

    void countingAccumulatesSinceEnteringTheMode()
    {
        Signal signal;
        signal.pulseRateHz = 1000;
        CounterModel model(signal);
        const auto t0 = CounterModel::Clock::now();
        model.respond('P', t0);
        model.respond('P', t0 + 200ms); // still counting: no restart
        QCOMPARE(model.respond('D', t0 + 500ms).bytes, QByteArray("P0000000001F4\r"));
        QCOMPARE(model.respond('D', t0 + 1500ms).bytes, QByteArray("P0000000005DC\r"));
        model.respond('F', t0 + 2s);
        model.respond('p', t0 + 3s);
        QCOMPARE(model.respond('D', t0 + 3100ms).bytes, QByteArray("P000000000064\r"));
    }

    void noiseRepeatsWithItsSeed()
    {
        auto replies = [](std::uint32_t seed) {
            CounterModel model(Signal{.noise = 1e-3, .seed = seed});
            QByteArrayList all;
            for (const char c : QByteArray("CCCDDDDD"))
                all.append(model.respond(c).bytes);
            return all;
        };
        QCOMPARE(replies(7), replies(7));
        QVERIFY(replies(7) != replies(8));
        const QByteArrayList some = replies(7).mid(3);
        QVERIFY(QSet<QByteArray>(some.cbegin(), some.cend()).size() > 1);
    }

    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<char>("command");
        QTest::addColumn<float>("timeout");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<double>("atLeast"); // seconds the exchange must take

        // Silent, no-cr, short-status and stuck-time are run in tst_exchange and tst_faults.
        QTest::newRow("unknown command") << QString() << 'x' << 1.0f << u"?\r\n"_qs << 0.0;
        QTest::newRow("slow") << u"slow=200"_qs << 'w' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.2;
        QTest::newRow("split") << u"split"_qs << 'w' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.014;
        QTest::newRow("stuck level")
            << u"stuck-level"_qs << '+' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.0;
        QTest::newRow("flood") << u"flood"_qs << 'D' << 0.5f
                               << QString(device::Link::MaxReply, QLatin1Char('7')) << 0.5;
    }
    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(char, command);
        QFETCH(float, timeout);
        QFETCH(double, atLeast);

        SimProcess sim(fault.isEmpty() ? QStringList() : QStringList{u"--fault"_qs, fault});
        QVERIFY(sim.device.startsWith(u"/dev/"_qs));
        QElapsedTimer clock;
        clock.start();
        QTEST(sim.ask(command, timeout), "reply");
        QVERIFY2(test::secondsOf(clock) >= atLeast,
                 qPrintable(QString::number(test::secondsOf(clock))));
    }

    void hangUpAfterN()
    {
        SimProcess sim({u"--fault"_qs, u"hang-up-after=2"_qs, u"--fault"_qs, u"garbage"_qs});
        const QString clean = u"FK0Bj:0\r\n"_qs;
        const QString first = sim.ask('w');
        const QString second = sim.ask('w');
        // Garbage: extra bytes in every reply, the line still ends the same way.
        QVERIFY(first != clean || second != clean);
        QVERIFY(first.endsWith(u"\r\n"_qs) && second.endsWith(u"\r\n"_qs));
        QVERIFY_THROWS_EXCEPTION(device::PortFailure, sim.ask('w', 2.0f));
        QByteArray errors;
        QTRY_VERIFY((errors += sim.process.readAllStandardError()).contains("hung up"));
    }

    void linkRecordAndCleanExit()
    {
        QTemporaryDir dir;
        const QString linkPath = dir.filePath(u"counter"_qs);
        const QString recordPath = dir.filePath(u"record.txt"_qs);
        {
            SimProcess sim({u"--link"_qs, linkPath, u"--record"_qs, recordPath});
            QCOMPARE(QFileInfo(linkPath).symLinkTarget(), sim.device);
            QVERIFY(!sim.link.setUp(4, linkPath));
            QCOMPARE(sim.ask('w'), u"FK0Bj:0\r\n"_qs);
            QCOMPARE(sim.ask('+'), u"FK0Bj:1\r\n"_qs);
            QVERIFY(sim.link.portLabel().contains(linkPath));
            QVERIFY(!sim.link.release());

            ::kill(pid_t(sim.process.processId()), SIGINT);
            QVERIFY(sim.process.waitForFinished(5000));
            QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(sim.process.exitCode(), 0);
        }
        QVERIFY(!QFileInfo::exists(linkPath));
        // A line a command, after the seconds since the start.
        QFile record(recordPath);
        QVERIFY(record.open(QIODevice::ReadOnly));
        QVERIFY(QRegularExpression(u"^[0-9.]+ w\n[0-9.]+ \\+\n$"_qs)
                    .match(QString::fromLatin1(record.readAll()))
                    .hasMatch());
    }

    void timeScaleAndLineRate()
    {
        SimProcess sim({u"--time-scale"_qs, u"0.01"_qs, u"--line-rate"_qs});
        for (int i = 0; i < 3; ++i)
            sim.ask('C');
        QElapsedTimer clock;
        clock.start();
        // One second of measuring time scaled to 10 ms, then 10 characters at 9600 baud.
        QCOMPARE(sim.ask('D', 1.1f), u"F0000303A\r\n"_qs);
        const double took = test::secondsOf(clock);
        QVERIFY2(took >= 0.010 + 9 * 0.00104, qPrintable(QString::number(took)));
    }
};

QTEST_GUILESS_MAIN(PelmixSimTest)
#include "tst_sim.moc"
