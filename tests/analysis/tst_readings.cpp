// Readings and their store.

#include "analysis/ReadingStore.h"

#include <QTest>

using namespace pelmix;
using namespace pelmix::analysis;

Q_DECLARE_METATYPE(pelmix::Setup)

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

Reading ok(double elapsed, double value)
{
    return {1'700'000'000'000 + qint64(elapsed * 1000), elapsed, value, Status::Ok};
}

} // namespace

class ReadingsTest : public QObject
{
    Q_OBJECT

private slots:
    void newSeries_data()
    {
        QTest::addColumn<Setup>("changed");
        QTest::addColumn<int>("series");

        // Setups compare with a defaulted ==: the last field stands for all.
        QTest::newRow("same setup") << Setup{Mode::Frequency, 2, false, 3, false, false} << 1;
        QTest::newRow("filter") << Setup{Mode::Frequency, 2, false, 3, false, true} << 3;
    }
    // A change starts a series; going back to the earlier setup starts yet another, and the
    // earlier series stay where they were.
    void newSeries()
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
        QCOMPARE(store.current()->setup(), base);
        // The changed setup's reading: the second series' first, or the only one's second.
        QCOMPARE(store.series(series / 2).setup(), series == 3 ? changed : base);
        QCOMPARE(store.series(series / 2).at(1 - series / 2).value, 2.0);

        store.clear();
        QCOMPARE(store.readingCount(), 0);
        QCOMPARE(store.current(), nullptr);
        QCOMPARE(store.append(changed, ok(3, 4)), 0);
    }

    void gaps()
    {
        Series series(Setup{});
        series.append(ok(0.5, 10), u"F00000032\r"_qs);
        series.append({1, 1.5, 99, Status::Timeout});
        series.append(ok(2.5, 20));
        series.append({3, 4.5, NaN, Status::Unreadable}, u"F0000G\r"_qs);
        QCOMPARE(series.gapCount(), 2);
        QCOMPARE(series.count(Status::Timeout), 1);
        QCOMPARE(series.statistics().mean(), 15.0);
        QCOMPARE(series.values(), (std::vector<double>{10, 20}));
        QCOMPARE(series.elapsed(), (std::vector<double>{0.5, 2.5}));
        // A gap carries no number, whatever the caller left in it.
        QVERIFY(std::isnan(series.at(1).value));
        QCOMPARE(series.lastReply(), u"F0000G\r"_qs);
    }

    // Readings come back as they went in on both sides of every chunk boundary.
    void acrossChunks()
    {
        Series series(Setup{});
        const int count = 30000;
        auto status = [](qsizetype i) { return i % 7 == 1 ? Status::Timeout : Status::Ok; };
        for (int i = 0; i < count; ++i)
            series.append({qint64(i), i * 0.5, i % 7 == 1 ? NaN : double(i), status(i)});
        for (const int i : {255, 256, 7935, 7936, 16127, 16128, 29999}) {
            const Reading r = series.at(i);
            QCOMPARE((QList<double>{double(r.utcMs), r.elapsed, r.value}),
                     (QList<double>{double(i), i * 0.5, double(i)}));
        }
        QCOMPARE(series.readings(7930, 10).back().utcMs, 7939);
        QCOMPARE(series.readings(29995).size(), std::size_t(5));
        QCOMPARE(qsizetype(series.values().size()), count - series.gapCount());
        // Block by block from inside a chunk to the end: every reading once, in order.
        qsizetype next = 700;
        for (Series::Block b = series.block(next); b.count > 0; b = series.block(next)) {
            for (qsizetype i = 0; i < b.count; ++i, ++next)
                QVERIFY(b.elapsed[i] == next * 0.5 && b.status[i] == status(next));
        }
        QCOMPARE(next, count);
    }

    // A long session: at most 32 bytes a reading.
    void compact()
    {
        ReadingStore store;
        const int count = 1'000'000;
        for (int i = 0; i < count; ++i)
            store.append(Setup{}, ok(i * 0.001, 1e7 + i));
        QVERIFY2(store.memoryBytes() <= 32u * count,
                 qPrintable(QString::number(double(store.memoryBytes()) / count)));
    }
};

QTEST_APPLESS_MAIN(ReadingsTest)
#include "tst_readings.moc"
