#include "device/StatusLine.h"
#include "device/Trace.h"
#include "device/TraceBox.h"

#include <QTest>

using pelmix::device::appendToTrace;
using pelmix::device::TextTrace;

class TraceTest : public QObject
{
    Q_OBJECT

private slots:
    void statusPositions_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("level");

        QTest::newRow("a status line") << u"FK3Bj:6\r\n"_qs << 3 << 6;
        QTest::newRow("anything but a digit reads 0") << u"FKxBj:\u00ff\r\n"_qs << 0 << 0;
        QTest::newRow("beyond the end reads 0") << u"FK2\r\n"_qs << 2 << 0;
    }
    void statusPositions()
    {
        QFETCH(QString, line);
        QTEST(pelmix::device::statusPosition(line, pelmix::device::TimePosition), "time");
        QTEST(pelmix::device::statusPosition(line, pelmix::device::LevelPosition), "level");
    }

    void filtering_data()
    {
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("filtered");
        QTest::addColumn<QString>("traceAfter");

        QTest::newRow("plain line") << u"x"_qs << u"1234\r"_qs << u"1234\r\n"_qs << u"x1234\r\n"_qs;
        QTest::newRow("LF anywhere removed")
            << u""_qs << u"\n1\n2\r\n\n"_qs << u"12\r\n"_qs << u"12\r\n"_qs;
        QTest::newRow("two CRs") << u""_qs << u"a\rb\r"_qs << u"a\r\nb\r\n"_qs << u"a\r\nb\r\n"_qs;
        QTest::newRow("backspace inside")
            << u"t"_qs << u"ab\bc\r"_qs << u"ac\r\n"_qs << u"tac\r\n"_qs;
        QTest::newRow("backspace first erases trace")
            << u"xyz"_qs << u"\bab"_qs << u"ab"_qs << u"xyab"_qs;
        QTest::newRow("leading backspaces erase one")
            << u"xyz"_qs << u"\b\b\bab"_qs << u"ab"_qs << u"xyab"_qs;
        QTest::newRow("backspace eats all, then trace")
            << u"xyz"_qs << u"a\b\b"_qs << u""_qs << u"xy"_qs;
        QTest::newRow("backspace before LF")
            << u""_qs << u"a\n\bb\r"_qs << u"ab\r\n"_qs << u"ab\r\n"_qs;
        // With nothing before it, a backspace deletes nothing and raises nothing.
        QTest::newRow("backspace first, empty trace")
            << u""_qs << u"\b1\r"_qs << u"1\r\n"_qs << u"1\r\n"_qs;
        QTest::newRow("empty reply") << u"abc"_qs << u""_qs << u""_qs << u"abc"_qs;
    }
    void filtering()
    {
        QFETCH(QString, trace);
        QFETCH(QString, data);

        TextTrace term(trace);
        const pelmix::device::FilteredReply reply = pelmix::device::filterReply(data);
        appendToTrace(term, reply);
        QTEST(reply.text, "filtered");
        QTEST(term.text(), "traceAfter");
    }

    void trimsBeforeAppending_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");

        QTest::newRow("16000 kept") << 16000 << 16000 + 4;
        QTest::newRow("16001 cut to 11905") << 16001 << 11905 + 4;
        QTest::newRow("20000 cut once") << 20000 << 20000 - 4096 + 4;
    }
    void trimsBeforeAppending()
    {
        QFETCH(int, before);
        QFETCH(int, after);

        QString text;
        for (int i = 0; i < before; ++i)
            text.append(QChar(u'a' + i % 26));
        TextTrace term(text);
        appendToTrace(term, pelmix::device::filterReply(u"ok\r"_qs));
        QCOMPARE(term.length(), after);
        QVERIFY(term.text().endsWith(u"ok\r\n"_qs));
        // The oldest characters went: the text starts at the former 4097th.
        if (before > 16000)
            QCOMPARE(term.text().left(10), text.mid(4096, 10));
    }
};

QTEST_APPLESS_MAIN(TraceTest)
#include "tst_trace.moc"
