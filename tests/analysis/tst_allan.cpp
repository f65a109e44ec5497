#include "ReferenceData.h"

#include "analysis/Allan.h"

#include <QTest>

#include <cmath>

using namespace pelmix::analysis;

class AllanTest : public QObject
{
    Q_OBJECT

private slots:
    void published_data();
    void published();
    void largestFactors_data();
    void largestFactors();
    void tenMegahertz();
    void factorLists_data();
    void factorLists();
    void spacing_data();
    void spacing();
};

void AllanTest::published_data()
{
    QTest::addColumn<bool>("nist");
    QTest::addColumn<qint64>("m");
    QTest::addColumn<QString>("oadev");
    QTest::addColumn<qint64>("oadevTerms");
    QTest::addColumn<QString>("mdev");
    QTest::addColumn<qint64>("mdevTerms");

    // NIST SP 1065 table 31, the 1000-point set.
    QTest::newRow("1000-point, m 1")
        << true << 1LL << u"2.922319e-01"_qs << 999LL << u"2.922319e-01"_qs << 999LL;
    QTest::newRow("1000-point, m 10")
        << true << 10LL << u"9.159953e-02"_qs << 981LL << u"6.172376e-02"_qs << 972LL;
    QTest::newRow("1000-point, m 100")
        << true << 100LL << u"3.241343e-02"_qs << 801LL << u"2.170921e-02"_qs << 702LL;
    // NIST SP 1065 table 30, the NBS Monograph 140 set.
    QTest::newRow("NBS 9-point, m 1")
        << false << 1LL << u"9.122945e+01"_qs << 8LL << u"9.122945e+01"_qs << 8LL;
    QTest::newRow("NBS 9-point, m 2")
        << false << 2LL << u"8.595287e+01"_qs << 6LL << u"7.478849e+01"_qs << 5LL;
}

// The published figures have 7 significant digits; ours, rounded alike, must read the same.
void AllanTest::published()
{
    QFETCH(bool, nist);
    QFETCH(qint64, m);
    QFETCH(QString, oadev);
    QFETCH(qint64, oadevTerms);
    QFETCH(QString, mdev);
    QFETCH(qint64, mdevTerms);

    const std::vector<double> values = nist ? reference::nist1000() : reference::Nbs9;
    const qint64 factors[] = {m};
    const AllanPoint point = allanDeviations(values, 2.0, factors).at(0);
    QCOMPARE(point.tau, 2.0 * double(m));
    QCOMPARE(QString::number(point.oadev, 'e', 6), oadev);
    QCOMPARE(point.oadevTerms, oadevTerms);
    QCOMPARE(QString::number(point.mdev, 'e', 6), mdev);
    QCOMPARE(point.mdevTerms, mdevTerms);
}

void AllanTest::largestFactors_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("m");
    QTest::addColumn<qint64>("oadevTerms");
    QTest::addColumn<qint64>("mdevTerms");

    QTest::newRow("both") << 9 << 3LL << 4LL << 2LL;
    QTest::newRow("last modified term") << 10 << 3LL << 5LL << 3LL;
    QTest::newRow("overlapping only") << 9 << 4LL << 2LL << 0LL;
    QTest::newRow("one modified term") << 11 << 4LL << 4LL << 1LL;
    QTest::newRow("one overlapping term") << 8 << 4LL << 1LL << 0LL;
    QTest::newRow("too large") << 9 << 5LL << 0LL << 0LL;
    QTest::newRow("factor 0") << 9 << 0LL << 0LL << 0LL;
    QTest::newRow("no values") << 0 << 1LL << 0LL << 0LL;
}

// A factor with no term has no deviation rather than a made-up one.
void AllanTest::largestFactors()
{
    QFETCH(int, count);
    QFETCH(qint64, m);
    QFETCH(qint64, oadevTerms);
    QFETCH(qint64, mdevTerms);

    const std::vector<double> all = reference::nist1000();
    const std::vector<double> values(all.begin(), all.begin() + count);
    const qint64 factors[] = {m};
    const AllanPoint point = allanDeviations(values, 1.0, factors).at(0);
    QCOMPARE(point.oadevTerms, oadevTerms);
    QCOMPARE(point.mdevTerms, mdevTerms);
    QCOMPARE(std::isfinite(point.oadev), oadevTerms > 0);
    QCOMPARE(std::isfinite(point.mdev), mdevTerms > 0);
    QCOMPARE(std::isfinite(point.oadevError()), oadevTerms > 0);
}

