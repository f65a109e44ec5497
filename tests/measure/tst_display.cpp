#include "measure/Display.h"

#include <QTest>

using namespace pelmix::measure;

class DisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void formatFixed_data();
    void formatFixed();
    void decimalComma();
    void displayField_data();
    void displayField();
    void decodeCount_data();
    void decodeCount();
};

void DisplayTest::formatFixed_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");

    QTest::newRow("trailing zeros kept") << 40.0 << 3 << u"40.000"_qs;
    QTest::newRow("no decimals rounds half up") << 12.5 << 0 << u"13"_qs;
    QTest::newRow("2.5 to 3") << 2.5 << 0 << u"3"_qs;
    QTest::newRow("3.5 to 4") << 3.5 << 0 << u"4"_qs;
    QTest::newRow("0.05 to 0.1") << 0.05 << 1 << u"0.1"_qs;
    QTest::newRow("0.125 to 0.13") << 0.125 << 2 << u"0.13"_qs;
    QTest::newRow("2.675 to 2.68") << 2.675 << 2 << u"2.68"_qs;
    QTest::newRow("1.005 to 1.01") << 1.005 << 2 << u"1.01"_qs;
    QTest::newRow("0.04 to 0.0") << 0.04 << 1 << u"0.0"_qs;
    QTest::newRow("just below a half") << 0.0499999 << 1 << u"0.0"_qs;
    QTest::newRow("carry through nines") << 99.995 << 2 << u"100.00"_qs;
    QTest::newRow("carry adds a digit") << 9.96 << 1 << u"10.0"_qs;
    QTest::newRow("zero") << 0.0 << 1 << u"0.0"_qs;
    QTest::newRow("zero, no decimals") << 0.0 << 0 << u"0"_qs;
    QTest::newRow("all digits, no separators") << 4294967295.0 << 0 << u"4294967295"_qs;
    QTest::newRow("large with decimals") << 12345678.9 << 1 << u"12345678.9"_qs;
    QTest::newRow("48-bit count") << 281474976710655.0 << 0 << u"281474976710655"_qs;
    QTest::newRow("reciprocal") << 100000.0 / 3 << 1 << u"33333.3"_qs;
    QTest::newRow("tiny") << 1e-9 << 5 << u"0.00000"_qs;
    QTest::newRow("negative half away from zero") << -2.5 << 0 << u"-3"_qs;
    QTest::newRow("negative rounding to zero") << -0.04 << 1 << u"0.0"_qs;
}

void DisplayTest::formatFixed()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(pelmix::measure::formatFixed(value, decimals, QLocale::c()), text);
}

void DisplayTest::decimalComma()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(pelmix::measure::formatFixed(12345.678, 3, german), u"12345,678"_qs);
    QCOMPARE(pelmix::measure::formatFixed(0.125, 2, german), u"0,13"_qs);
    QCOMPARE(pelmix::measure::formatFixed(1234567.0, 0, german), u"1234567"_qs);
    // The locale set for the program is the one the displays use.
    QLocale::setDefault(german);
    QCOMPARE(pelmix::measure::formatFixed(0.5, 1), u"0,5"_qs);
    QLocale::setDefault(QLocale::c());
}

void DisplayTest::displayField_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown");

    QTest::newRow("right-aligned")
        << u"50"_qs << u"kHz"_qs << u"        50kHz"_qs << u"        50kHz"_qs;
    QTest::newRow("exactly 13") << u"12345.6789"_qs << u"kHz"_qs << u"12345.6789kHz"_qs
                                << u"12345.6789kHz"_qs;
    QTest::newRow("no unit") << u"0"_qs << u""_qs << u"            0"_qs << u"            0"_qs;
    QTest::newRow("14 does not fit")
        << u"429496.7295"_qs << u"kHz"_qs << QString() << u"     Overflow"_qs;
    QTest::newRow("14 digits, no unit")
        << u"10000000000000"_qs << u""_qs << QString() << u"     Overflow"_qs;
}

void DisplayTest::displayField()
{
    QFETCH(QString, number);
    QFETCH(QString, unit);
    QFETCH(QString, field);
    QFETCH(QString, shown);
    QCOMPARE(pelmix::measure::displayField(number, unit).value_or(QString()), field);
    QCOMPARE(displayText(number, unit), shown);
    QCOMPARE(shown.size(), DisplayWidth);
}

void DisplayTest::decodeCount_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("count");

    QTest::newRow("8 digits") << u"F00000032\r\n"_qs << 8 << 50.0;
    QTest::newRow("8 digits, top half positive") << u"F00009C40\r\n"_qs << 8 << 40000.0;
    QTest::newRow("largest 8") << u"FFFFFFFFF\r\n"_qs << 8 << 4294967295.0;
    QTest::newRow("12 digits") << u"T00000000C350\r\n"_qs << 12 << 50000.0;
    QTest::newRow("largest 12") << u"TFFFFFFFFFFFF\r\n"_qs << 12 << 281474976710655.0;
    QTest::newRow("lower case") << u"f0000abcd\r\n"_qs << 8 << 43981.0;
    QTest::newRow("first character not read") << u"Z00000001\r\n"_qs << 8 << 1.0;
    QTest::newRow("empty") << u""_qs << 8 << 0.0;
    QTest::newRow("first character only") << u"F"_qs << 8 << 0.0;
    QTest::newRow("short field with line end") << u"F12\r\n"_qs << 8 << 0.0;
    QTest::newRow("short field, no line end") << u"F12"_qs << 8 << 18.0;
    QTest::newRow("not hexadecimal") << u"F0000G032\r\n"_qs << 8 << 0.0;
    QTest::newRow("NUL inside") << u"F000\u00000032\r\n"_qs << 8 << 0.0;
    QTest::newRow("space inside") << u"F0000 032\r\n"_qs << 8 << 0.0;
    QTest::newRow("sign") << u"F-0000032\r\n"_qs << 8 << 0.0;
    QTest::newRow("8-digit reply read as 12") << u"F00000032\r\n"_qs << 12 << 0.0;
}

void DisplayTest::decodeCount()
{
    QFETCH(QString, reply);
    QFETCH(int, digits);
    QFETCH(double, count);
    QCOMPARE(pelmix::measure::decodeCount(reply, digits), count);
}

QTEST_APPLESS_MAIN(DisplayTest)
#include "tst_display.moc"
