#include "ReferenceData.h"

#include "analysis/Histogram.h"
#include "analysis/Statistics.h"

#include <QTest>

#include <cmath>

using namespace pelmix::analysis;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

} // namespace

class StatisticsTest : public QObject
{
    Q_OBJECT

private slots:
    void fewValues_data();
    void fewValues();
    void tenMegahertz();
    void published();
    void clearStartsAfresh();
    void histogram_data();
    void histogram();
};

void StatisticsTest::fewValues_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("stddev");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("peakToPeak");
    QTest::addColumn<double>("last");

    QTest::newRow("none") << QList<double>{} << 0LL << NaN << NaN << NaN << NaN << NaN << NaN;
    QTest::newRow("one") << QList<double>{3} << 1LL << 3.0 << NaN << 3.0 << 3.0 << 0.0 << 3.0;
    QTest::newRow("two") << QList<double>{5, 3} << 2LL << 4.0 << std::sqrt(2.0) << 3.0 << 5.0 << 2.0
                         << 3.0;
    QTest::newRow("not finite: no value") << QList<double>{NaN, 5, Inf, 3, -Inf} << 2LL << 4.0
                                          << std::sqrt(2.0) << 3.0 << 5.0 << 2.0 << 3.0;
    QTest::newRow("negative") << QList<double>{-1, -2, -3} << 3LL << -2.0 << 1.0 << -3.0 << -1.0
                              << 2.0 << -3.0;
}

void StatisticsTest::fewValues()
{
    QFETCH(QList<double>, values);
    RunningStatistics statistics;
    for (double value : values)
        statistics.add(value);
    QTEST(statistics.count(), "count");
    QTEST(statistics.mean(), "mean");
    QTEST(statistics.stddev(), "stddev");
    QTEST(statistics.min(), "min");
    QTEST(statistics.max(), "max");
    QTEST(statistics.peakToPeak(), "peakToPeak");
    QTEST(statistics.last(), "last");
}

// 10 MHz with 1e-11 relative noise in steps of 2^-13 Hz, all exact as doubles: the mean
// must be the double nearest the true one (compared as its offset from 10 MHz, since a
// comparison of doubles near 1e7 forgives an ulp), the deviation good to far better than
// 1e-9 of itself.
void StatisticsTest::tenMegahertz()
{
    const double step = std::ldexp(1.0, -13);
    RunningStatistics statistics;
    const int count = 100000;
    for (int i = 0; i < count; ++i)
        statistics.add(1e7 + step * (i % 10));
    QCOMPARE(statistics.mean() - 1e7, 4.5 * step);
    // The variance of 0..9 is 8.25; the sample standard deviation corrects by n / (n - 1).
    const double stddev = step * std::sqrt(8.25 * count / (count - 1));
    QVERIFY2(std::abs(statistics.stddev() / stddev - 1) < 1e-12,
             qPrintable(QString::number(statistics.stddev() / stddev - 1)));
    QCOMPARE(statistics.peakToPeak(), 9 * step);
}

// NIST SP 1065 table 31: the 1000-point set's mean, standard deviation and extremes.
void StatisticsTest::published()
{
    RunningStatistics statistics;
    for (double value : reference::nist1000())
        statistics.add(value);
    QCOMPARE(QString::number(statistics.mean(), 'e', 6), u"4.897745e-01"_qs);
    QCOMPARE(QString::number(statistics.stddev(), 'e', 6), u"2.884664e-01"_qs);
    QCOMPARE(QString::number(statistics.min(), 'e', 6), u"1.371760e-03"_qs);
    QCOMPARE(QString::number(statistics.max(), 'e', 6), u"9.957453e-01"_qs);
}

void StatisticsTest::clearStartsAfresh()
{
    RunningStatistics statistics;
    statistics.add(1e7);
    statistics.add(2e7);
    statistics.clear();
    for (double value : {1.0, 2.0, 3.0})
        statistics.add(value);
    QCOMPARE(statistics.count(), 3);
    QCOMPARE(statistics.mean(), 2.0);
    QCOMPARE(statistics.stddev(), 1.0);
    QCOMPARE(statistics.max(), 3.0);
}

void StatisticsTest::histogram_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<qint64>>("counts");

    QTest::newRow("none") << QList<double>{} << QList<qint64>{};
    QTest::newRow("gaps only") << QList<double>{NaN, NaN} << QList<qint64>{};
    QTest::newRow("all equal: one bin") << QList<double>{2, 2, 2} << QList<qint64>{3};
    // n = 8: IQR 3.5, bin width 2 * 3.5 / cbrt(8) = 3.5 over a range of 7.
    QTest::newRow("Freedman-Diaconis")
        << QList<double>{7, 1, 2, 3, 4, 5, 6, 0} << QList<qint64>{4, 4};
    // The quartiles coincide: Sturges, ceil(log2 10) + 1 = 5 bins of width 2.
    QTest::newRow("Sturges") << QList<double>{0, 5, 5, 5, 5, 5, 5, 5, 5, 10}
                             << QList<qint64>{1, 0, 8, 0, 1};
    QTest::newRow("on an inner edge: above; gaps: nowhere")
        << QList<double>{7, 1, 2, 3.5, NaN, 4, 5, 6, 0} << QList<qint64>{3, 5};
}

void StatisticsTest::histogram()
{
    QFETCH(QList<double>, values);
    QFETCH(QList<qint64>, counts);
    const Histogram h =
        pelmix::analysis::histogram(std::vector<double>(values.begin(), values.end()));
    QCOMPARE(QList<qint64>(h.counts.begin(), h.counts.end()), counts);
    QCOMPARE(h.edges.size(), counts.isEmpty() ? 0 : std::size_t(counts.size()) + 1);
    values.removeIf([](double v) { return std::isnan(v); });
    if (!values.isEmpty()) {
        QCOMPARE(h.edges.front(), *std::min_element(values.begin(), values.end()));
        QCOMPARE(h.edges.back(), *std::max_element(values.begin(), values.end()));
    }
}

QTEST_APPLESS_MAIN(StatisticsTest)
#include "tst_statistics.moc"
