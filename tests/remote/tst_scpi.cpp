#include "remote/Engine.h"
#include "remote/ScpiErrors.h"
#include "remote/ScpiFormat.h"
#include "remote/ScpiParser.h"
#include "remote/Server.h"

#include <QTest>

#include <limits>

using namespace pelmix::remote;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

// "N:10:MS", "C:NEG", "S:text": a parameter as one comparable string.
QString describe(const Parameter &parameter)
{
    switch (parameter.kind) {
    case Parameter::Kind::Numeric:
        return u"N:"_qs + QString::number(parameter.number) + u':' + parameter.text;
    case Parameter::Kind::Character:
        return u"C:"_qs + parameter.text;
    case Parameter::Kind::String:
        return u"S:"_qs + parameter.text;
    }
    return {};
}

} // namespace

class ScpiTest : public QObject
{
    Q_OBJECT

private slots:
    void formatNumber_data();
    void formatNumber();
    void splitUnits_data();
    void splitUnits();
    void parseUnit_data();
    void parseUnit();
    void matchesHeader_data();
    void matchesHeader();
    void scaledValue_data();
    void scaledValue();
    void gatePosition_data();
    void gatePosition();
    void errorQueueOverflows();
    void errorDetailQuoted();
    void parseEndpoint_data();
    void parseEndpoint();
};

void ScpiTest::formatNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("frequency") << 12345.6 << u"+1.23456000000000E+004"_qs;
    QTest::newRow("negative zero") << -0.0 << u"+0.00000000000000E+000"_qs;
    QTest::newRow("negative, small") << -0.00125 << u"-1.25000000000000E-003"_qs;
    QTest::newRow("three-digit exponent") << 1.5e-300 << u"+1.50000000000000E-300"_qs;
    QTest::newRow("rounding carries into the exponent")
        << 9.9999999999999996e4 << u"+1.00000000000000E+005"_qs;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN()
                         << u"+9.91000000000000E+037"_qs;
}

void ScpiTest::formatNumber()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(pelmix::remote::formatNumber(value), text);
}

void ScpiTest::splitUnits_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("units");

    QTest::newRow("two") << u"*IDN?;SYST:ERR?"_qs << QStringList{u"*IDN?"_qs, u"SYST:ERR?"_qs};
    QTest::newRow("semicolon in double quotes")
        << u"A \"x;y\";B"_qs << QStringList{u"A \"x;y\""_qs, u"B"_qs};
    QTest::newRow("trailing and blank units dropped")
        << u"A; ;B;"_qs << QStringList{u"A"_qs, u"B"_qs};
    QTest::newRow("unterminated quote keeps the rest")
        << u"A \"x;B"_qs << QStringList{u"A \"x;B"_qs};
}

void ScpiTest::splitUnits()
{
    QFETCH(QString, line);
    QFETCH(QStringList, units);
    QCOMPARE(pelmix::remote::splitUnits(line), units);
}

void ScpiTest::parseUnit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("header"); // '*' common, ':' absolute, '?' query
    QTest::addColumn<QStringList>("parameters");

    const int ok = 0;
    const int syntax = int(ErrorCode::Syntax);
    QTest::newRow("common query") << u"*idn?"_qs << ok << u"*IDN?"_qs << QStringList();
    QTest::newRow("absolute") << u" :conf:freq"_qs << ok << u":CONF:FREQ"_qs << QStringList();
    QTest::newRow("integer") << u"INP:LEV 3"_qs << ok << u"INP:LEV"_qs << QStringList{u"N:3:"_qs};
    QTest::newRow("number with suffix, spaced")
        << u"FREQ:GATE:TIME 10 ms"_qs << ok << u"FREQ:GATE:TIME"_qs << QStringList{u"N:10:MS"_qs};
    QTest::newRow("exponent") << u"X -1.5E-3"_qs << ok << u"X"_qs << QStringList{u"N:-0.0015:"_qs};
    QTest::newRow("character data")
        << u"inp:slop neg"_qs << ok << u"INP:SLOP"_qs << QStringList{u"C:NEG"_qs};
    QTest::newRow("string with doubled quote")
        << u"X \"a\"\"b\", 'c'"_qs << ok << u"X"_qs << QStringList{u"S:a\"b"_qs, u"S:c"_qs};
    QTest::newRow("query with parameter")
        << u"FREQ:GATE:TIME? MIN"_qs << ok << u"FREQ:GATE:TIME?"_qs << QStringList{u"C:MIN"_qs};
    QTest::newRow("no separator after header")
        << u"*IDN?x"_qs << syntax << QString() << QStringList();
    QTest::newRow("empty parameter") << u"INP:LEV 3,"_qs << syntax << QString() << QStringList();
    QTest::newRow("two decimal points")
        << u"INP:LEV 1.2.3"_qs << syntax << QString() << QStringList();
    QTest::newRow("bare sign") << u"INP:LEV -"_qs << syntax << QString() << QStringList();
    QTest::newRow("control characters")
        << u"\u0001\u0002"_qs << syntax << QString() << QStringList();
    QTest::newRow("NUL in header") << u"*ID\u0000N?"_qs << syntax << QString() << QStringList();
    QTest::newRow("empty mnemonic") << u"MEAS::FREQ?"_qs << syntax << QString() << QStringList();
    QTest::newRow("block data") << u"X #15hello"_qs << syntax << QString() << QStringList();
}

