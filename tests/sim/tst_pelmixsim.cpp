// The pelmix-sim program, run as a separate process, with each of its faults.

#include "../common/SimRig.h"

#include "device/Errors.h"
#include "sim/Faults.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

using namespace pelmix;
using pelmix::test::run;

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
    void helpListsEverything();
    void faults_data();
    void faults();
    void hangUpAfterN();
    void randomFaultsSpoilReplies();
    void linkRecordAndCleanExit();
    void timeScaleAndLineRate();
    void badArgumentsAreRefused();
};

void PelmixSimTest::helpListsEverything()
{
    QProcess process;
    process.start(QStringLiteral(PELMIX_SIM_PATH), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(5000));
    const QString help = QString::fromLocal8Bit(process.readAllStandardOutput());
    // Every fault is named; the status line's layout is told.
    for (const QString &fault : sim::Faults::names())
        QVERIFY2(help.contains(fault), qPrintable(fault));
    QVERIFY(help.contains(u"level position"_qs));
}

void PelmixSimTest::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<char>("command");
    QTest::addColumn<float>("timeout");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<double>("atLeast"); // seconds the exchange must take

    QTest::newRow("none") << QString() << 'D' << 1.0f << u"F0000000C\r\n"_qs << 0.0;
    QTest::newRow("unknown command") << QString() << 'x' << 1.0f << u"?\r\n"_qs << 0.0;
    QTest::newRow("silent") << u"silent"_qs << 'w' << 0.3f << QString() << 0.3;
    QTest::newRow("slow") << u"slow=200"_qs << 'w' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.2;
    QTest::newRow("split") << u"split"_qs << 'w' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.014;
    QTest::newRow("no carriage return") << u"no-cr"_qs << 'w' << 0.3f << u"FK0Bj:0"_qs << 0.3;
    QTest::newRow("short status") << u"short-status"_qs << 'w' << 1.0f << u"FK0\r\n"_qs << 0.0;
    QTest::newRow("stuck level") << u"stuck-level"_qs << '+' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.0;
    QTest::newRow("stuck time") << u"stuck-time"_qs << 'C' << 1.0f << u"FK0Bj:0\r\n"_qs << 0.0;
    QTest::newRow("flood") << u"flood"_qs << 'D' << 0.5f
                           << QString(device::Link::MaxReply, QLatin1Char('7')) << 0.5;
}

void PelmixSimTest::faults()
{
    QFETCH(QString, fault);
    QFETCH(char, command);
    QFETCH(float, timeout);
    QFETCH(QString, reply);
    QFETCH(double, atLeast);

    SimProcess sim(fault.isEmpty() ? QStringList() : QStringList{u"--fault"_qs, fault});
    QVERIFY(sim.device.startsWith(u"/dev/"_qs));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(sim.ask(command, timeout), reply);
    QVERIFY2(test::secondsOf(clock) >= atLeast,
             qPrintable(QString::number(test::secondsOf(clock))));
}

void PelmixSimTest::hangUpAfterN()
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

void PelmixSimTest::randomFaultsSpoilReplies()
{
    SimProcess sim({u"--fault"_qs, u"random=1"_qs, u"--seed"_qs, u"5"_qs});
    int clean = 0;
    for (int i = 0; i < 10; ++i)
        clean += sim.ask('w', 0.5f) == u"FK0Bj:0\r\n"_qs;
    // Slow and split replies still arrive whole; the other three kinds never do.
    QVERIFY2(clean < 10, qPrintable(QString::number(clean)));
}

void PelmixSimTest::linkRecordAndCleanExit()
{
    QTemporaryDir dir;
    const QString linkPath = dir.filePath(u"counter"_qs);
    const QString recordPath = dir.filePath(u"record.txt"_qs);
    {
        SimProcess sim({u"--link"_qs, linkPath, u"--record"_qs, recordPath});
        QVERIFY(QFileInfo(linkPath).isSymLink());
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
    QFile record(recordPath);
    QVERIFY(record.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = record.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].endsWith(" w"));
    QVERIFY(lines[1].endsWith(" +"));
    QVERIFY(lines[0].split(' ').front().toDouble() <= lines[1].split(' ').front().toDouble());
}

void PelmixSimTest::timeScaleAndLineRate()
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

void PelmixSimTest::badArgumentsAreRefused()
{
    QProcess process;
    process.start(QStringLiteral(PELMIX_SIM_PATH), {u"--fault"_qs, u"sulky"_qs});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardError().contains("unknown fault"));
}

QTEST_GUILESS_MAIN(PelmixSimTest)
#include "tst_pelmixsim.moc"
