// The log file: its lines, byte for byte, and what happens when it cannot be written.

#include "../common/UiRig.h"

#include "ui/LogFile.h"
#include "ui/MainWindow.h"

#include <QDir>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

#include <sys/stat.h>

using namespace pelmix;
using pelmix::test::contents;
using pelmix::test::UiRig;
using ui::LogFile;

namespace {

const QDateTime Fixed(QDate(2026, 12, 6), QTime(21, 5, 3));

void openLog(UiRig &rig, const QString &path)
{
    rig.action("mnuFOpen")->trigger();
    test::choose(rig.window.get(), "OpenLog", path);
    QTest::qWait(20);
}

void measureOnce(UiRig &rig)
{
    rig.find<QToolButton>("hand1")->click();
    QVERIFY(rig.waitIdle());
}

} // namespace

class LogFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { test::store().clear(); }

    void dateAndTime_data();
    void dateAndTime();
    void fullSessionByteForByte();
    void openingLineNamesTheSelectedMode();
    void modeChosenDuringAMeasurementWaitsForItsResult();
    void cancelChangesNothing();
    void unwritablePlaces_data();
    void unwritablePlaces();
    void killedProgramKeepsItsLines();
    void deletedLogIsReported();
};

void LogFileTest::dateAndTime_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");

    QTest::newRow("English (US)") << u"en_US"_qs << u"<<<12/6/26     >>>"_qs << u"9:05:03 PM"_qs;
    QTest::newRow("German") << u"de_DE"_qs << u"<<<06.12.26     >>>"_qs << u"21:05:03"_qs;
    QTest::newRow("British") << u"en_GB"_qs << u"<<<06/12/2026     >>>"_qs << u"21:05:03"_qs;
}

void LogFileTest::dateAndTime()
{
    QFETCH(QString, locale);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QCOMPARE(LogFile::dateLine(Fixed.date(), QLocale(locale)), date);
    QCOMPARE(LogFile::timeOfDay(Fixed.time(), QLocale(locale)), time);
}

void LogFileTest::fullSessionByteForByte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"session.log"_qs);
    UiRig rig;
    rig.window->logFile().setClock([] { return Fixed; });
    const QLocale system = QLocale::system();
    const QByteArray date = LogFile::dateLine(Fixed.date(), system).toLocal8Bit();
    // Each result line bears the time its reply ended.
    QList<QByteArray> times;
    QObject::connect(&rig.window->session().meter(), &measure::Meter::measured, rig.window.get(),
                     [&](const measure::Result &result) {
                         times << LogFile::timeOfDay(
                                      QDateTime::fromMSecsSinceEpoch(result.utcMs).time(), system)
                                      .toLocal8Bit();
                     });
    // A log chosen again goes on after what it holds.
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier session\r\n") > 0);
    earlier.close();

    openLog(rig, path);
    QVERIFY(!rig.action("mnuFOpen")->isEnabled());
    QVERIFY(rig.action("mnuFSave")->isEnabled());
    measureOnce(rig);
    rig.find<QToolButton>("T")->click();
    measureOnce(rig);
    // A full-width value: a 1 kHz signal at the multiplier 10^4 fills all 13 characters.
    rig.model.signal().frequencyHz = 1000;
    rig.find<QSlider>("Slider2")->setValue(4);
    measureOnce(rig);
    rig.action("mnuFSave")->trigger();
    QVERIFY(rig.action("mnuFOpen")->isEnabled());
    QVERIFY(!rig.action("mnuFSave")->isEnabled());
    // Nothing after the log is closed.
    rig.find<QToolButton>("dt")->click();
    measureOnce(rig);

    QCOMPARE(contents(path), "earlier session\r\n" + date +
                                 "\r\n"
                                 "Frequency\r\n" +
                                 times.value(0) +
                                 "        12kHz\r\n"
                                 "Period\r\n" +
                                 times.value(1) + "      81.0mkS\r\n" + times.value(2) +
                                 " 1000.00000mkS\r\n");
}

void LogFileTest::openingLineNamesTheSelectedMode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"period.log"_qs);
    UiRig rig;
    rig.find<QToolButton>("T")->click();
    openLog(rig, path);
    for (const char *mode : {"calibr", "dt", "Sum", "F"})
        rig.find<QToolButton>(mode)->click();
    QVERIFY(
        contents(path).endsWith("\r\nPeriod\r\nCalibration\r\nTime\r\nQuantity\r\nFrequency\r\n"));
}

