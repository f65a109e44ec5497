// What the analysis window writes and reads of a value, and how it thins a long series
// out for a chart.

#include "analysis/Series.h"
#include "ui/analysis/Decimation.h"
#include "ui/analysis/Quantity.h"

#include <QTest>

#include <cmath>

using namespace pelmix;
using pelmix::Mode;
using pelmix::Setup;

Q_DECLARE_METATYPE(std::optional<double>)

class QuantityTest : public QObject
{
    Q_OBJECT

private slots:
    void formatting_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("averaged");
        QTest::addColumn<QString>("text");

        const Setup second{Mode::Frequency, 3};
        QTest::newRow("1 s gate, a mean: 0.1 Hz")
            << second << 12345.67 << true << u"12.3457 kHz"_qs;
        QTest::newRow("10 MHz at a 10 s gate")
            << Setup{Mode::Frequency, 4} << 1e7 + 0.04 << false << u"10.0000000 MHz"_qs;
        QTest::newRow("a spread below a hertz") << second << 0.57735 << true << u"600 mHz"_qs;
        QTest::newRow("rounding up into the next prefix")
            << second << 999.96 << false << u"1.000 kHz"_qs;
        QTest::newRow("no spread") << second << 0.0 << true << u"0 Hz"_qs;
        QTest::newRow("period, multiplier 1000")
            << Setup{Mode::Period, 3} << 81.00004e-6 << false << u"81.0000 \u00b5s"_qs;
        QTest::newRow("time interval")
            << Setup{Mode::Interval} << 0.0123 << false << u"12.3000 ms"_qs;
        QTest::newRow("a count takes no prefix")
            << Setup{Mode::Count} << 123456.0 << false << u"123456"_qs;
    }
    void formatting()
    {
        QFETCH(Setup, setup);
        QFETCH(double, value);
        QFETCH(bool, averaged);
        const double step = ui::resolution(setup) / (averaged ? 10 : 1);
        QTEST(ui::formatQuantity(value, pelmix::modeInfo(setup.mode).unit, step), "text");
    }

    // The window's limits take "12.02 kHz", "11995" and refuse "high".
    void parsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<std::optional<double>>("value");

        QTest::newRow("unit in any case")
            << u"12.5khz"_qs << u"Hz"_qs << true << std::optional(12500.0);
        QTest::newRow("mega, not milli") << u"10 MHz"_qs << u"Hz"_qs << true << std::optional(1e7);
        QTest::newRow("micro sign") << u"81 \u00b5s"_qs << u"s"_qs << true << std::optional(81e-6);
        QTest::newRow("u for micro") << u"81us"_qs << u"s"_qs << true << std::optional(81e-6);
        QTest::newRow("exponent, decimal comma")
            << u"-1,5e-3"_qs << u"s"_qs << true << std::optional(-1.5e-3);
        QTest::newRow("the wrong unit")
            << u"2 ms"_qs << u"Hz"_qs << false << std::optional<double>();
    }
    void parsing()
    {
        QFETCH(QString, text);
        QFETCH(QString, unit);
        QFETCH(std::optional<double>, value);
        bool understood = false;
        const QByteArray unitBytes = unit.toLatin1();
        const auto parsed = ui::parseQuantity(text, QLatin1String(unitBytes), &understood);
        QTEST(understood, "ok");
        QCOMPARE(parsed.has_value(), value.has_value());
        if (value)
            QVERIFY(std::fabs(*parsed - *value) <= 1e-12 * std::fabs(*value));
    }

    void envelopeKeepsTheExtremes_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");

        QTest::newRow("everything, 800 columns") << 800 << 0.0 << 2000.0;
        QTest::newRow("everything, 3 columns") << 3 << 0.0 << 2000.0;
        QTest::newRow("a slice around the spikes") << 500 << 999.0 << 1001.0;
    }
    // 200 000 readings 10 ms apart, a slow ramp with a spike up and one down in the middle:
    // both in the line, in time order, reaching past both ends of the range when there is more.
    void envelopeKeepsTheExtremes()
    {
        QFETCH(int, columns);
        QFETCH(double, from);
        QFETCH(double, to);
        analysis::Series series({Mode::Frequency, 3});
        for (int i = 0; i < 200'000; ++i) {
            const double value = i == 100'000 ? 2e4 : i == 100'050 ? 1e3 : 1e4 + i * 1e-3;
            series.append({0, 5.0 + i * 0.01, value, pelmix::Status::Ok});
        }
        const ui::Envelope envelope = ui::decimate(series, {from, to, columns, 5.0, 1e3, {}});
        QVERIFY(envelope.line.size() <= 2 * columns + 2);
        QCOMPARE(envelope.high, 20.0);
        QCOMPARE(envelope.low, 1.0);
        double highest = 0;
        double lowest = 20;
        for (qsizetype i = 0; i < envelope.line.size(); ++i) {
            highest = std::max(highest, envelope.line[i].y());
            lowest = std::min(lowest, envelope.line[i].y());
            QVERIFY(i == 0 || envelope.line[i].x() >= envelope.line[i - 1].x());
        }
        QCOMPARE(highest, 20.0);
        QCOMPARE(lowest, 1.0);
        QVERIFY(envelope.line.first().x() <= std::max(from, 0.0));
        QVERIFY(envelope.line.last().x() >= std::min(to, 1999.99));
    }
};

QTEST_APPLESS_MAIN(QuantityTest)
#include "tst_quantity.moc"
