// Each measuring routine against the simulated counter, which sends the digits of
// each row over a real pseudo-terminal.

#include "../common/MeasureRig.h"

#include "measure/Routine.h"

using namespace pelmix;
using device::Mode;
using pelmix::test::run;

namespace {

const QString Previous = u"previous text"_qs;
const QString Overflow = u"     Overflow"_qs;

QCoro::Task<> routineFor(Mode mode, measure::Routine r)
{
    switch (mode) {
    case Mode::Frequency:
    case Mode::Calibration:
        return measure::measureFrequency(r);
    case Mode::Period:
        return measure::measurePeriod(r);
    case Mode::Interval:
        return measure::measureInterval(r);
    case Mode::Count:
        break;
    }
    return measure::measureCount(r);
}

} // namespace

class RoutinesTest : public QObject
{
    Q_OBJECT

private slots:
    void displays_data();
    void displays();
    void waitsForTheModesTimeOut_data();
    void waitsForTheModesTimeOut();
    void positionOutOfRangeSendsNothing_data();
    void positionOutOfRangeSendsNothing();
    void sliderStates();
};

void RoutinesTest::displays_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("tablo1");
    QTest::addColumn<QString>("tablo2");

    auto row = [](const char *name, Mode mode, int position, const char *reply, const char *t1,
                  const char *t2) {
        QTest::newRow(name) << int(mode) << position << QByteArray(reply) << QString::fromLatin1(t1)
                            << QString::fromLatin1(t2);
    };
    const Mode F = Mode::Frequency;
    row("F 0: 50", F, 0, "F00000032\r", "        50kHz", "      20.0mkS");
    row("F 3: 100000", F, 3, "F000186A0\r", "   100.000kHz", "      10.0mkS");
    row("F 3: 40000, top half positive", F, 3, "F00009C40\r", "    40.000kHz", "      25.0mkS");
    row("F 2: 3", F, 2, "F00000003\r", "      0.03kHz", "   33333.3mkS");
    row("F 4: 123456789", F, 4, "F075BCD15\r", "12345.6789kHz", "       0.1mkS");
    row("F 0: FFFFFFFF", F, 0, "FFFFFFFFF\r", "4294967295kHz", "       0.0mkS");
    row("F 4: FFFFFFFF overflows", F, 4, "FFFFFFFFF\r", "     Overflow", "       0.0mkS");
    row("F 1: unreadable", F, 1, "F\r", "       0.0kHz", "       0.0mkS");
    row("F 2: garbage in the digits", F, 2,
        "F00\x00"
        "00032\r",
        "      0.00kHz", "       0.0mkS");
    row("calibration 3", Mode::Calibration, 3, "F000F4240\r", "  1000.000kHz", "       1.0mkS");

    const Mode T = Mode::Period;
    row("T 0: 0", T, 0, "T000000000000\r", "       0.0mkS", "        0.0Hz");
    row("T 0: unreadable", T, 0, "T0000000000X0\r", "       0.0mkS", "        0.0Hz");
    row("T 4: 0", T, 4, "T000000000000\r", "   0.00000mkS", "    0.00000Hz");
    row("T 0: 10000, exactly 1 kHz in Hz", T, 0, "T000000002710\r", "    1000.0mkS",
        "     1000.0Hz");
    row("T 0: 9999", T, 0, "T00000000270F\r", "     999.9mkS", "     1.000kHz");
    row("T 0: 50000, top half positive", T, 0, "T00000000C350\r", "    5000.0mkS", "      200.0Hz");
    row("T 0: 100", T, 0, "T000000000064\r", "      10.0mkS", "   100.000kHz");
    row("T 1: 12345", T, 1, "T000000003039\r", "    123.45mkS", "     8.100kHz");
    row("T 2: 100000", T, 2, "T0000000186A0\r", "   100.000mkS", "    10.000kHz");
    row("T 4: 10000000", T, 4, "T000000989680\r", " 100.00000mkS", "  10.00000kHz");
    row("T 4: 100000000", T, 4, "T000005F5E100\r", "1000.00000mkS", " 1000.00000Hz");
    row("T 0: 1000000000 period overflows", T, 0, "T00003B9ACA00\r", "     Overflow",
        "        0.0Hz");
    row("T 4: 10000 frequency overflows", T, 4, "T000000002710\r", "   0.10000mkS",
        "     Overflow");
    row("T 4: 10001", T, 4, "T000000002711\r", "   0.10001mkS", "9999.00010kHz");

    const Mode I = Mode::Interval;
    row("dt: 1000", I, 0, "I0000000003E8\r", "     100.0mkS", "");
    row("dt: 0", I, 0, "I000000000000\r", "       0.0mkS", "");
    row("dt: 999999999", I, 0, "I00003B9AC9FF\r", "99999999.9mkS", "");
    row("dt: 1000000000 overflows", I, 0, "I00003B9ACA00\r", "     Overflow", "");
    row("dt: short reply", I, 2, "I12\r", "       0.0mkS", "");

    const Mode P = Mode::Count;
    row("count: 100000", P, 0, "P0000000186A0\r", "       100000", "previous text");
    row("count: 0", P, 0, "P000000000000\r", "            0", "previous text");
    row("count: 13 digits", P, 0, "P09184E729FFF\r", "9999999999999", "previous text");
    row("count: 14 digits overflow", P, 0, "P09184E72A000\r", "     Overflow", "previous text");
    row("count: unreadable reads 0", P, 0, "P\xff\r", "            0", "previous text");
}

