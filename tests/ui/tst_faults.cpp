// The whole program against a misbehaving counter, a failing port and an impatient
// operator: what the operator sees, what reaches the counter, and what is logged.

#include "../common/UiRig.h"

#include "readings/ReadingFeed.h"
#include "ui/analysis/AnalysisMenu.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

#include <ctime>
#include <sys/stat.h>

using namespace pelmix;
using pelmix::test::contents;
using pelmix::test::UiRig;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void click(UiRig &rig, const char *name)
{
    rig.find<QToolButton>(name)->click();
}

// Waits until nothing measures any more, answering every message box; returns the
// messages shown. In a cycle, stops it once `measurements` status queries went out.
QStringList finish(UiRig &rig, int measurements = 0, qsizetype before = 0)
{
    QStringList messages;
    const bool ended = QTest::qWaitFor(
        [&] {
            if (QMessageBox *box = test::visibleMessageBox()) {
                messages << box->text();
                box->button(QMessageBox::Ok)->click();
            }
            if (measurements && rig.server.commands().count('w') - before >= measurements)
                rig.meter().stopCycle();
            return rig.meter().activeTasks() == 0;
        },
        60000);
    if (!ended)
        messages << u"<still measuring>"_qs;
    return messages;
}

// Measures once, then twice cyclically without a pause.
QStringList singleThenCyclic(UiRig &rig)
{
    click(rig, "hand1");
    QStringList messages = finish(rig);
    rig.meter().setCyclePause(0);
    rig.meter().startCycle();
    return messages + finish(rig, 2, rig.server.commands().count('w'));
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void sameResultsAsAPromptCounter_data();
    void sameResultsAsAPromptCounter();
    void silentCounterInACycle();
    void steppingFaults_data();
    void steppingFaults();
    void hangUp_data();
    void hangUp();
    void permissionDeniedNamesTheGroup();
    void impatientOperatorNeverOverlapsExchanges();
};

void FaultsTest::sameResultsAsAPromptCounter_data()
{
    QTest::addColumn<QString>("fault");
    for (const char *fault : {"prompt", "slow", "split", "line-rate"})
        QTest::newRow(fault) << QString::fromLatin1(fault);
}

void FaultsTest::sameResultsAsAPromptCounter()
{
    QFETCH(QString, fault);
    UiRig rig;
    QTemporaryDir dir;
    QVERIFY(rig.window->logFile().open(dir.filePath(u"f.log"_qs), pelmix::Mode::Frequency));
    if (fault == u"slow"_qs)
        rig.model.faults().slowMs = 100;
    else if (fault == u"split"_qs)
        rig.model.faults().split = true;
    else if (fault == u"line-rate"_qs)
        rig.server.setLineRate(true);

    QCOMPARE(singleThenCyclic(rig), QStringList());
    QCOMPARE(rig.text("Tablo1"), u"        12kHz"_qs);
    QCOMPARE(rig.text("Tablo2"), u"      83.3mkS"_qs);
    const QByteArray commands = rig.server.commands();
    QCOMPARE(QByteArray(commands).replace("wFKBjD", ""), QByteArray());
    QCOMPARE(rig.server.overlaps(), 0);
    rig.window->logFile().close();
    QCOMPARE(contents(dir.filePath(u"f.log"_qs)).count("        12kHz\r\n"), commands.count('w'));
}

void FaultsTest::silentCounterInACycle()
{
    UiRig rig;
    QTemporaryDir dir;
    QVERIFY(rig.window->logFile().open(dir.filePath(u"s.log"_qs), pelmix::Mode::Frequency));
    rig.model.faults().silent = true;
    rig.meter().setCyclePause(0);
    rig.meter().startCycle();
    // One message a measurement; the cycle goes on after each; nothing else is sent.
    QCOMPARE(finish(rig, 2), QStringList(2, u"Connection Error"_qs));
    QCOMPARE(rig.server.commands(), QByteArray("ww"));
    QCOMPARE(rig.text("Tablo1"), u" Pelmix"_qs);
    rig.window->logFile().close();
    QCOMPARE(contents(dir.filePath(u"s.log"_qs)).count("\r\n"), 2); // date and mode lines
}

