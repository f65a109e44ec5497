#include "analysis/Csv.h"
#include "analysis/ReadingStore.h"

#include <QBuffer>
#include <QLocale>
#include <QTemporaryFile>
#include <QTest>

#include <bit>
#include <locale>

using namespace pelmix::analysis;

Q_DECLARE_METATYPE(pelmix::analysis::Setup)
Q_DECLARE_METATYPE(pelmix::analysis::Reading)

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 May1 = 1714566896789; // 2024-05-01T12:34:56.789Z

const Setup Frequency{Mode::Frequency, 3, false, 2, false, false};
const QByteArray Header = "time_utc,elapsed_s,mode,value,unit,secondary,secondary_unit,setting,"
                          "status,input,level,edge,filter\r\n";
const QByteArray FrequencyLine = "2024-05-01T12:34:56.789Z,12.5,frequency,10000000.125,Hz,"
                                 "9.999999875000002e-08,s,3,ok,digital,2,rising,off\r\n";

std::optional<ReadError> read(const QByteArray &text, std::vector<CsvRow> &rows)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return readCsv(&buffer, rows);
}

// A decimal comma for the C++ streams, as a German system has it.
struct CommaPoint : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
};

} // namespace

class CsvTest : public QObject
{
    Q_OBJECT

private slots:
    void line_data();
    void line();
    void decimalComma();
    void roundTrip();
    void appendsToAFile();
    void field_data();
    void field();
    void utc_data();
    void utc();
    void readsOtherWriters_data();
    void readsOtherWriters();
    void malformed_data();
    void malformed();
    void numbers_data();
    void numbers();
};

void CsvTest::line_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Reading>("reading");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("frequency") << Frequency << Reading{May1, 12.5, 10000000.125, Status::Ok}
                               << FrequencyLine;
    QTest::newRow("period, analog, falling, filtered")
        << Setup{Mode::Period, 2, true, 7, true, true} << Reading{0, 0, 0.004, Status::Ok}
        << QByteArray("1970-01-01T00:00:00.000Z,0,period,0.004,s,250,Hz,2,ok,analog,7,falling,"
                      "on\r\n");
    QTest::newRow("gap") << Frequency << Reading{May1, 13.5, NaN, Status::Timeout}
                         << QByteArray("2024-05-01T12:34:56.789Z,13.5,frequency,,Hz,,s,3,"
                                       "timeout,digital,2,rising,off\r\n");
    QTest::newRow("a gap drops a stray value")
        << Frequency << Reading{May1, 13.5, 5, Status::Overflow}
        << QByteArray("2024-05-01T12:34:56.789Z,13.5,frequency,,Hz,,s,3,overflow,digital,2,"
                      "rising,off\r\n");
    QTest::newRow("count, before 1970") << Setup{Mode::Count} << Reading{-1, 1e-7, 123456789012}
                                        << QByteArray("1969-12-31T23:59:59.999Z,1e-07,count,"
                                                      "123456789012,,,,0,ok,digital,0,rising,"
                                                      "off\r\n");
}

void CsvTest::line()
{
    QFETCH(Setup, setup);
    QFETCH(Reading, reading);
    QCOMPARE(csvHeader(), Header);
    QTEST(csvLine(setup, reading), "line");
}

// '.' whatever the program's or the C++ library's locale says.
void CsvTest::decimalComma()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const QByteArray line = csvLine(Frequency, {May1, 12.5, 10000000.125, Status::Ok});
    std::vector<CsvRow> rows;
    const auto error = read(Header + line, rows);
    std::locale::global(previous);
    QLocale::setDefault(QLocale::c());

    QCOMPARE(line, FrequencyLine);
    QVERIFY(!error);
    QCOMPARE(rows.at(0).reading.value, 10000000.125);
}

