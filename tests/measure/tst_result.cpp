// Decoding a data reply into a result, and the display texts formatted from it: one
// table for every mode, no counter needed.

#include "measure/Display.h"
#include "measure/Result.h"

#include <QTest>

using namespace pelmix;
using pelmix::Mode;
using pelmix::Status;

namespace {

const QString Overflow = u"     Overflow"_qs;
const QString Keep = u"<unchanged>"_qs;
constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
constexpr double Unchecked = -1;

device::Reply complete(const char *reply)
{
    return {QString::fromLatin1(reply).replace(u"\r"_qs, u"\r\n"_qs), true};
}

} // namespace

class ResultTest : public QObject
{
    Q_OBJECT

private slots:
    // One table for every mode; `value` and `secondary` in SI units are checked where given.
    void decode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("position");
        QTest::addColumn<device::Reply>("reply");
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("second");
        QTest::addColumn<Status>("status");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("secondary"); // NaN: none
        Mode mode = Mode::Frequency;
        auto row = [&](const char *name, int position, device::Reply reply, const char *main,
                       const QString &second, Status status, double value = Unchecked,
                       double secondary = Nan) {
            QTest::newRow(qPrintable(modeInfo(mode).name + u' ' + QLatin1String(name)))
                << int(mode) << position << reply << QString::fromLatin1(main) << second << status
                << value << secondary;
        };
        row("0: 50", 0, complete("F00000032\r"), "        50kHz", u"      20.0mkS"_qs, Status::Ok,
            50e3, 1 / 50e3);
        row("3: 100000", 3, complete("F000186A0\r"), "   100.000kHz", u"      10.0mkS"_qs,
            Status::Ok);
        row("2: 3", 2, complete("F00000003\r"), "      0.03kHz", u"   33333.3mkS"_qs, Status::Ok);
        row("4: 123456789", 4, complete("F075BCD15\r"), "12345.6789kHz", u"       0.1mkS"_qs,
            Status::Ok, 12345678.9, 1 / 12345678.9);
        row("0: FFFFFFFF", 0, complete("FFFFFFFFF\r"), "4294967295kHz", u"       0.0mkS"_qs,
            Status::Ok);
        row("4: FFFFFFFF overflows", 4, complete("FFFFFFFFF\r"), "     Overflow",
            u"       0.0mkS"_qs, Status::Overflow);
        row("0: no signal is a measured zero", 0, complete("F00000000\r"), "         0kHz",
            u"       0.0mkS"_qs, Status::Ok);
        // A time-out shows a zero on the displays, but the result says what happened.
        row("1: time-out", 1, {}, "       0.0kHz", u"       0.0mkS"_qs, Status::Timeout);
        row("3: time-out with digits", 3, {u"F000186A0"_qs, false}, "   100.000kHz",
            u"      10.0mkS"_qs, Status::Timeout);
        row("1: only the letter", 1, complete("F\r"), "       0.0kHz", u"       0.0mkS"_qs,
            Status::Unreadable);
        row("2: NUL in the digits", 2,
            complete("F00\x01"
                     "00032\r"),
            "      0.00kHz", u"       0.0mkS"_qs, Status::Unreadable);
        row("0: a 12-digit reply", 0, complete("T000000002710\r"), "         0kHz",
            u"       0.0mkS"_qs, Status::Unreadable);
        mode = Mode::Calibration;
        row("3: 1000000", 3, complete("F000F4240\r"), "  1000.000kHz", u"       1.0mkS"_qs,
            Status::Ok, 1e6, 1e-6);
        mode = Mode::Period;
        row("0: 0", 0, complete("T000000000000\r"), "       0.0mkS", u"        0.0Hz"_qs,
            Status::Ok);
        row("0: unreadable", 0, complete("T0000000000X0\r"), "       0.0mkS", u"        0.0Hz"_qs,
            Status::Unreadable);
        row("4: 0, no signal", 4, complete("T000000000000\r"), "   0.00000mkS", u"    0.00000Hz"_qs,
            Status::Ok, 0.0);
        row("0: 10000, exactly 1 kHz in Hz", 0, complete("T000000002710\r"), "    1000.0mkS",
            u"     1000.0Hz"_qs, Status::Ok, 1e-3, 1e3);
        row("0: 9999", 0, complete("T00000000270F\r"), "     999.9mkS", u"     1.000kHz"_qs,
            Status::Ok);
        row("0: 100", 0, complete("T000000000064\r"), "      10.0mkS", u"   100.000kHz"_qs,
            Status::Ok);
        row("1: 12345", 1, complete("T000000003039\r"), "    123.45mkS", u"     8.100kHz"_qs,
            Status::Ok);
        row("4: 100000000", 4, complete("T000005F5E100\r"), "1000.00000mkS", u" 1000.00000Hz"_qs,
            Status::Ok, 1e-3, 1e3);
        row("0: 1000000000 period overflows", 0, complete("T00003B9ACA00\r"), "     Overflow",
            u"        0.0Hz"_qs, Status::Overflow);
        // The period is shown; only the frequency beside it does not fit.
        row("4: 10000 frequency overflows", 4, complete("T000000002710\r"), "   0.10000mkS",
            Overflow, Status::Ok);
        row("4: 10001", 4, complete("T000000002711\r"), "   0.10001mkS", u"9999.00010kHz"_qs,
            Status::Ok);
        row("0: time-out", 0, {}, "       0.0mkS", u"        0.0Hz"_qs, Status::Timeout);
        mode = Mode::Interval;
        row("1000", 0, complete("I0000000003E8\r"), "     100.0mkS", QString(), Status::Ok, 1e-4);
        row("0", 0, complete("I000000000000\r"), "       0.0mkS", QString(), Status::Ok);
        row("999999999", 0, complete("I00003B9AC9FF\r"), "99999999.9mkS", QString(), Status::Ok);
        row("1000000000 overflows", 0, complete("I00003B9ACA00\r"), "     Overflow", QString(),
            Status::Overflow);
        row("short reply", 0, complete("I12\r"), "       0.0mkS", QString(), Status::Unreadable);
        row("time-out", 0, {}, "       0.0mkS", QString(), Status::Timeout);
        mode = Mode::Count;
        row("100000", 0, complete("P0000000186A0\r"), "       100000", Keep, Status::Ok, 1e5);
        row("0", 0, complete("P000000000000\r"), "            0", Keep, Status::Ok);
        row("13 digits", 0, complete("P09184E729FFF\r"), "9999999999999", Keep, Status::Ok);
        row("14 digits overflow", 0, complete("P09184E72A000\r"), "     Overflow", Keep,
            Status::Overflow);
        row("unreadable reads 0", 0, complete("P\xff\r"), "            0", Keep,
            Status::Unreadable);
        row("time-out", 0, {}, "            0", Keep, Status::Timeout);
    }
    void decode()
    {
        QFETCH(int, mode);
        QFETCH(int, position);
        QFETCH(device::Reply, reply);
        QFETCH(Status, status);
        QFETCH(double, value);
        QFETCH(double, secondary);
        const measure::Result result = measure::decodeResult(Setup{Mode(mode), position}, reply);
        const measure::DisplayTexts texts = measure::displayTexts(result);
        QTEST(texts.main, "main");
        QTEST(texts.second.value_or(Keep), "second");
        QCOMPARE(result.status, status);
        QCOMPARE(result.reply, reply.text);
        QCOMPARE(result.hasValue(), status == Status::Ok);
        if (value != Unchecked)
            QCOMPARE(result.value, value);
        if (std::isnan(secondary))
            QVERIFY(value == Unchecked || std::isnan(result.secondary));
        else
            QCOMPARE(result.secondary, secondary);
    }

    // The time the counter is given to answer a data request.
    void dataTimeout_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("position");
        QTest::addColumn<float>("timeout");

        QTest::newRow("frequency 100 ms") << int(Mode::Frequency) << 2 << 1.0f;
        QTest::newRow("frequency 1 s") << int(Mode::Frequency) << 3 << 1.1f;
        QTest::newRow("calibration 10 s") << int(Mode::Calibration) << 4 << 11.0f;
        QTest::newRow("period") << int(Mode::Period) << 4 << 20.5f;
        QTest::newRow("interval") << int(Mode::Interval) << 0 << 20.5f;
        QTest::newRow("count") << int(Mode::Count) << 0 << 2.0f;
        QTest::newRow("position out of range") << int(Mode::Frequency) << 9 << 11.0f;
    }
    void dataTimeout()
    {
        QFETCH(int, mode);
        QFETCH(int, position);
        QTEST(measure::dataTimeout(Setup{Mode(mode), position}), "timeout");
    }

    void formatFixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");

        QTest::newRow("trailing zeros kept") << 40.0 << 3 << u"C"_qs << u"40.000"_qs;
        QTest::newRow("half away from zero") << 12.5 << 0 << u"C"_qs << u"13"_qs;
        QTest::newRow("0.125 to 0.13") << 0.125 << 2 << u"C"_qs << u"0.13"_qs;
        QTest::newRow("2.675 to 2.68") << 2.675 << 2 << u"C"_qs << u"2.68"_qs;
        QTest::newRow("just below a half") << 0.0499999 << 1 << u"C"_qs << u"0.0"_qs;
        QTest::newRow("carry through nines") << 99.995 << 2 << u"C"_qs << u"100.00"_qs;
        QTest::newRow("48-bit count") << 281474976710655.0 << 0 << u"C"_qs << u"281474976710655"_qs;
        QTest::newRow("negative half") << -2.5 << 0 << u"C"_qs << u"-3"_qs;
        QTest::newRow("negative to zero") << -0.04 << 1 << u"C"_qs << u"0.0"_qs;
        QTest::newRow("decimal comma") << 0.125 << 2 << u"de_DE"_qs << u"0,13"_qs;
        QTest::newRow("no group separators") << 1234567.0 << 0 << u"de_DE"_qs << u"1234567"_qs;
    }
    void formatFixed()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, locale);
        // The locale set for the program is the one the displays use.
        QLocale::setDefault(QLocale(locale));
        const QString text = measure::formatFixed(value, decimals);
        QLocale::setDefault(QLocale::c());
        QTEST(text, "text");
    }

    void decodeCount_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("digits");
        QTest::addColumn<double>("count");

        QTest::newRow("largest 12") << u"TFFFFFFFFFFFF\r\n"_qs << 12 << 281474976710655.0;
        QTest::newRow("lower case") << u"f0000abcd\r\n"_qs << 8 << 43981.0;
        QTest::newRow("first character not read") << u"Z00000001\r\n"_qs << 8 << 1.0;
        QTest::newRow("empty") << u""_qs << 8 << 0.0;
        QTest::newRow("short field with line end") << u"F12\r\n"_qs << 8 << 0.0;
        QTest::newRow("short field, no line end") << u"F12"_qs << 8 << 18.0;
        QTest::newRow("not hexadecimal") << u"F0000G032\r\n"_qs << 8 << 0.0;
        QTest::newRow("sign") << u"F-0000032\r\n"_qs << 8 << 0.0;
        QTest::newRow("8-digit reply read as 12") << u"F00000032\r\n"_qs << 12 << 0.0;
    }
    void decodeCount()
    {
        QFETCH(QString, reply);
        QFETCH(int, digits);
        QTEST(measure::decodeCount(reply, digits), "count");
    }
};

QTEST_APPLESS_MAIN(ResultTest)
#include "tst_result.moc"
