// The whole program against a misbehaving counter, a failing port and an impatient
// operator: what the operator sees, what reaches the counter, and what is logged.

#include "../common/UiRig.h"

#include "ui/Twips.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>

#include <ctime>
#include <sys/stat.h>

using namespace pelmix;
using pelmix::test::UiRig;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long residentKiB()
{
    QFile status(u"/proc/self/status"_qs);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

void click(UiRig &rig, const char *name)
{
    rig.find<QToolButton>(name)->click();
}

// Measures once, or three times cyclically without a pause, and waits until done,
// answering every message box. Returns the messages shown.
QStringList run(UiRig &rig, bool cyclic, int measurements = 3)
{
    QStringList messages;
    const qsizetype before = rig.server.commands().count('w');
    if (cyclic) {
        rig.meter().setCyclePause(0);
        rig.meter().startCycle();
    } else {
        click(rig, "hand1");
        measurements = 1;
    }
    const bool ended = QTest::qWaitFor(
        [&] {
            if (QMessageBox *box = test::visibleMessageBox()) {
                messages << box->text();
                box->button(QMessageBox::Ok)->click();
            }
            if (cyclic && rig.server.commands().count('w') - before >= measurements)
                rig.meter().stopCycle();
            return rig.meter().activeTasks() == 0;
        },
        60000);
    if (!ended)
        messages << u"<still measuring>"_qs;
    return messages;
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void sameResultsAsAPromptCounter_data();
    void sameResultsAsAPromptCounter();
    void silentCounter_data();
    void silentCounter();
    void garbageIsDecodedByTheRules_data();
    void garbageIsDecodedByTheRules();
    void traceStaysBounded();
    void floodEndsAtTheTimeOut();
    void steppingFaults_data();
    void steppingFaults();
    void hangUp_data();
    void hangUp();
    void portOpenFailures_data();
    void portOpenFailures();
    void permissionDeniedNamesTheGroup();
    void impatientOperatorNeverOverlapsExchanges();
};

void FaultsTest::sameResultsAsAPromptCounter_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("cyclic");
    for (const bool cyclic : {false, true}) {
        const char *mode = cyclic ? ", cyclic" : ", single";
        for (const char *fault : {"prompt", "slow", "split", "line-rate", "no-cr"})
            QTest::newRow(qPrintable(QString::fromLatin1(fault) + QLatin1String(mode)))
                << QString::fromLatin1(fault) << cyclic;
    }
}

void FaultsTest::sameResultsAsAPromptCounter()
{
    QFETCH(QString, fault);
    QFETCH(bool, cyclic);
    UiRig rig;
    QTemporaryDir dir;
    QVERIFY(rig.window->logFile().open(dir.filePath(u"f.log"_qs), device::Mode::Frequency));
    if (fault == u"slow"_qs)
        rig.model.faults().slowMs = 150;
    else if (fault == u"split"_qs)
        rig.model.faults().split = true;
    else if (fault == u"line-rate"_qs)
        rig.server.setLineRate(true);
    else if (fault == u"no-cr"_qs)
        rig.model.faults().noCr = true; // each exchange ends at its time-out, text intact

    // Without carriage returns every exchange waits its whole time-out: two will do.
    const QStringList messages = run(rig, cyclic, fault == u"no-cr"_qs ? 2 : 3);
    QCOMPARE(messages, QStringList());
    QCOMPARE(rig.text("Tablo1"), u"        12kHz"_qs);
    QCOMPARE(rig.text("Tablo2"), u"      83.3mkS"_qs);
    const QByteArray commands = rig.server.commands();
    QCOMPARE(commands.count('D'), commands.count('w'));
    QCOMPARE(QByteArray(commands).replace("wFKBjD", ""), QByteArray());
    QCOMPARE(rig.server.overlaps(), 0);
    rig.window->logFile().close();
    QFile log(dir.filePath(u"f.log"_qs));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("        12kHz\r\n"), commands.count('w'));
}

void FaultsTest::silentCounter_data()
{
    QTest::addColumn<bool>("cyclic");
    QTest::newRow("single") << false;
    QTest::newRow("cyclic") << true;
}