void ScpiTest::parseUnit()
{
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(QString, header);
    QFETCH(QStringList, parameters);

    const ParsedUnit parsed = pelmix::remote::parseUnit(text);
    QCOMPARE(int(parsed.error), error);
    if (error != 0)
        return;
    const ProgramUnit &unit = parsed.unit;
    const QString sent = (unit.absolute ? u":"_qs : QString()) + unit.mnemonics.join(u':') +
                         (unit.query ? u"?"_qs : QString());
    QCOMPARE(sent, header);
    QCOMPARE(unit.common, header.startsWith(u'*'));
    QStringList described;
    for (const Parameter &parameter : unit.parameters)
        described << describe(parameter);
    QCOMPARE(described, parameters);
}

void ScpiTest::matchesHeader_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<bool>("matches");

    const QString measure = u"MEASure[:SCALar]:FREQuency"_qs;
    const QString gate = u"[SENSe:]FREQuency:GATE:TIME"_qs;
    const QString filter = u"INPut:FILTer[:LPASs][:STATe]"_qs;
    QTest::newRow("short forms") << measure << u"MEAS:FREQ"_qs << true;
    QTest::newRow("long forms, optional node") << measure << u"MEASURE:SCALAR:FREQUENCY"_qs << true;
    QTest::newRow("neither short nor long") << measure << u"MEASU:FREQ"_qs << false;
    QTest::newRow("missing node") << measure << u"FREQ"_qs << false;
    QTest::newRow("extra node") << measure << u"MEAS:FREQ:FREQ"_qs << false;
    QTest::newRow("leading optional left out") << gate << u"FREQ:GATE:TIME"_qs << true;
    QTest::newRow("leading optional given") << gate << u"SENS:FREQ:GATE:TIME"_qs << true;
    QTest::newRow("optional node twice") << gate << u"SENS:SENS:FREQ:GATE:TIME"_qs << false;
    QTest::newRow("second of two optionals") << filter << u"INP:FILT:STAT"_qs << true;
    QTest::newRow("both optionals") << filter << u"INP:FILT:LPAS:STAT"_qs << true;
    QTest::newRow("optionals out of order") << filter << u"INP:FILT:STAT:LPAS"_qs << false;
}

void ScpiTest::matchesHeader()
{
    QFETCH(QString, pattern);
    QFETCH(QString, sent);
    QFETCH(bool, matches);
    QCOMPARE(pelmix::remote::matchesHeader(pattern, sent.split(u':')), matches);
}

void ScpiTest::scaledValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<std::optional<double>>("value");

    QTest::newRow("plain") << u"5"_qs << u"S"_qs << std::optional(5.0);
    QTest::newRow("milliseconds") << u"10ms"_qs << u"S"_qs << std::optional(0.01);
    QTest::newRow("microseconds") << u"100 US"_qs << u"S"_qs << std::optional(1e-4);
    QTest::newRow("kilohertz") << u"1.5 kHz"_qs << u"HZ"_qs << std::optional(1500.0);
    QTest::newRow("MHZ is mega") << u"2 MHz"_qs << u"HZ"_qs << std::optional(2e6);
    QTest::newRow("other unit") << u"3 V"_qs << u"S"_qs << std::optional<double>();
    QTest::newRow("unknown multiplier") << u"3 QS"_qs << u"S"_qs << std::optional<double>();
}