void RoutinesTest::displays()
{
    QFETCH(int, mode);
    QFETCH(int, position);
    QFETCH(QByteArray, reply);
    QFETCH(QString, tablo1);
    QFETCH(QString, tablo2);

    test::MeasureRig rig;
    rig.model.setDataReply(reply);
    rig.panel.settings.modeValue = Mode(mode);
    rig.panel.settings.time = position;
    rig.panel.tablo1 = Previous;
    rig.panel.tablo2 = Previous;
    QString lastReply;

    run(routineFor(Mode(mode), {rig.link, rig.panel, lastReply}));
    QCOMPARE(rig.panel.tablo1, tablo1);
    QCOMPARE(rig.panel.tablo2, tablo2);
    QCOMPARE(rig.server.commands(), QByteArray("D"));
    QCOMPARE(lastReply.toLatin1(), QByteArray(reply).replace('\r', "\r\n"));
}

void RoutinesTest::waitsForTheModesTimeOut_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("timeout");
    QTest::addColumn<QString>("tablo1");

    QTest::newRow("frequency 1") << int(Mode::Frequency) << 1 << 1.0 << u"       0.0kHz"_qs;
    QTest::newRow("count") << int(Mode::Count) << 0 << 2.0 << u"            0"_qs;
}

void RoutinesTest::waitsForTheModesTimeOut()
{
    QFETCH(int, mode);
    QFETCH(int, position);
    QFETCH(double, timeout);
    QFETCH(QString, tablo1);

    test::MeasureRig rig;
    rig.model.setDataReply(QByteArray()); // the counter stays silent
    rig.panel.settings.time = position;
    QString lastReply = u"FK1Bj:0\r\n"_qs;
    QElapsedTimer clock;
    clock.start();

    run(routineFor(Mode(mode), {rig.link, rig.panel, lastReply}));
    const double took = test::secondsOf(clock);
    QVERIFY2(took >= timeout && took < timeout + 0.5, qPrintable(QString::number(took)));
    QCOMPARE(rig.panel.tablo1, tablo1);
    // The status line held before is not read as a count.
    QCOMPARE(lastReply, QString());
}

void RoutinesTest::positionOutOfRangeSendsNothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("frequency") << int(Mode::Frequency);
    QTest::newRow("period") << int(Mode::Period);
}

void RoutinesTest::positionOutOfRangeSendsNothing()
{
    QFETCH(int, mode);
    test::MeasureRig rig;
    rig.panel.settings.time = 5;
    rig.panel.slider2Enabled = false;
    rig.panel.tablo1 = Previous;
    QString lastReply;

    run(routineFor(Mode(mode), {rig.link, rig.panel, lastReply}));
    QVERIFY(rig.panel.slider2Enabled);
    QCOMPARE(rig.panel.tablo1, Previous);
    QTest::qWait(20);
    QCOMPARE(rig.server.commands(), QByteArray());
}

void RoutinesTest::sliderStates()
{
    test::MeasureRig rig;
    rig.model.setDataReply(QByteArray("I000000000001\r"));
    rig.panel.settings.time = 3;
    QString lastReply;

    run(measure::measureInterval({rig.link, rig.panel, lastReply}));
    QCOMPARE(rig.panel.settings.time, 0);
    QVERIFY(!rig.panel.slider2Enabled);

    // Counting leaves the slider alone; frequency and period enable it again.
    run(measure::measureCount({rig.link, rig.panel, lastReply}));
    QVERIFY(!rig.panel.slider2Enabled);
    run(measure::measurePeriod({rig.link, rig.panel, lastReply}));
    QVERIFY(rig.panel.slider2Enabled);
}

QTEST_GUILESS_MAIN(RoutinesTest)
#include "tst_routines.moc"