void FaultsTest::silentCounter()
{
    QFETCH(bool, cyclic);
    UiRig rig;
    QTemporaryDir dir;
    QVERIFY(rig.window->logFile().open(dir.filePath(u"s.log"_qs), device::Mode::Frequency));
    rig.model.faults().silent = true;

    const QStringList messages = run(rig, cyclic, 2);
    // One message a measurement; the cycle goes on after each.
    const int measurements = cyclic ? 2 : 1;
    QCOMPARE(messages, QStringList(measurements, u"Connection Error"_qs));
    QCOMPARE(rig.server.commands(), QByteArray(measurements, 'w'));
    QCOMPARE(rig.text("Tablo1"), u" Pelmix"_qs);
    rig.window->logFile().close();
    QFile log(dir.filePath(u"s.log"_qs));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().split('\n').size(), 3); // date line and mode line only
}

void FaultsTest::garbageIsDecodedByTheRules_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("tablo1");
    QTest::addColumn<QByteArray>("commands");

    QTest::newRow("LF inside the data") << QByteArray() << QByteArray("F000\n00032\r")
                                        << u"        50kHz"_qs << QByteArray("wFKBjD");
    QTest::newRow("NUL inside the data") << QByteArray()
                                         << QByteArray("F000\0"
                                                       "0032\r",
                                                       10)
                                         << u"         0kHz"_qs << QByteArray("wFKBjD");
    QTest::newRow("0xFF inside the data") << QByteArray()
                                          << QByteArray("F0000\xff"
                                                        "032\r")
                                          << u"         0kHz"_qs << QByteArray("wFKBjD");
    QTest::newRow("backspace shortens the field") << QByteArray() << QByteArray("F00000\b032\r")
                                                  << u"         0kHz"_qs << QByteArray("wFKBjD");
    QTest::newRow("backspace erasing an extra digit")
        << QByteArray() << QByteArray("F000000322\b\r") << u"        50kHz"_qs
        << QByteArray("wFKBjD");
    QTest::newRow("random bytes") << QByteArray() << QByteArray("\x01\x7f\x80\xfe\r")
                                  << u"         0kHz"_qs << QByteArray("wFKBjD");
    // A status line of garbage passes on its length; its level reads as 0.
    QTest::newRow("garbage status")
        << QByteArray("\xff\0\xfe\b\x01\x02\x03\r", 8) << QByteArray("F00000032\r")
        << u"        50kHz"_qs << QByteArray("wFKBjD");
}

void FaultsTest::garbageIsDecodedByTheRules()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, data);
    QFETCH(QString, tablo1);
    QFETCH(QByteArray, commands);
    UiRig rig;
    rig.model.setDataReply(data);
    if (!status.isEmpty()) {
        // Every status line of this measurement is garbage; the data reply is the row's.
        rig.model.faults().silent = true;
        QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server,
                         [&](char c) { rig.server.send(c == 'D' ? data : status); });
    }
    QCOMPARE(run(rig, false), QStringList());
    QCOMPARE(rig.text("Tablo1"), tablo1);
    QCOMPARE(rig.server.commands(), commands);
}

void FaultsTest::traceStaysBounded()
{
    UiRig rig;
    rig.model.faults().garbage = true;
    rig.model.setDataReply(QByteArray(600, 'x') + '\r');
    run(rig, true, 40);
    auto *dbgout = rig.find<QPlainTextEdit>("dbgout");
    const qsizetype length = dbgout->document()->characterCount();
    QVERIFY2(length <= 16000 + device::Link::MaxReply + 2, qPrintable(QString::number(length)));
    QVERIFY(!dbgout->document()->isUndoAvailable());
    QCOMPARE(rig.server.overlaps(), 0);
}

void FaultsTest::floodEndsAtTheTimeOut()
{
    UiRig rig;
    const long before = residentKiB();
    rig.model.faults().flood = true;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(rig, false), QStringList());
    QVERIFY(clock.elapsed() >= 1000);
    // A megabyte went by; what the program kept of it is bounded.
    QVERIFY2(residentKiB() - before < 16 * 1024,
             qPrintable(QString::number(residentKiB() - before)));
    rig.model.faults().flood = false;
    QTest::qWait(300); // whatever is still on the line drains
    QCOMPARE(run(rig, false), QStringList());
    QCOMPARE(rig.text("Tablo1"), u"        12kHz"_qs);
}