void ScpiTest::scaledValue()
{
    QFETCH(QString, text);
    QFETCH(QString, unit);
    QFETCH(std::optional<double>, value);
    const ParsedUnit parsed = pelmix::remote::parseUnit(u"X "_qs + text);
    QCOMPARE(parsed.error, ErrorCode::NoError);
    const std::optional<double> scaled =
        pelmix::remote::scaledValue(parsed.unit.parameters.front(), unit);
    QCOMPARE(scaled.has_value(), value.has_value());
    if (value)
        QCOMPARE(*scaled, *value);
}

void ScpiTest::gatePosition_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<std::optional<int>>("position");

    QTest::newRow("1 ms") << 1e-3 << std::optional(0);
    QTest::newRow("10 ms as 10 * 1 ms") << 10 * 1e-3 << std::optional(1);
    QTest::newRow("20 ms to 10 ms") << 0.02 << std::optional(1);
    QTest::newRow("0.3 s to 0.1 s") << 0.3 << std::optional(2);
    QTest::newRow("0.5 s to 1 s, by ratio") << 0.5 << std::optional(3);
    QTest::newRow("10 s") << 10.0 << std::optional(4);
    QTest::newRow("below 1 ms") << 0.9e-3 << std::optional<int>();
    QTest::newRow("above 10 s") << 10.5 << std::optional<int>();
    QTest::newRow("zero") << 0.0 << std::optional<int>();
    QTest::newRow("negative") << -1.0 << std::optional<int>();
}

void ScpiTest::gatePosition()
{
    QFETCH(double, seconds);
    QFETCH(std::optional<int>, position);
    QCOMPARE(pelmix::remote::gatePosition(seconds), position);
}

void ScpiTest::errorQueueOverflows()
{
    ErrorQueue queue;
    for (int i = 0; i < 20; ++i)
        queue.push(i % 2 ? ErrorCode::Syntax : ErrorCode::UndefinedHeader);
    QCOMPARE(queue.size(), ErrorQueue::Capacity);
    for (int i = 0; i < ErrorQueue::Capacity - 1; ++i)
        QCOMPARE(queue.pop().code, i % 2 ? ErrorCode::Syntax : ErrorCode::UndefinedHeader);
    QCOMPARE(formatError(queue.pop()), u"-350,\"Queue overflow\""_qs);
    QCOMPARE(formatError(queue.pop()), u"+0,\"No error\""_qs);
    // Once read, it takes errors again.
    queue.push(ErrorCode::DataStale);
    QCOMPARE(queue.pop().code, ErrorCode::DataStale);
}

void ScpiTest::errorDetailQuoted()
{
    QCOMPARE(formatError({ErrorCode::NoReply, u"port \"ttyS1\"\r\ngone"_qs}),
             u"+301,\"No reply from the counter;port \"\"ttyS1\"\"  gone\""_qs);
}

void ScpiTest::parseEndpoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");

    QTest::newRow("IPv4") << u"127.0.0.1:5025"_qs << true << u"127.0.0.1"_qs << 5025;
    QTest::newRow("bare port stays local") << u"6000"_qs << true << u"127.0.0.1"_qs << 6000;
    QTest::newRow("localhost") << u"localhost:5025"_qs << true << u"127.0.0.1"_qs << 5025;
    QTest::newRow("IPv6 in brackets") << u"[::1]:5025"_qs << true << u"::1"_qs << 5025;
    QTest::newRow("IPv6 without brackets") << u"::1:5025"_qs << false << QString() << 0;
    QTest::newRow("no address before colon") << u":5025"_qs << false << QString() << 0;
    QTest::newRow("host name") << u"lab.example:5025"_qs << false << QString() << 0;
    QTest::newRow("port too large") << u"127.0.0.1:65536"_qs << false << QString() << 0;
}

void ScpiTest::parseEndpoint()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, address);
    QFETCH(int, port);
    const std::optional<Endpoint> endpoint = pelmix::remote::parseEndpoint(text);
    QCOMPARE(endpoint.has_value(), valid);
    if (!endpoint)
        return;
    QCOMPARE(endpoint->address, QHostAddress(address));
    QCOMPARE(int(endpoint->port), port);
}

QTEST_APPLESS_MAIN(ScpiTest)
#include "tst_scpi.moc"
