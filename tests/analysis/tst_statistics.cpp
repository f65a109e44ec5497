#include "ReferenceData.h"

#include "analysis/Allan.h"
#include "analysis/Histogram.h"
#include "analysis/Statistics.h"

#include <QTest>

#include <cmath>

using namespace pelmix::analysis;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

RunningStatistics of(const auto &values)
{
    RunningStatistics statistics;
    for (const double value : values)
        statistics.add(value);
    return statistics;
}

// Comparable with NaN in them.
QStringList texts(const QList<double> &values, char format = 'g', int precision = 17)
{
    QStringList out;
    for (const double value : values)
        out << QString::number(value, format, precision);
    return out;
}

} // namespace

class StatisticsTest : public QObject
{
    Q_OBJECT

private slots:
    void fewValues_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<double>>("expected"); // count, mean, stddev, min, max, p-p, last

        QTest::newRow("none") << QList<double>{} << QList<double>{0, NaN, NaN, NaN, NaN, NaN, NaN};
        QTest::newRow("one") << QList<double>{3} << QList<double>{1, 3, NaN, 3, 3, 0, 3};
        QTest::newRow("not finite: no value") << QList<double>{NaN, 5, Inf, 3, -Inf}
                                              << QList<double>{2, 4, std::sqrt(2.0), 3, 5, 2, 3};
        QTest::newRow("negative") << QList<double>{-1, -2, -3}
                                  << QList<double>{3, -2, 1, -3, -1, 2, -3};
    }
    void fewValues()
    {
        QFETCH(QList<double>, values);
        QFETCH(QList<double>, expected);
        const RunningStatistics s = of(values);
        QCOMPARE(texts({double(s.count()), s.mean(), s.stddev(), s.min(), s.max(), s.peakToPeak(),
                        s.last()}),
                 texts(expected));
    }

    // Values near the largest double: no square overflows on the way.
    void nearTheLargestDouble_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("stddev");

        QTest::newRow("all large")
            << QList<double>{1e308, 1.5e308, 1.7e308} << 1.4e308 << std::sqrt(0.13) * 1e308;
        QTest::newRow("both signs")
            << QList<double>{-0.8e308, 0.8e308} << 0.0 << std::sqrt(2.0) * 0.8e308;
        QTest::newRow("small first")
            << QList<double>{1, 1e308, 1} << 1e308 / 3 << 1e308 / std::sqrt(3.0);
    }
    void nearTheLargestDouble()
    {
        QFETCH(QList<double>, values);
        QFETCH(double, mean);
        QFETCH(double, stddev);
        const RunningStatistics s = of(values);
        QVERIFY2(std::fabs(s.mean() - mean) <= 1e-15 * 1e308, qPrintable(texts({s.mean()})[0]));
        QVERIFY2(std::fabs(s.stddev() / stddev - 1) < 1e-14, qPrintable(texts({s.stddev()})[0]));
    }

    // 10 MHz with 1e-11 relative noise in steps of 2^-13 Hz, all exact as doubles: the mean
    // must be the double nearest the true one (compared as its offset from 10 MHz, since a
    // comparison near 1e7 forgives an ulp), the deviation good to far better than 1e-9.
    void statisticsAtTenMegahertz()
    {
        const double step = std::ldexp(1.0, -13);
        const int count = 100000;
        QList<double> values;
        for (int i = 0; i < count; ++i)
            values << 1e7 + step * (i % 10);
        const RunningStatistics s = of(values);
        QCOMPARE(s.mean() - 1e7, 4.5 * step);
        // The variance of 0..9 is 8.25; the sample standard deviation corrects by n / (n - 1).
        const double stddev = step * std::sqrt(8.25 * count / (count - 1));
        QVERIFY2(std::abs(s.stddev() / stddev - 1) < 1e-12,
                 qPrintable(QString::number(s.stddev() / stddev - 1)));
    }

    // NIST SP 1065 table 31: the 1000-point set's mean, standard deviation and extremes.
    void publishedStatistics()
    {
        const RunningStatistics s = of(reference::nist1000());
        QCOMPARE(texts({s.mean(), s.stddev(), s.min(), s.max()}, 'e', 6),
                 (QStringList{u"4.897745e-01"_qs, u"2.884664e-01"_qs, u"1.371760e-03"_qs,
                              u"9.957453e-01"_qs}));
    }

    void histogram_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<qint64>>("counts");

        QTest::newRow("gaps only: none") << QList<double>{NaN, NaN} << QList<qint64>{};
        QTest::newRow("all equal: one bin") << QList<double>{2, 2, 2} << QList<qint64>{3};
        // The quartiles coincide: Sturges, ceil(log2 10) + 1 = 5 bins of width 2.
        QTest::newRow("Sturges") << QList<double>{0, 5, 5, 5, 5, 5, 5, 5, 5, 10}
                                 << QList<qint64>{1, 0, 8, 0, 1};
        // Freedman-Diaconis, n = 8: IQR 3.5, bin width 2 * 3.5 / cbrt(8) = 3.5 over a range
        // of 7.
        QTest::newRow("on an inner edge: above; gaps: nowhere")
            << QList<double>{7, 1, 2, 3.5, NaN, 4, 5, 6, 0} << QList<qint64>{3, 5};
    }
    void histogram()
    {
        QFETCH(QList<double>, values);
        QFETCH(QList<qint64>, counts);
        const Histogram h = pelmix::analysis::histogram({values.begin(), values.end()});
        QCOMPARE(QList<qint64>(h.counts.begin(), h.counts.end()), counts);
        QCOMPARE(h.edges.size(), counts.isEmpty() ? 0 : std::size_t(counts.size()) + 1);
        if (!counts.isEmpty()) {
            QCOMPARE(h.edges.front(), of(values).min());
            QCOMPARE(h.edges.back(), of(values).max());
        }
    }

    void allan_data()
    {
        QTest::addColumn<std::vector<double>>("values");
        QTest::addColumn<qint64>("m");
        QTest::addColumn<QString>("expected"); // oadev, its terms, mdev, its terms

        // NIST SP 1065 table 31, the 1000-point set, and table 30, the NBS Monograph 140 set:
        // the published figures have 7 significant digits; ours, rounded alike, must read the
        // same.
        const std::vector<double> nist = reference::nist1000();
        QTest::newRow("1000-point, m 1") << nist << 1LL << u"2.922319e-01 999 2.922319e-01 999"_qs;
        QTest::newRow("1000-point, m 10")
            << nist << 10LL << u"9.159953e-02 981 6.172376e-02 972"_qs;
        QTest::newRow("1000-point, m 100")
            << nist << 100LL << u"3.241343e-02 801 2.170921e-02 702"_qs;
        QTest::newRow("NBS 9-point, m 1")
            << reference::Nbs9 << 1LL << u"9.122945e+01 8 9.122945e+01 8"_qs;
        QTest::newRow("NBS 9-point, m 2")
            << reference::Nbs9 << 2LL << u"8.595287e+01 6 7.478849e+01 5"_qs;
        // A factor with no term has no deviation rather than a made-up one.
        const auto ones = [](int count) { return std::vector<double>(count, 1.0); };
        QTest::newRow("one modified term")
            << ones(11) << 4LL << u"0.000000e+00 4 0.000000e+00 1"_qs;
        QTest::newRow("one overlapping term, no modified")
            << ones(8) << 4LL << u"0.000000e+00 1 nan 0"_qs;
        QTest::newRow("too large") << ones(9) << 5LL << u"nan 0 nan 0"_qs;
        QTest::newRow("no values") << ones(0) << 1LL << u"nan 0 nan 0"_qs;
    }
    void allan()
    {
        QFETCH(std::vector<double>, values);
        QFETCH(qint64, m);
        const qint64 factors[] = {m};
        const AllanPoint p = pelmix::analysis::allanDeviations(values, 2.0, factors).at(0);
        QCOMPARE(p.tau, 2.0 * double(m));
        QTEST(u"%1 %2 %3 %4"_qs.arg(QString::number(p.oadev, 'e', 6))
                  .arg(p.oadevTerms)
                  .arg(QString::number(p.mdev, 'e', 6))
                  .arg(p.mdevTerms),
              "expected");
    }

    // 10 MHz with 1e-10 relative noise: the deviations of the readings must be those of their
    // offsets from 10 MHz, which are exact in both, to far more digits than a display shows.
    void allanAtTenMegahertz()
    {
        std::vector<double> offsets;
        std::vector<double> readings;
        for (const double value : reference::nist1000()) {
            offsets.push_back(std::ldexp(std::floor(std::ldexp(value, 19)), -29)); // exact by 1e7
            readings.push_back(1e7 + offsets.back());
        }
        const std::vector<qint64> factors = octaveFactors(250);
        const auto expected = allanDeviations(offsets, 1.0, factors);
        const auto actual = allanDeviations(readings, 1.0, factors);
        for (std::size_t i = 0; i < factors.size(); ++i) {
            QVERIFY2(std::abs(actual[i].oadev / expected[i].oadev - 1) < 1e-9 &&
                         std::abs(actual[i].mdev / expected[i].mdev - 1) < 1e-9,
                     qPrintable(QString::number(actual[i].m)));
        }
    }

    void factorLists_data()
    {
        QTest::addColumn<bool>("decade");
        QTest::addColumn<qint64>("largest");
        QTest::addColumn<QList<qint64>>("factors");

        const qint64 most = std::numeric_limits<qint64>::max();
        QList<qint64> allOctaves, allDecades;
        for (qint64 bit = 0, decade = 1; bit < 63; ++bit, decade *= bit < 19 ? 10 : 1) {
            allOctaves << (qint64(1) << bit);
            if (bit < 19)
                allDecades << decade << 2 * decade << 5 * decade;
        }
        QTest::newRow("octave, exactly a power") << false << 4LL << QList<qint64>{1, 2, 4};
        QTest::newRow("octave, none") << false << 0LL << QList<qint64>{};
        QTest::newRow("octave, to the largest integer") << false << most << allOctaves;
        QTest::newRow("decade") << true << 250LL << QList<qint64>{1, 2, 5, 10, 20, 50, 100, 200};
        QTest::newRow("decade, to the largest integer") << true << most << allDecades;
    }
    void factorLists()
    {
        QFETCH(bool, decade);
        QFETCH(qint64, largest);
        const std::vector<qint64> list = decade ? decadeFactors(largest) : octaveFactors(largest);
        QTEST(QList<qint64>(list.begin(), list.end()), "factors");
    }

    void spacing_data()
    {
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<double>("spacing");

        QTest::newRow("a pause does not count") << QList<double>{0, 0.25, 0.5, 5, 5.25} << 0.25;
        QTest::newRow("even count: the middle two") << QList<double>{0, 1, 3, 6, 10} << 2.5;
        QTest::newRow("none") << QList<double>{} << NaN;
    }
    void spacing()
    {
        QFETCH(QList<double>, times);
        QTEST(medianSpacing(std::vector<double>(times.begin(), times.end())), "spacing");
    }
};

QTEST_APPLESS_MAIN(StatisticsTest)
#include "tst_statistics.moc"