// 10 MHz with 1e-10 relative noise: the deviations of the readings must be those of their
// offsets from 10 MHz, which are exact in both, to far more digits than a display shows.
void AllanTest::tenMegahertz()
{
    std::vector<double> offsets;
    std::vector<double> readings;
    for (const qint64 n : reference::nist1000Integers()) {
        offsets.push_back(std::ldexp(double(n >> 12), -29)); // up to 1e-3, exact beside 1e7
        readings.push_back(1e7 + offsets.back());
    }
    const std::vector<qint64> factors = octaveFactors(250);
    const auto expected = allanDeviations(offsets, 1.0, factors);
    const auto actual = allanDeviations(readings, 1.0, factors);
    for (std::size_t i = 0; i < factors.size(); ++i) {
        QVERIFY2(std::abs(actual[i].oadev / expected[i].oadev - 1) < 1e-9,
                 qPrintable(QString::number(actual[i].m)));
        QVERIFY2(std::abs(actual[i].mdev / expected[i].mdev - 1) < 1e-9,
                 qPrintable(QString::number(actual[i].m)));
    }
}

void AllanTest::factorLists_data()
{
    QTest::addColumn<bool>("decade");
    QTest::addColumn<qint64>("largest");
    QTest::addColumn<QList<qint64>>("factors");

    const qint64 most = std::numeric_limits<qint64>::max();
    QList<qint64> allOctaves;
    for (int bit = 0; bit < 63; ++bit)
        allOctaves << (qint64(1) << bit);
    QList<qint64> allDecades;
    for (qint64 decade = 1;; decade *= 10) {
        allDecades << decade << 2 * decade << 5 * decade;
        if (allDecades.back() == 5'000'000'000'000'000'000)
            break;
    }
    QTest::newRow("octave") << false << 250LL << QList<qint64>{1, 2, 4, 8, 16, 32, 64, 128};
    QTest::newRow("octave, exactly a power") << false << 4LL << QList<qint64>{1, 2, 4};
    QTest::newRow("octave, none") << false << 0LL << QList<qint64>{};
    QTest::newRow("octave, to the largest integer") << false << most << allOctaves;
    QTest::newRow("decade") << true << 250LL << QList<qint64>{1, 2, 5, 10, 20, 50, 100, 200};
    QTest::newRow("decade, short") << true << 4LL << QList<qint64>{1, 2};
    QTest::newRow("decade, to the largest integer") << true << most << allDecades;
}

void AllanTest::factorLists()
{
    QFETCH(bool, decade);
    QFETCH(qint64, largest);
    QFETCH(QList<qint64>, factors);

    const std::vector<qint64> list = decade ? decadeFactors(largest) : octaveFactors(largest);
    QCOMPARE(QList<qint64>(list.begin(), list.end()), factors);
}

void AllanTest::spacing_data()
{
    QTest::addColumn<QList<double>>("times");
    QTest::addColumn<double>("spacing");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("steady") << QList<double>{0, 1, 2, 3} << 1.0;
    QTest::newRow("a pause does not count") << QList<double>{0, 0.25, 0.5, 5, 5.25} << 0.25;
    QTest::newRow("even count: the middle two") << QList<double>{0, 1, 3, 6, 10} << 2.5;
    QTest::newRow("two") << QList<double>{7, 7.5} << 0.5;
    QTest::newRow("one") << QList<double>{7} << nan;
    QTest::newRow("none") << QList<double>{} << nan;
}

void AllanTest::spacing()
{
    QFETCH(QList<double>, times);
    QFETCH(double, spacing);
    QCOMPARE(medianSpacing(std::vector<double>(times.begin(), times.end())), spacing);
}

QTEST_APPLESS_MAIN(AllanTest)
#include "tst_allan.moc"