void FaultsTest::steppingFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("measured");

    QTest::newRow("short status") << u"short-status"_qs << QStringList{u"Connection Error"_qs}
                                  << false;
    QTest::newRow("stuck level") << u"stuck-level"_qs << QStringList{u"Connection Error"_qs}
                                 << true;
    QTest::newRow("stuck time") << u"stuck-time"_qs << QStringList{u"Connection Error"_qs} << true;
}

void FaultsTest::steppingFaults()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, messages);
    QFETCH(bool, measured);
    UiRig rig;
    QVERIFY(!rig.model.faults().parse(fault));
    rig.find<QSlider>("Slider1")->setValue(2);
    rig.find<QSlider>("Slider2")->setValue(1);
    QCOMPARE(run(rig, false), messages);
    QCOMPARE(rig.server.commands().endsWith('D'), measured);
    // The counter stayed at its measuring time 0: the 12 pulses of 1 ms read as 10 ms.
    if (measured)
        QCOMPARE(rig.text("Tablo1"), u"       1.2kHz"_qs);
}

void FaultsTest::hangUp_data()
{
    QTest::addColumn<char>("at");
    QTest::addColumn<bool>("cyclic");
    QTest::newRow("status query") << 'w' << true;
    QTest::newRow("upload step") << 'B' << true;
    QTest::newRow("data request") << 'D' << false;
    QTest::newRow("pause") << 'P' << true;
}

void FaultsTest::hangUp()
{
    QFETCH(char, at);
    QFETCH(bool, cyclic);
    QTemporaryDir dir;
    const QString linkPath = dir.filePath(u"counter"_qs);
    UiRig rig([&](QSettings &s, UiRig &r) {
        s.setValue(u"Ports/Com2"_qs, linkPath);
        QVERIFY(!r.server.makeLink(linkPath));
    });
    QVERIFY(rig.link().isOpen());
    QVERIFY(rig.window->logFile().open(dir.filePath(u"h.log"_qs), device::Mode::Frequency));
    rig.model.setTime(3); // "D" takes a second, so the hang-up comes while it waits
    rig.find<QSlider>("Slider2")->setValue(3);

    // The first measurement is clean; the device goes away during the second.
    int seen = 0;
    QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
        if (at != 'P' && c == at && ++seen == 2)
            QTimer::singleShot(20, &rig.server, [&] { rig.server.hangUp(); });
    });
    if (at == 'P')
        QObject::connect(&rig.meter(), &measure::Meter::measurementFinished, &rig.server, [&] {
            if (++seen == 1)
                rig.server.hangUp();
        });
    rig.meter().setCyclePause(0.3f);
    QStringList messages;
    if (cyclic) {
        rig.meter().startCycle();
    } else {
        click(rig, "hand1");
        QVERIFY(rig.waitIdle());
        click(rig, "hand1");
    }
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (QMessageBox *box = test::visibleMessageBox()) {
                messages << box->text();
                box->button(QMessageBox::Ok)->click();
            }
            return rig.meter().activeTasks() == 0;
        },
        15000));

    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(u"Com2 (%1): "_qs.arg(linkPath)),
             qPrintable(messages.first()));
    QVERIFY(!rig.meter().isCycleRunning());
    QVERIFY(rig.find("Str11")->isVisible());
    // The clean measurement's result stands; nothing of the failed one.
    QCOMPARE(rig.text("Tablo1"), u"    12.346kHz"_qs);
    rig.window->logFile().close();
    QFile log(dir.filePath(u"h.log"_qs));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("kHz\r\n"), 1);

    // No processor spin while the device is gone.
    const double cpu = cpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(cpuSeconds() - cpu < 0.5, qPrintable(QString::number(cpuSeconds() - cpu)));

    // The device comes back on the same path: the next measurement finds it.
    QVERIFY(!rig.server.comeBack());
    rig.server.clearRecord();
    click(rig, "hand1");
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
    QVERIFY(!test::visibleMessageBox());
}