// Every double comes back to the bit, every setting as it was.
void CsvTest::roundTrip()
{
    const double values[] = {0.1,
                             1.0 / 3,
                             1e7 + 1.0 / 3,
                             -0.0,
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             -123456789.123456789,
                             NaN};
    ReadingStore store;
    int i = 0;
    for (const double value : values) {
        const Setup setup{Mode(i % 5), i % 5, i % 2 == 0, i % 8, i % 3 == 0, i % 4 == 0};
        const Status status = std::isnan(value) ? Status::Unreadable : Status::Ok;
        store.append(setup, {May1 + i * 1001, 1.0 / (i + 3), value, status});
        ++i;
    }
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QVERIFY(CsvWriter(&buffer).write(store));
    buffer.seek(0);
    std::vector<CsvRow> rows;
    QVERIFY(!readCsv(&buffer, rows));

    QCOMPARE(qint64(rows.size()), store.readingCount());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Series &series = store.series(qsizetype(k));
        const Reading written = series.at(0);
        const Reading &back = rows[k].reading;
        QCOMPARE(rows[k].setup, series.setup());
        QCOMPARE(back.utcMs, written.utcMs);
        QCOMPARE(std::bit_cast<quint64>(back.elapsed), std::bit_cast<quint64>(written.elapsed));
        QCOMPARE(back.status, written.status);
        if (!written.isGap())
            QCOMPARE(std::bit_cast<quint64>(back.value), std::bit_cast<quint64>(written.value));
    }
}

// A recording that goes on after a restart adds lines, not a second header.
void CsvTest::appendsToAFile()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    QVERIFY(CsvWriter(&file).write(Frequency, {May1, 1, 1e7, Status::Ok}));
    file.close();
    QVERIFY(file.open());
    file.seek(file.size());
    QVERIFY(CsvWriter(&file).write(Frequency, {May1, 2, 1e7, Status::Ok}));
    file.seek(0);
    const QByteArray text = file.readAll();
    QCOMPARE(text.count("time_utc"), 1);
    QCOMPARE(text.count("\r\n"), 3);
}

void CsvTest::field_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("plain") << QByteArray("frequency") << QByteArray("frequency");
    QTest::newRow("comma") << QByteArray("1,5") << QByteArray("\"1,5\"");
    QTest::newRow("quotes doubled") << QByteArray("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line break") << QByteArray("a\r\nb") << QByteArray("\"a\r\nb\"");
}

void CsvTest::field()
{
    QFETCH(QByteArray, text);
    QTEST(csvField(text), "field");
}

void CsvTest::utc_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("utcMs"); // -1: not a time

    QTest::newRow("milliseconds") << QByteArray("2024-05-01T12:34:56.789Z") << May1;
    QTest::newRow("no fraction") << QByteArray("2024-05-01T12:34:56Z") << May1 - 789;
    QTest::newRow("one digit") << QByteArray("2024-05-01T12:34:56.7Z") << May1 - 89;
    QTest::newRow("nine digits, cut") << QByteArray("2024-05-01T12:34:56.789999999Z") << May1;
    QTest::newRow("leap day") << QByteArray("2024-02-29T00:00:00.000Z") << 1709164800000LL;
    QTest::newRow("no Z") << QByteArray("2024-05-01T12:34:56.789") << -1LL;
    QTest::newRow("an offset") << QByteArray("2024-05-01T12:34:56.789+02:00") << -1LL;
    QTest::newRow("no such day") << QByteArray("2023-02-29T00:00:00.000Z") << -1LL;
    QTest::newRow("hour 24") << QByteArray("2024-05-01T24:00:00.000Z") << -1LL;
    QTest::newRow("empty fraction") << QByteArray("2024-05-01T12:34:56.Z") << -1LL;
    QTest::newRow("short") << QByteArray("2024-05-01") << -1LL;
}

void CsvTest::utc()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, utcMs);
    QCOMPARE(parseUtc(text).value_or(-1), utcMs);
    if (utcMs >= 0 && text.size() == 24)
        QCOMPARE(formatUtc(utcMs), text);
}

void CsvTest::readsOtherWriters_data()
{
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("as written") << Header + FrequencyLine;
    QTest::newRow("LF line ends, a blank line, none at the end")
        << QByteArray(Header + "\n" + FrequencyLine).replace("\r\n", "\n").chopped(1);
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + Header + FrequencyLine;
    QTest::newRow("every field quoted")
        << Header + "\"2024-05-01T12:34:56.789Z\",\"12.5\",\"frequency\",\"10000000.125\",\"Hz\","
                    "\"\",\"s\",\"3\",\"ok\",\"digital\",\"2\",\"rising\",\"off\"\r\n";
    QTest::newRow("other order, derived columns left out, a note with a comma, quotes and a "
                  "line break")
        << QByteArray("filter,edge,note,level,input,status,setting,value,mode,elapsed_s,time_utc\n"
                      "off,rising,\"a, \"\"b\"\"\nc\",2,digital,ok,3,10000000.125,frequency,12.5,"
                      "2024-05-01T12:34:56.789Z\n");
}

