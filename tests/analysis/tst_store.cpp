#include "analysis/ReadingStore.h"

#include <QTest>

using namespace pelmix::analysis;

Q_DECLARE_METATYPE(pelmix::analysis::Setup)
Q_DECLARE_METATYPE(pelmix::analysis::Mode)

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

Reading ok(double elapsed, double value)
{
    return {1'700'000'000'000 + qint64(elapsed * 1000), elapsed, value, Status::Ok};
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void newSeries_data();
    void newSeries();
    void gaps();
    void acrossChunks();
    void compact();
    void clear();
    void units_data();
    void units();
};

void StoreTest::newSeries_data()
{
    QTest::addColumn<Setup>("changed");
    QTest::addColumn<int>("series");

    const Setup base{Mode::Frequency, 2, false, 3, false, false};
    auto with = [base](auto change) {
        Setup s = base;
        change(s);
        return s;
    };
    QTest::newRow("same setup") << base << 1;
    QTest::newRow("mode") << with([](Setup &s) { s.mode = Mode::Period; }) << 3;
    QTest::newRow("measuring time") << with([](Setup &s) { s.position = 3; }) << 3;
    QTest::newRow("input") << with([](Setup &s) { s.analog = true; }) << 3;
    QTest::newRow("level") << with([](Setup &s) { s.level = 4; }) << 3;
    QTest::newRow("edge") << with([](Setup &s) { s.fallingEdge = true; }) << 3;
    QTest::newRow("filter") << with([](Setup &s) { s.filter = true; }) << 3;
}

// A change starts a series; going back to the earlier setup starts yet another, and the
// earlier series stay where they were.
void StoreTest::newSeries()
{
    QFETCH(Setup, changed);
    QFETCH(int, series);
    const Setup base{Mode::Frequency, 2, false, 3, false, false};

    ReadingStore store;
    QCOMPARE(store.append(base, ok(0, 1)), 0);
    const Series *first = &store.series(0);
    store.append(changed, ok(1, 2));
    QCOMPARE(store.append(base, ok(2, 3)), series - 1);
    QCOMPARE(store.seriesCount(), series);
    QCOMPARE(store.readingCount(), 3);
    QCOMPARE(&store.series(0), first);
    QCOMPARE(store.current(), &store.series(series - 1));
    QCOMPARE(store.series(series - 1).setup(), base);
    if (series == 3) {
        QCOMPARE(store.series(1).setup(), changed);
        QCOMPARE(store.series(1).at(0).value, 2.0);
    }
}

void StoreTest::gaps()
{
    Series series(Setup{});
    series.append(ok(0.5, 10), u"F00000032\r"_qs);
    series.append({1, 1.5, 99, Status::Timeout});
    series.append(ok(2.5, 20), u"F00000064\r"_qs);
    series.append({2, 3.5, NaN, Status::Overflow}, u"FFFFFFFFF\r"_qs);
    series.append({3, 4.5, NaN, Status::Unreadable}, u"F0000G\r"_qs);

    QCOMPARE(series.size(), 5);
    QCOMPARE(series.gapCount(), 3);
    QCOMPARE(series.count(Status::Timeout), 1);
    QCOMPARE(series.count(Status::Overflow), 1);
    QCOMPARE(series.statistics().count(), 2);
    QCOMPARE(series.statistics().mean(), 15.0);
    QCOMPARE(series.values(), (std::vector<double>{10, 20}));
    QCOMPARE(series.elapsed(), (std::vector<double>{0.5, 2.5}));
    // A gap carries no number, whatever the caller left in it.
    QVERIFY(std::isnan(series.at(1).value));
    QCOMPARE(series.at(4).status, Status::Unreadable);
    QCOMPARE(series.lastReply(), u"F0000G\r"_qs);
}

// Readings come back as they went in on both sides of every chunk boundary.
void StoreTest::acrossChunks()
{
    Series series(Setup{});
    const int count = 30000;
    for (int i = 0; i < count; ++i) {
        series.append(
            {qint64(i), i * 0.5, i % 7 ? double(i) : NaN, i % 7 ? Status::Ok : Status::Timeout});
    }
    QCOMPARE(series.size(), count);
    for (const int i : {0, 255, 256, 767, 768, 7935, 7936, 16127, 16128, 24319, 24320, 29999}) {
        const Reading r = series.at(i);
        QCOMPARE(r.utcMs, qint64(i));
        QCOMPARE(r.elapsed, i * 0.5);
        QCOMPARE(r.status, i % 7 ? Status::Ok : Status::Timeout);
        if (i % 7)
            QCOMPARE(r.value, double(i));
    }
    const std::vector<Reading> part = series.readings(7930, 10);
    QCOMPARE(part.size(), std::size_t(10));
    QCOMPARE(part.back().utcMs, 7939);
    QCOMPARE(series.readings(29995).size(), std::size_t(5));
    const std::vector<double> values = series.values();
    QCOMPARE(qsizetype(values.size()), count - series.gapCount());
    QCOMPARE(values.back(), 29999.0);
    // Block by block from inside a chunk to the end: every reading once, in order.
    qsizetype next = 700;
    for (Series::Block block = series.block(next); block.count > 0; block = series.block(next)) {
        for (qsizetype i = 0; i < block.count; ++i, ++next) {
            QCOMPARE(block.elapsed[i], next * 0.5);
            QCOMPARE(block.status[i], series.at(next).status);
        }
    }
    QCOMPARE(next, count);
}

// A long session: at most 32 bytes a reading.
void StoreTest::compact()
{
    ReadingStore store;
    const int count = 1'000'000;
    for (int i = 0; i < count; ++i)
        store.append(Setup{}, ok(i * 0.001, 1e7 + i));
    QVERIFY2(store.memoryBytes() <= 32u * count,
             qPrintable(QString::number(double(store.memoryBytes()) / count)));
}

void StoreTest::clear()
{
    ReadingStore store;
    store.append(Setup{}, ok(0, 1));
    store.append(Setup{Mode::Count}, ok(1, 2));
    store.clear();
    QVERIFY(store.isEmpty());
    QCOMPARE(store.readingCount(), 0);
    QCOMPARE(store.current(), nullptr);
    QCOMPARE(store.append(Setup{}, ok(2, 3)), 0);
}

void StoreTest::units_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("secondaryUnit");
    QTest::addColumn<double>("secondary");

    QTest::newRow("frequency") << Mode::Frequency << 1e6 << u"Hz"_qs << u"s"_qs << 1e-6;
    QTest::newRow("calibration") << Mode::Calibration << 4.0 << u"Hz"_qs << u"s"_qs << 0.25;
    QTest::newRow("period") << Mode::Period << 0.004 << u"s"_qs << u"Hz"_qs << 250.0;
    QTest::newRow("interval") << Mode::Interval << 1e-3 << u"s"_qs << QString() << NaN;
    QTest::newRow("count") << Mode::Count << 12.0 << QString() << QString() << NaN;
    QTest::newRow("zero frequency") << Mode::Frequency << 0.0 << u"Hz"_qs << u"s"_qs << NaN;
    QTest::newRow("gap") << Mode::Period << NaN << u"s"_qs << u"Hz"_qs << NaN;
}

void StoreTest::units()
{
    QFETCH(Mode, mode);
    QFETCH(double, value);
    QTEST(QString(unit(mode)), "unit");
    QTEST(QString(secondaryUnit(mode)), "secondaryUnit");
    QTEST(secondary(mode, value), "secondary");
}

QTEST_APPLESS_MAIN(StoreTest)
#include "tst_store.moc"
