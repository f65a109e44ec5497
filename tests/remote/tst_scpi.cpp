#include "remote/Commands.h"
#include "remote/Engine.h"
#include "remote/ScpiErrors.h"
#include "remote/ScpiFormat.h"
#include "remote/ScpiParser.h"
#include "remote/Server.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <limits>

using namespace pelmix::remote;

class ScpiTest : public QObject
{
    Q_OBJECT

private slots:
    void formatNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("negative zero") << -0.0 << u"+0.00000000000000E+000"_qs;
        QTest::newRow("negative, small") << -0.00125 << u"-1.25000000000000E-003"_qs;
        QTest::newRow("three-digit exponent") << 1.5e-300 << u"+1.50000000000000E-300"_qs;
        QTest::newRow("rounding carries into the exponent")
            << 9.9999999999999996e4 << u"+1.00000000000000E+005"_qs;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN()
                             << u"+9.91000000000000E+037"_qs;
    }
    void formatNumber()
    {
        QFETCH(double, value);
        QTEST(pelmix::remote::formatNumber(value), "text");
    }

    void splitUnits_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("units");

        QTest::newRow("semicolon in double quotes")
            << u"A \"x;y\";B"_qs << QStringList{u"A \"x;y\""_qs, u"B"_qs};
        QTest::newRow("trailing and blank units dropped")
            << u"A; ;B;"_qs << QStringList{u"A"_qs, u"B"_qs};
        QTest::newRow("unterminated quote keeps the rest")
            << u"A \"x;B"_qs << QStringList{u"A \"x;B"_qs};
    }
    void splitUnits()
    {
        QFETCH(QString, line);
        QTEST(pelmix::remote::splitUnits(line), "units");
    }

    void parseUnit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // the header, then each parameter; empty: -102

        QTest::newRow("number with suffix, spaced")
            << u"FREQ:GATE:TIME 10 ms"_qs << u"FREQ:GATE:TIME N:10:MS"_qs;
        QTest::newRow("exponent") << u" :x -1.5E-3"_qs << u":X N:-0.0015:"_qs;
        QTest::newRow("character data") << u"inp:slop neg"_qs << u"INP:SLOP C:NEG"_qs;
        QTest::newRow("strings with doubled quotes")
            << u"X \"a\"\"b\", 'c''d'"_qs << u"X S:a\"b S:c'd"_qs;
        QTest::newRow("common query, parameter") << u"*idn? MIN"_qs << u"*IDN? C:MIN"_qs;
        QTest::newRow("no separator after header") << u"*IDN?x"_qs << QString();
        QTest::newRow("empty parameter") << u"INP:LEV 3,"_qs << QString();
        QTest::newRow("two decimal points") << u"INP:LEV 1.2.3"_qs << QString();
        QTest::newRow("bare sign") << u"INP:LEV -"_qs << QString();
        QTest::newRow("control characters") << u"\u0001\u0002"_qs << QString();
        QTest::newRow("NUL in header") << u"*ID\u0000N?"_qs << QString();
        QTest::newRow("empty mnemonic") << u"MEAS::FREQ?"_qs << QString();
        QTest::newRow("block data") << u"X #15hello"_qs << QString();
    }
    void parseUnit()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        const ParsedUnit result = pelmix::remote::parseUnit(text);
        QCOMPARE(result.error, parsed.isEmpty() ? ErrorCode::Syntax : ErrorCode::NoError);
        if (parsed.isEmpty())
            return;
        const ProgramUnit &unit = result.unit;
        QStringList described{(unit.absolute ? u":"_qs : QString()) + unit.mnemonics.join(u':') +
                              (unit.query ? u"?"_qs : QString())};
        for (const Parameter &p : unit.parameters) {
            described << (p.kind == Parameter::Kind::Numeric
                              ? u"N:"_qs + QString::number(p.number) + u':' + p.text
                              : (p.kind == Parameter::Kind::String ? u"S:"_qs : u"C:"_qs) + p.text);
        }
        QCOMPARE(described.join(u' '), parsed);
        QCOMPARE(unit.common, parsed.startsWith(u'*'));
    }

    void errorQueueOverflows()
    {
        ErrorQueue queue;
        for (int i = 0; i < 20; ++i)
            queue.push(i % 2 ? ErrorCode::Syntax : ErrorCode::UndefinedHeader);
        QCOMPARE(queue.size(), ErrorQueue::Capacity);
        for (int i = 0; i < ErrorQueue::Capacity - 1; ++i)
            QCOMPARE(queue.pop().code, i % 2 ? ErrorCode::Syntax : ErrorCode::UndefinedHeader);
        QCOMPARE(formatError(queue.pop()), u"-350,\"Queue overflow\""_qs);
        QCOMPARE(formatError(queue.pop()), u"+0,\"No error\""_qs);
        // Once read, it takes errors again; a detail is kept printable and its quotes doubled.
        queue.push(ErrorCode::NoReply, u"port \"ttyS1\"\r\ngone"_qs);
        QCOMPARE(formatError(queue.pop()),
                 u"+301,\"No reply from the counter;port \"\"ttyS1\"\"  gone\""_qs);
    }

    // The README's table of commands names every form of the command set, and no other.
    void readmeListsTheCommands()
    {
        QFile readme(QStringLiteral(PELMIX_README));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype start = text.indexOf(u"### serve");
        const QString section = text.mid(start, text.indexOf(u"\n## ", start) - start);
        static const QRegularExpression row(u"^\\| (`.*?) \\|"_qs,
                                            QRegularExpression::MultilineOption);
        static const QRegularExpression form(u"`([^` ]+)[^`]*`"_qs);
        QStringList listed;
        for (const auto &cell : row.globalMatch(section)) {
            for (const auto &named : form.globalMatch(cell.captured(1)))
                listed << named.captured(1);
        }
        const QStringList forms = commandForms();
        QStringList wrong;
        for (const QString &name : forms) {
            if (listed.count(name) != 1)
                wrong << u"listed %1 times: "_qs.arg(listed.count(name)) + name;
        }
        for (const QString &name : listed) {
            if (!forms.contains(name))
                wrong << u"no such command: "_qs + name;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u"; ")));
    }

    void parseEndpoint_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("endpoint"); // empty: not one

        QTest::newRow("bare port stays local") << u"6000"_qs << u"127.0.0.1 6000"_qs;
        QTest::newRow("localhost") << u"localhost:5025"_qs << u"127.0.0.1 5025"_qs;
        QTest::newRow("IPv6 in brackets") << u"[::1]:5025"_qs << u"::1 5025"_qs;
        QTest::newRow("IPv6 without brackets") << u"::1:5025"_qs << QString();
        QTest::newRow("no address before colon") << u":5025"_qs << QString();
        QTest::newRow("host name") << u"lab.example:5025"_qs << QString();
        QTest::newRow("port too large") << u"127.0.0.1:65536"_qs << QString();
    }
    void parseEndpoint()
    {
        QFETCH(QString, text);
        const std::optional<Endpoint> e = pelmix::remote::parseEndpoint(text);
        QTEST(e ? e->address.toString() + u' ' + QString::number(e->port) : QString(), "endpoint");
    }
};

QTEST_APPLESS_MAIN(ScpiTest)
#include "tst_scpi.moc"