void CsvTest::readsOtherWriters()
{
    QFETCH(QByteArray, text);
    std::vector<CsvRow> rows;
    const auto error = read(text, rows);
    QVERIFY2(!error, qPrintable(error ? error->message : QString()));
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0].setup, Frequency);
    QCOMPARE(rows[0].reading.utcMs, May1);
    QCOMPARE(rows[0].reading.elapsed, 12.5);
    QCOMPARE(rows[0].reading.value, 10000000.125);
    QCOMPARE(rows[0].reading.status, Status::Ok);
}

void CsvTest::malformed_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("message");

    auto with = [](const char *from, const char *to) {
        return Header + FrequencyLine + QByteArray(FrequencyLine).replace(from, to);
    };
    QTest::newRow("empty") << QByteArray() << 1LL << u"line 1: no header line"_qs;
    QTest::newRow("a column missing") << QByteArray(Header).replace(",status", "") + FrequencyLine
                                      << 1LL << u"line 1: the header has no column status"_qs;
    QTest::newRow("a field missing")
        << with(",off", "") << 3LL << u"line 3: 12 fields where the header has 13"_qs;
    QTest::newRow("decimal comma")
        << with("12.5", "\"12,5\"") << 3LL << u"line 3: elapsed_s '12,5' is not a number"_qs;
    QTest::newRow("unknown mode") << with("frequency", "freq") << 3LL
                                  << u"line 3: mode 'freq' is not calibration, frequency, period, "
                                     "interval or count"_qs;
    QTest::newRow("local time") << with("789Z", "789") << 3LL
                                << u"line 3: time_utc '2024-05-01T12:34:56.789' is not an ISO "
                                   "8601 UTC time such as 2024-05-01T12:34:56.789Z"_qs;
    QTest::newRow("ok without a value")
        << with("10000000.125", "") << 3LL << u"line 3: value '' is not a number"_qs;
    QTest::newRow("level 8") << with(",2,rising", ",8,rising") << 3LL
                             << u"line 3: level '8' is not a whole number from 0 to 7"_qs;
    QTest::newRow("blank lines count")
        << Header + "\r\n\r\n" + QByteArray(FrequencyLine).replace(",ok,", ",fine,") << 4LL
        << u"line 4: status 'fine' is not ok, timeout, unreadable or overflow"_qs;
    QTest::newRow("quote never closed")
        << with("frequency", "\"frequency") << 3LL << u"line 3: a quoted field is not closed"_qs;
    QTest::newRow("text after a closing quote")
        << with("frequency", "\"frequency\"x") << 3LL << u"line 3: text after a closing quote"_qs;
    QTest::newRow("quote inside a field") << with("frequency", "freq\"uency") << 3LL
                                          << u"line 3: a quote inside an unquoted field"_qs;
}

void CsvTest::malformed()
{
    QFETCH(QByteArray, text);
    std::vector<CsvRow> rows;
    const auto error = read(text, rows);
    QVERIFY(error);
    QTEST(error->line, "line");
    QTEST(error->message, "message");
}

void CsvTest::numbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<qint64>("errorLine"); // 0: none

    QTest::newRow("comments, blanks, CR LF, spaces")
        << QByteArray("# volts\n1.5\n\n  2e3 \r\n#x\n-4\n+0.25")
        << QList<double>{1.5, 2000, -4, 0.25} << 0LL;
    QTest::newRow("a word") << QByteArray("1\n2\nabc\n4\n") << QList<double>{1, 2} << 3LL;
    QTest::newRow("decimal comma") << QByteArray("1,5\n") << QList<double>{} << 1LL;
    QTest::newRow("two numbers") << QByteArray("1 2\n") << QList<double>{} << 1LL;
    QTest::newRow("not finite") << QByteArray("inf\n") << QList<double>{} << 1LL;
}

void CsvTest::numbers()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<double>, values);
    QFETCH(qint64, errorLine);
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    std::vector<double> read;
    const auto error = readNumbers(&buffer, read);
    QCOMPARE(QList<double>(read.begin(), read.end()), values);
    QCOMPARE(error ? error->line : 0, errorLine);
    if (error)
        QVERIFY(error->message.startsWith(QStringLiteral("line %1: ").arg(errorLine)));
}

QTEST_APPLESS_MAIN(CsvTest)
#include "tst_csv.moc"