void FaultsTest::steppingFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("measured");
    // A status line too short stops the measurement at the status query; a setting that
    // never moves is reported once the upload's budget is spent, and the measurement goes
    // on with the setting as it stands.
    QTest::newRow("short status") << u"short-status"_qs << false;
    QTest::newRow("stuck measuring time") << u"stuck-time"_qs << true;
}

void FaultsTest::steppingFaults()
{
    QFETCH(QString, fault);
    QFETCH(bool, measured);
    QTemporaryDir dir;
    const QString recording = dir.filePath(u"r.csv"_qs);
    UiRig rig;
    QVERIFY(!rig.model.faults().parse(fault));
    QVERIFY(rig.window->analysis().recorder().start(recording));
    rig.find<QSlider>("Slider1")->setValue(2);
    rig.find<QSlider>("Slider2")->setValue(1);
    click(rig, "hand1");
    QCOMPARE(finish(rig), QStringList{u"Connection Error"_qs});
    QCOMPARE(rig.server.commands().endsWith('D'), measured);
    if (!measured)
        return;
    // The counter stayed at its measuring time 0: the 12 pulses of 1 ms read as 10 ms. The
    // value is shown, kept and recorded, but as unconfirmed: no statistic counts it.
    QCOMPARE(rig.text("Tablo1"), u"       1.2kHz"_qs);
    const analysis::Series *series = rig.window->analysis().feed().store().current();
    QVERIFY(series && series->size() == 1);
    QCOMPARE(series->at(0).status, Status::Unconfirmed);
    QCOMPARE(series->at(0).value, 1200.0);
    QCOMPARE(series->statistics().count(), 0);
    QVERIFY2(
        contents(recording).contains(",frequency,1200,Hz,0.0008333333333333334,s,1,unconfirmed,"),
        contents(recording).constData());
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
    QVERIFY(rig.window->logFile().open(dir.filePath(u"h.log"_qs), pelmix::Mode::Frequency));
    // "D" takes 300 ms, so the hang-up comes while it waits.
    rig.model.setTimeScale(0.3);
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
    rig.meter().setCyclePause(0.2f);
    if (cyclic) {
        rig.meter().startCycle();
    } else {
        click(rig, "hand1");
        QVERIFY(rig.waitIdle());
        click(rig, "hand1");
    }
    const QStringList messages = finish(rig);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(u"Com2 (%1): "_qs.arg(linkPath)),
             qPrintable(messages.first()));
    QVERIFY(!rig.meter().isCycleRunning());
    QVERIFY(rig.find("Str11")->isVisible());
    // The clean measurement's result stands and is logged once; nothing of the failed one.
    QCOMPARE(rig.text("Tablo1"), u"    12.346kHz"_qs);
    rig.window->logFile().close();
    QCOMPARE(contents(dir.filePath(u"h.log"_qs)).count("kHz\r\n"), 1);

    // No processor spin while the device is gone.
    if (at == 'D') {
        const double cpu = cpuSeconds();
        QTest::qWait(500);
        QVERIFY2(cpuSeconds() - cpu < 0.25, qPrintable(QString::number(cpuSeconds() - cpu)));
    }

    // The device comes back on the same path: the next measurement finds it.
    QVERIFY(!rig.server.comeBack());
    rig.server.clearRecord();
    click(rig, "hand1");
    QCOMPARE(finish(rig), QStringList());
    QCOMPARE(rig.server.commands(), QByteArray("wFKBjD"));
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
    int actions = 0;
    for (; actions < 150; ++actions) {
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
        if (QMessageBox *box = test::visibleMessageBox())
            box->button(QMessageBox::Ok)->click();
        QTest::qWait(random.bounded(30));
    }
    rig.meter().stopCycle();
    QCOMPARE(finish(rig).count(u"<still measuring>"_qs), 0);
    QVERIFY(rig.server.commands().count('D') > 5);
    QCOMPARE(rig.server.overlaps(), 0);
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
