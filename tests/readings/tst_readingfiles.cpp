// Saving, recording and appending reading files: what is already in a file, a second
// writer, and a disk that fills up.

#include "readings/CsvReader.h"
#include "readings/CsvRecorder.h"
#include "readings/SaveFile.h"
#include "tests/common/SmallDisk.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pelmix;
using namespace pelmix::readings;

namespace {

const Setup Frequency{Mode::Frequency, 3, false, 2, false, false};

analysis::Reading reading(int i)
{
    return {1'714'566'896'789 + i * 1000LL, i * 1.0, 12345.678 + i, Status::Ok};
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

ReadReport readBack(const QString &path, std::vector<Row> &rows)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return readCsv(&file, rows);
}

} // namespace

class ReadingFilesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // A file that is not a reading file of the same format is left as it is, and the
    // refusal names what it holds.
    void appendRefuses_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("reason");

        const QByteArray csv = csvHeader() + csvLine(Frequency, reading(0));
        QTest::newRow("a foreign header")
            << QByteArray("a,b,c\r\n1,2,3\r\n") << int(Format::Csv)
            << u"its first line is 'a,b,c', not the header 'time_utc,"_qs;
        QTest::newRow("a word without a line end")
            << QByteArray("hello") << int(Format::Csv) << u"its first line is 'hello'"_qs;
        QTest::newRow("CSV rows into JSON lines")
            << formatReading(Format::Jsonl, Frequency, reading(0)) << int(Format::Csv)
            << u"it holds JSON lines, not CSV"_qs;
        QTest::newRow("JSON lines into CSV")
            << csv << int(Format::Jsonl) << u"it holds CSV, not JSON lines"_qs;
        QTest::newRow("text lines into CSV") << formatReading(Format::Text, Frequency, reading(0))
                                             << int(Format::Csv) << u"it holds text, not CSV"_qs;
        QTest::newRow("CSV into text") << csv << int(Format::Text) << u"it holds CSV, not text"_qs;
    }
    void appendRefuses()
    {
        QFETCH(QByteArray, existing);
        QFETCH(int, format);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        put(path, existing);
        ReadingAppender appender;
        const auto failure = appender.open(path, Format(format));
        QVERIFY(failure);
        QFETCH(QString, reason);
        QVERIFY2(failure->startsWith(reason), qPrintable(*failure));
        QCOMPARE(contents(path), existing);
        QVERIFY(!QFile::exists(path + u".lock"_qs));
    }

    // A row a crash left without its line end gets one before the next row, and the
    // reader skips it, naming its line; every row before and after it is read.
    void tornLastRow()
    {
        const QString path = m_dir.filePath(u"torn.csv"_qs);
        const QByteArray whole = csvHeader() + csvLine(Frequency, reading(1));
        put(path, whole + csvLine(Frequency, reading(2)).left(50));
        ReadingAppender appender;
        QCOMPARE(appender.open(path, Format::Csv), std::nullopt);
        QCOMPARE(appender.append(Frequency, reading(3)), std::nullopt);
        appender.close();
        std::vector<Row> rows;
        const ReadReport report = readBack(path, rows);
        QVERIFY(!report.error);
        QCOMPARE(report.tornLines, std::vector<qint64>{3});
        QCOMPARE(report.warning(), u"skipped a torn row (line 3)"_qs);
        QCOMPARE(rows.size(), std::size_t(2));
        QCOMPARE(rows[1].reading.value, reading(3).value);
        QVERIFY(contents(path).startsWith(whole));
    }

    // A second writer is kept out while the first holds the file, told who holds it, and
    // let in once the first lets go; the header is written once.
    void twoWriters()
    {
        const QString path = m_dir.filePath(u"shared.csv"_qs);
        ReadingAppender first;
        ReadingAppender second;
        QCOMPARE(first.open(path, Format::Csv), std::nullopt);
        const auto refused = second.open(path, Format::Csv);
        QVERIFY(refused);
        QCOMPARE(*refused, u"it is being written by %1 (process %2 on %3)"_qs
                               .arg(QCoreApplication::applicationName())
                               .arg(QCoreApplication::applicationPid())
                               .arg(QSysInfo::machineHostName()));
        QCOMPARE(first.append(Frequency, reading(1)), std::nullopt);
        first.close();
        QCOMPARE(second.open(path, Format::Csv), std::nullopt);
        QCOMPARE(second.append(Frequency, reading(2)), std::nullopt);
        std::vector<Row> rows;
        QVERIFY(!readBack(path, rows).error);
        QCOMPARE(rows.size(), std::size_t(2));
    }

    // On a disk that fills up: saving over a good file keeps it as it was; a recording
    // stops with the system's reason and keeps whole lines only; once there is room again
    // both go on.
    void fullDisk()
    {
        test::SmallDisk disk;
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.why()));
        std::vector<analysis::Reading> few;
        std::vector<analysis::Reading> many;
        for (int i = 0; i < 300; ++i)
            (i < 10 ? few : many).push_back(reading(i));
        const QString good = disk.path(u"good.csv"_qs);
        QCOMPARE(saveReadings(good, Frequency, few), std::nullopt);
        const QByteArray before = contents(good);

        const QString recorded = disk.path(u"recorded.csv"_qs);
        CsvRecorder recorder;
        QSignalSpy failed(&recorder, &CsvRecorder::failed);
        QVERIFY(recorder.start(recorded));
        disk.fill(1000);
        QCOMPARE(saveReadings(good, Frequency, many), u"No space left on device"_qs);
        QCOMPARE(contents(good), before);
        int written = 0;
        for (; recorder.isRecording() && written < 2000; ++written)
            recorder.record(Frequency, reading(written));
        QCOMPARE(failed.size(), 1);
        QVERIFY2(failed.at(0).at(0).toString().contains(u": No space left on device\n"_qs),
                 qPrintable(failed.at(0).at(0).toString()));
        std::vector<Row> rows;
        ReadReport report = readBack(recorded, rows);
        QVERIFY(!report.error && report.tornLines.empty());
        QCOMPARE(qsizetype(rows.size()), written - 1);

        disk.free();
        QVERIFY(recorder.start(recorded));
        recorder.record(Frequency, reading(written));
        QCOMPARE(saveReadings(good, Frequency, many), std::nullopt);
        rows.clear();
        report = readBack(recorded, rows);
        QVERIFY(!report.error && report.tornLines.empty());
        QCOMPARE(qsizetype(rows.size()), written);
        rows.clear();
        QVERIFY(!readBack(good, rows).error);
        QCOMPARE(rows.size(), many.size());
    }
};

QTEST_GUILESS_MAIN(ReadingFilesTest)
#include "tst_readingfiles.moc"
