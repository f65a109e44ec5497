// The reading files' lines, and the reader.

#include "analysis/ReadingStore.h"
#include "readings/CsvReader.h"
#include "readings/ReadingText.h"

#include <QBuffer>
#include <QLocale>
#include <QScopeGuard>
#include <QTest>

#include <bit>
#include <locale>

using namespace pelmix;
using namespace pelmix::analysis;
using namespace pelmix::readings;

Q_DECLARE_METATYPE(pelmix::Setup)
Q_DECLARE_METATYPE(pelmix::analysis::Reading)

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 May1 = 1714566896789; // 2024-05-01T12:34:56.789Z

const Setup Frequency{Mode::Frequency, 3, false, 2, false, false};
const QByteArray Header = "time_utc,elapsed_s,mode,value,unit,secondary,secondary_unit,setting,"
                          "status,input,level,edge,filter\r\n";
const QByteArray FrequencyLine = "2024-05-01T12:34:56.789Z,12.5,frequency,10000000.125,Hz,"
                                 "9.999999875000002e-08,s,3,ok,digital,2,rising,off\r\n";

ReadReport read(QByteArray text, std::vector<Row> &rows)
{
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    return readCsv(&buffer, rows);
}

// A decimal comma for the C++ streams, as a German system has it.
struct CommaPoint : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
};

} // namespace

class ReadingFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void line_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("frequency")
            << Frequency << Reading{May1, 12.5, 10000000.125, Status::Ok} << FrequencyLine;
        QTest::newRow("period, analog, falling, filtered")
            << Setup{Mode::Period, 2, true, 7, true, true} << Reading{0, 0, 0.004, Status::Ok}
            << QByteArray("1970-01-01T00:00:00.000Z,0,period,0.004,s,250,Hz,2,ok,analog,7,"
                          "falling,on\r\n");
        QTest::newRow("calibration at zero: no secondary")
            << Setup{Mode::Calibration} << Reading{0, 0, 0, Status::Ok}
            << QByteArray("1970-01-01T00:00:00.000Z,0,calibration,0,Hz,,s,0,ok,digital,0,rising,"
                          "off\r\n");
        QTest::newRow("interval") << Setup{Mode::Interval} << Reading{0, 0, 1e-3, Status::Ok}
                                  << QByteArray("1970-01-01T00:00:00.000Z,0,interval,0.001,s,,,0,"
                                                "ok,digital,0,rising,off\r\n");
        QTest::newRow("unconfirmed keeps its value")
            << Frequency << Reading{May1, 12.5, 10000000.125, Status::Unconfirmed}
            << QByteArray(FrequencyLine).replace(",ok,", ",unconfirmed,");
        QTest::newRow("a gap drops a stray value")
            << Frequency << Reading{May1, 13.5, 5, Status::Overflow}
            << QByteArray("2024-05-01T12:34:56.789Z,13.5,frequency,,Hz,,s,3,overflow,digital,2,"
                          "rising,off\r\n");
        QTest::newRow("count, before 1970")
            << Setup{Mode::Count} << Reading{-1, 1e-7, 123456789012}
            << QByteArray("1969-12-31T23:59:59.999Z,1e-07,count,123456789012,,,,0,ok,digital,0,"
                          "rising,off\r\n");
    }
    void line()
    {
        QFETCH(Setup, setup);
        QFETCH(Reading, reading);
        QCOMPARE(csvHeader(), Header);
        QTEST(csvLine(setup, reading), "line");
    }

    // Every double comes back to the bit, every setting as it was, whatever decimal point
    // the program's or the C++ library's locale has.
    void roundTrip()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const std::locale previous =
            std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
        const auto restore = qScopeGuard([&previous] {
            std::locale::global(previous);
            QLocale::setDefault(QLocale::c());
        });
        const double values[] = {0.1,
                                 1e7 + 1.0 / 3,
                                 -0.0,
                                 std::numeric_limits<double>::denorm_min(),
                                 std::numeric_limits<double>::max(),
                                 -123456789.123456789,
                                 NaN};
        ReadingStore store;
        for (int i = 0; i < 7; ++i) {
            const Setup setup{Mode(i % 5), i % 5, i % 2 == 0, i % 8, i % 3 == 0, i % 4 == 0};
            const Status status = std::isnan(values[i]) ? Status::Unreadable
                                  : i == 5              ? Status::Unconfirmed
                                                        : Status::Ok;
            store.append(setup, {May1 + i * 1001, 1.0 / (i + 3), values[i], status});
        }
        QByteArray text = csvHeader();
        for (qsizetype i = 0; i < store.seriesCount(); ++i)
            text += csvLine(store.series(i).setup(), store.series(i).at(0));
        std::vector<Row> rows;
        const ReadReport report = read(text, rows);
        QVERIFY2(!report.error, qPrintable(report.error ? report.error->message : QString()));

        QCOMPARE(qint64(rows.size()), store.readingCount());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const Series &series = store.series(qsizetype(k));
            const Reading w = series.at(0), &back = rows[k].reading;
            QCOMPARE(rows[k].setup, series.setup());
            QCOMPARE((QList<quint64>{quint64(back.utcMs), std::bit_cast<quint64>(back.elapsed),
                                     std::bit_cast<quint64>(back.value), quint64(back.status)}),
                     (QList<quint64>{quint64(w.utcMs), std::bit_cast<quint64>(w.elapsed),
                                     std::bit_cast<quint64>(w.value), quint64(w.status)}));
        }
    }

    void utc_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("utcMs"); // -1: not a time

        QTest::newRow("milliseconds") << QByteArray("2024-05-01T12:34:56.789Z") << May1;
        QTest::newRow("lower-case z") << QByteArray("2024-05-01T12:34:56.789z") << May1;
        QTest::newRow("no fraction") << QByteArray("2024-05-01T12:34:56Z") << May1 - 789;
        QTest::newRow("one digit") << QByteArray("2024-05-01T12:34:56.7Z") << May1 - 89;
        QTest::newRow("nine digits, cut") << QByteArray("2024-05-01T12:34:56.789999999Z") << May1;
        QTest::newRow("no Z") << QByteArray("2024-05-01T12:34:56.789") << -1LL;
        QTest::newRow("hour 24") << QByteArray("2024-05-01T24:00:00.000Z") << -1LL;
        QTest::newRow("an offset") << QByteArray("2024-05-01T12:34:56.789+02:00") << -1LL;
        QTest::newRow("no such day") << QByteArray("2023-02-29T00:00:00.000Z") << -1LL;
        QTest::newRow("empty fraction") << QByteArray("2024-05-01T12:34:56.Z") << -1LL;
    }
    void utc()
    {
        QFETCH(QByteArray, text);
        QTEST(parseUtc(text).value_or(-1), "utcMs");
    }

    // What other programs write is read; a row torn by a crash or a full disk is skipped
    // and its line named; anything else that cannot be read is told with its line.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message"); // how it starts; empty: the frequency line read
        QTest::addColumn<QList<qint64>>("torn");

        auto with = [](const char *from, const char *to) {
            return Header + FrequencyLine + QByteArray(FrequencyLine).replace(from, to);
        };
        QTest::newRow("LF line ends, a blank line, none at the end")
            << QByteArray(Header + "\n" + FrequencyLine).replace("\r\n", "\n").chopped(1)
            << QString() << QList<qint64>{};
        QTest::newRow("byte order mark")
            << "\xEF\xBB\xBF" + Header + FrequencyLine << QString() << QList<qint64>{};
        QTest::newRow("other order, derived columns left out, a note with a comma, quotes and "
                      "a line break")
            << QByteArray("filter,edge,note,level,input,status,setting,value,mode,elapsed_s,"
                          "time_utc\noff,rising,\"a, \"\"b\"\"\nc\",2,digital,ok,3,10000000.125,"
                          "frequency,12.5,2024-05-01T12:34:56.789Z\n")
            << QString() << QList<qint64>{};
        QTest::newRow("empty") << QByteArray() << u"line 1: no header line"_qs << QList<qint64>{};
        QTest::newRow("a column missing")
            << QByteArray(Header).replace(",status", "") + FrequencyLine
            << u"line 1: the header has no column status"_qs << QList<qint64>{};
        QTest::newRow("a row cut short between fields")
            << with(",off", "") << QString() << QList<qint64>{3};
        QTest::newRow("a last row without its line end")
            << Header + FrequencyLine + FrequencyLine.left(60) << QString() << QList<qint64>{3};
        QTest::newRow("rows cut inside their last field, then given a line end")
            << Header + QByteArray(FrequencyLine).replace("off\r\n", "o\r\n") + FrequencyLine +
                   QByteArray(FrequencyLine).replace("off\r\n", "\r\n")
            << QString() << QList<qint64>{2, 4};
        QTest::newRow("a row glued to a torn one")
            << with("ff\r\n", "f" + FrequencyLine)
            << u"line 3: 25 fields where the header has 13"_qs << QList<qint64>{};
        QTest::newRow("a line too long")
            << Header + FrequencyLine + QByteArray(70000, '1')
            << u"line 3: longer than 65536 bytes"_qs << QList<qint64>{};
        QTest::newRow("unknown mode")
            << with("frequency", "freq") << u"line 3: mode 'freq'"_qs << QList<qint64>{};
        QTest::newRow("ok without a value")
            << with("10000000.125", "") << u"line 3: value ''"_qs << QList<qint64>{};
        QTest::newRow("level 8") << with(",2,rising", ",8,rising") << u"line 3: level '8'"_qs
                                 << QList<qint64>{};
        QTest::newRow("blank lines count")
            << Header + "\r\n\r\n" + QByteArray(FrequencyLine).replace(",ok,", ",fine,")
            << u"line 4: status 'fine'"_qs << QList<qint64>{};
        QTest::newRow("quote never closed")
            << with("frequency", "\"frequency") << u"line 3: a quoted field is not closed"_qs
            << QList<qint64>{};
        QTest::newRow("text after a closing quote")
            << with("frequency", "\"frequency\"x") << u"line 3: text after a closing quote"_qs
            << QList<qint64>{};
        QTest::newRow("quote inside a field")
            << with("frequency", "freq\"uency") << u"line 3: a quote inside an unquoted field"_qs
            << QList<qint64>{};
    }
    void reading()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        std::vector<Row> rows;
        const ReadReport report = read(text, rows);
        const auto &error = report.error;
        QVERIFY2(error ? error->message.startsWith(message) && !message.isEmpty()
                       : message.isEmpty(),
                 qPrintable(error ? error->message : u"read"_qs));
        if (error) {
            QCOMPARE(u"line %1: "_qs.arg(error->line), message.left(message.indexOf(u':') + 2));
            return;
        }
        QTEST(QList<qint64>(report.tornLines.begin(), report.tornLines.end()), "torn");
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(rows[0].setup, Frequency);
        const Reading &r = rows[0].reading;
        QCOMPARE((QList<double>{double(r.utcMs), r.elapsed, r.value}),
                 (QList<double>{double(May1), 12.5, 10000000.125}));
        QCOMPARE(r.status, Status::Ok);
    }

    void numbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<qint64>("errorLine"); // 0: none

        QTest::newRow("comments, blanks, CR LF, spaces")
            << QByteArray("# volts\n1.5\n\n  2e3 \r\n#x\n-4\n+0.25")
            << QList<double>{1.5, 2000, -4, 0.25} << 0LL;
        QTest::newRow("a word") << QByteArray("1\n2\nabc\n4\n") << QList<double>{1, 2} << 3LL;
        QTest::newRow("decimal comma") << QByteArray("1,5\n") << QList<double>{} << 1LL;
        QTest::newRow("not finite") << QByteArray("inf\n") << QList<double>{} << 1LL;
    }
    void numbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, errorLine);
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        std::vector<double> read;
        const auto error = readNumbers(&buffer, read);
        QTEST(QList<double>(read.begin(), read.end()), "values");
        QCOMPARE(error ? error->line : 0, errorLine);
        if (error)
            QVERIFY(error->message.startsWith(u"line %1: "_qs.arg(errorLine)));
    }
};

QTEST_APPLESS_MAIN(ReadingFormatTest)
#include "tst_readingformat.moc"