void LogFileTest::modeChosenDuringAMeasurementWaitsForItsResult()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"modes.log"_qs);
    UiRig rig;
    openLog(rig, path);
    // Period is chosen while a frequency measurement waits for its reply.
    QObject::connect(&rig.server, &sim::PtyServer::commandReceived, &rig.server, [&](char c) {
        if (c == 'D' && rig.server.commands().count('D') == 1)
            rig.find<QToolButton>("T")->click();
    });
    measureOnce(rig);
    QVERIFY(!contents(path).contains("Period"));
    measureOnce(rig);

    const QList<QByteArray> lines = contents(path).split('\n');
    QCOMPARE(lines.size(), 6); // the date line, two mode lines, two results, nothing after
    QCOMPARE(lines[1], "Frequency\r");
    QVERIFY(lines[2].endsWith("kHz\r"));
    QCOMPARE(lines[3], "Period\r");
    QVERIFY(lines[4].endsWith("mkS\r"));
}

void LogFileTest::cancelChangesNothing()
{
    UiRig rig;
    openLog(rig, QString());
    QVERIFY(rig.action("mnuFOpen")->isEnabled());
    QVERIFY(!rig.action("mnuFSave")->isEnabled());
    QVERIFY(!rig.window->logFile().isOpen());
    // And a fresh open works afterwards.
    QTemporaryDir dir;
    openLog(rig, dir.filePath(u"after-cancel.log"_qs));
    QVERIFY(rig.window->logFile().isOpen());
}

void LogFileTest::unwritablePlaces_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("a directory") << QDir::tempPath() << u"cannot be opened"_qs;
    QTest::newRow("no such folder") << u"/nonexistent-folder/x.log"_qs << u"cannot be opened"_qs;
    // A pipe would block the window until a reader came; no device is a log either.
    QTest::newRow("a named pipe") << u"fifo"_qs << u"not a regular file"_qs;
    QTest::newRow("a device") << u"/dev/full"_qs << u"not a regular file"_qs;
}

void LogFileTest::unwritablePlaces()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    if (path == u"fifo"_qs) {
        path = dir.filePath(u"pipe.log"_qs);
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    }
    UiRig rig;
    // The file dialog opens a folder rather than choosing it, so a folder is given directly.
    if (QFileInfo(path).isDir())
        QVERIFY(!rig.window->logFile().open(path, pelmix::Mode::Frequency));
    else
        openLog(rig, path);
    const QString message = test::answerMessage();
    QVERIFY2(message.contains(reason) && message.contains(path), qPrintable(message));
    // Reported once; the log is treated as closed and measuring goes on.
    QVERIFY(!rig.window->logFile().isOpen());
    QVERIFY(rig.action("mnuFOpen")->isEnabled());
    QVERIFY(!rig.action("mnuFSave")->isEnabled());
    measureOnce(rig);
    rig.find<QToolButton>("T")->click();
    measureOnce(rig);
    QCOMPARE(test::answerMessage(300), QString());
    QCOMPARE(rig.text("Tablo1"), u"      81.0mkS"_qs);
}

void LogFileTest::killedProgramKeepsItsLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"killed.log"_qs);
    QProcess process;
    process.start(QStringLiteral(PELMIX_LOGKILLER_PATH), {path});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    const QByteArray text = contents(path);
    QVERIFY(text.endsWith("        12kHz\r\n"));
}

void LogFileTest::deletedLogIsReported()
{
    auto dir = std::make_unique<QTemporaryDir>();
    const QString path = dir->filePath(u"gone.log"_qs);
    UiRig rig;
    openLog(rig, path);
    dir.reset(); // the folder and the log in it are deleted
    measureOnce(rig);
    const QString message = test::answerMessage();
    QVERIFY2(message.contains(path) && message.contains(u"deleted"_qs), qPrintable(message));
    QVERIFY(!rig.window->logFile().isOpen());
    QVERIFY(rig.action("mnuFOpen")->isEnabled());
    measureOnce(rig);
    QCOMPARE(test::answerMessage(300), QString());
}

QTEST_MAIN(LogFileTest)
#include "tst_logfile.moc"