void FaultsTest::portOpenFailures_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << u"/dev/pelmix-no-such-port"_qs << u"No such file or directory"_qs;
    QTest::newRow("not a serial port") << u"/dev/null"_qs << u"not a serial port"_qs;
    QTest::newRow("in use") << u"in-use"_qs << u"in use by another program"_qs;
}

void FaultsTest::portOpenFailures()
{
    QFETCH(QString, device);
    QFETCH(QString, reason);
    sim::CounterModel otherModel;
    sim::PtyServer other(otherModel);
    QSerialPort holder;
    if (device == u"in-use"_qs) {
        QVERIFY(!other.start());
        device = other.devicePath();
        holder.setPortName(device);
        QVERIFY(holder.open(QIODevice::ReadWrite));
    }
    UiRig rig([&](QSettings &s, UiRig &) { s.setValue(u"Ports/Com2"_qs, device); }, false);
    const QString message = test::answerMessage();
    QVERIFY2(message.startsWith(u"Com2 (%1): "_qs.arg(device)) && message.contains(reason),
             qPrintable(message));
    QVERIFY(!message.contains(u"dialout"_qs));
    QTRY_VERIFY(rig.find("frmOptions") && rig.find("frmOptions")->isVisible());
    QCOMPARE(test::answerMessage(200), QString());
}

void FaultsTest::permissionDeniedNamesTheGroup()
{
    if (::geteuid() != 0)
        QSKIP("needs to run as root to try the port as another user");
    sim::CounterModel model;
    sim::PtyServer server(model);
    QVERIFY(!server.start());
    QVERIFY(::chmod(QFile::encodeName(server.devicePath()).constData(), 0600) == 0);
    QProcess probe;
    probe.start(u"setpriv"_qs, {u"--reuid=65534"_qs, u"--regid=65534"_qs, u"--clear-groups"_qs,
                                QStringLiteral(PELMIX_PORTPROBE_PATH), server.devicePath()});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit)
        QSKIP("setpriv is not available");
    const QString message = QString::fromLocal8Bit(probe.readAllStandardOutput());
    QVERIFY2(message.startsWith(u"Com2 (%1): "_qs.arg(server.devicePath())), qPrintable(message));
    QVERIFY2(message.contains(u"dialout"_qs), qPrintable(message));
}

void FaultsTest::impatientOperatorNeverOverlapsExchanges()
{
    UiRig rig;
    rig.model.setTimeScale(0.05);
    QRandomGenerator random(20261206);
    const char *buttons[] = {"hand1",  "F",       "T",      "dt", "Sum",
                             "calibr", "Digital", "Analog", "Sr", "Fr"};
    QElapsedTimer clock;
    clock.start();
    int actions = 0;
    while (clock.elapsed() < 5000) {
        switch (random.bounded(6)) {
        case 0:
            if (rig.find("Str11")->isVisible())
                QTest::mouseClick(rig.find("Str11"), Qt::LeftButton);
            break;
        case 1:
            if (rig.find("Str21")->isVisible())
                QTest::mouseClick(rig.find("Str21"), Qt::LeftButton);
            break;
        case 2:
            rig.find<QSlider>("Slider1")->setValue(random.bounded(8));
            break;
        case 3:
            rig.find<QSlider>("Slider2")->setValue(random.bounded(5));
            break;
        case 4:
            rig.meter().setCyclePause(float(random.bounded(3)) / 10);
            break;
        default:
            click(rig, buttons[random.bounded(int(std::size(buttons)))]);
            break;
        }
        ++actions;
        if (QMessageBox *box = test::visibleMessageBox())
            box->button(QMessageBox::Ok)->click();
        QTest::qWait(random.bounded(30));
    }
    rig.meter().stopCycle();
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (QMessageBox *box = test::visibleMessageBox())
                box->button(QMessageBox::Ok)->click();
            return rig.meter().activeTasks() == 0;
        },
        30000));
    QVERIFY(actions > 100);
    QVERIFY(rig.server.commands().count('D') > 5);
    QCOMPARE(rig.server.overlaps(), 0);
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
