#include "FakeCounter.h"

#include "remote/Engine.h"

#include "tests/common/RunTask.h"

#include <QTest>

using namespace pelmix::remote;
using pelmix::test::FakeCounter;

namespace {

const QString Nan = u"+9.91000000000000E+037"_qs;
const QString NoError = u"+0,\"No error\""_qs;

} // namespace

class EngineTest : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
    void settingsReachTheCounter();
    void leavingClientStopsItsReadings();
};

void EngineTest::exchange_data()
{
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("replies"); // one per line, empty for none

    const QList<double> none;
    QTest::newRow("identity") << none << QStringList{u"*IDN?"_qs}
                              << QStringList{u"Pelmix,PX-1,Com2 (/dev/pts/7),1.4.0"_qs};
    QTest::newRow("forms and case")
        << none
        << QStringList{u"conf:tot"_qs, u"CONFIGURE?"_qs, u":Configure:Scalar:Period;:CONF?"_qs}
        << QStringList{QString(), u"\"TOT\""_qs, u"\"PER\""_qs};
    QTest::newRow("relative path after a semicolon")
        << none
        << QStringList{u"INP:LEV 3;SLOP NEG;FILT ON;COUP AC"_qs, u"INP:LEV?;SLOP?;FILT?;COUP?"_qs}
        << QStringList{QString(), u"+3;NEG;1;AC"_qs};
    QTest::newRow("another subsystem needs a colon")
        << none << QStringList{u"CONF:FREQ;SAMP:COUN 5"_qs, u"SYST:ERR?"_qs, u"SAMP:COUN?"_qs}
        << QStringList{QString(), u"-113,\"Undefined header\""_qs, u"+1"_qs};
    QTest::newRow("common commands keep the path")
        << none << QStringList{u"INP:LEV 4;*CLS;LEV?"_qs} << QStringList{u"+4"_qs};
    QTest::newRow("a command error ends its line")
        << none << QStringList{u"BOGUS;*IDN?"_qs, u"SYST:ERR?;ERR?"_qs}
        << QStringList{QString(), u"-113,\"Undefined header\";"_qs + NoError};
    QTest::newRow("an execution error does not")
        << none << QStringList{u"INP:LEV 9;:SAMP:COUN?"_qs, u"SYST:ERR?"_qs}
        << QStringList{u"+1"_qs, u"-222,\"Data out of range\""_qs};
    QTest::newRow("sample count") << QList<double>{10000, 10001, 10002}
                                  << QStringList{u"SAMP:COUN 3"_qs, u"READ?"_qs}
                                  << QStringList{QString(),
                                                 u"+1.00000000000000E+004,+1.00010000000000E+004,"
                                                 "+1.00020000000000E+004"_qs};
    QTest::newRow("fetch without initiate")
        << none << QStringList{u"FETC?"_qs, u"SYST:ERR?"_qs}
        << QStringList{QString(), u"-230,\"Data corrupt or stale\""_qs};
    QTest::newRow("initiate, then fetch twice")
        << QList<double>{5} << QStringList{u"INIT;FETC?"_qs, u"FETC?"_qs}
        << QStringList{u"+5.00000000000000E+000"_qs, u"+5.00000000000000E+000"_qs};
    QTest::newRow("a setting discards the readings")
        << QList<double>{5} << QStringList{u"READ?"_qs, u"INP:LEV 2;:FETC?"_qs, u"SYST:ERR?"_qs}
        << QStringList{u"+5.00000000000000E+000"_qs, QString(),
                       u"-230,\"Data corrupt or stale\""_qs};
    QTest::newRow("silent counter")
        << none << QStringList{u"MEAS:PER?"_qs, u"SYST:ERR?;ERR?"_qs}
        << QStringList{Nan,
                       u"+301,\"No reply from the counter;no reply within 2 s\";"_qs + NoError};
    QTest::newRow("one failure, one error, the rest not measured")
        << QList<double>{7, 8}
        << QStringList{u"SAMP:COUN 2;:MEAS:TOT?"_qs, u"SAMP:COUN 3;:READ?"_qs, u"SYST:ERR?;ERR?"_qs}
        << QStringList{u"+7.00000000000000E+000,+8.00000000000000E+000"_qs,
                       Nan + u',' + Nan + u',' + Nan,
                       u"+301,\"No reply from the counter;no reply within 2 s\";"_qs + NoError};
    QTest::newRow("statistics") << QList<double>{1, 2, 3}
                                << QStringList{u"SAMP:COUN 3;:READ?"_qs, u"CALC:AVER:ALL?"_qs}
                                << QStringList{u"+1.00000000000000E+000,+2.00000000000000E+000,"
                                               "+3.00000000000000E+000"_qs,
                                               u"+2.00000000000000E+000,+1.00000000000000E+000,"
                                               "+1.00000000000000E+000,+3.00000000000000E+000"_qs};
    QTest::newRow("statistics of one reading")
        << QList<double>{4} << QStringList{u"READ?;:CALC:AVER:ALL?"_qs}
        << QStringList{u"+4.00000000000000E+000;+4.00000000000000E+000,"_qs + Nan +
                       u",+4.00000000000000E+000,+4.00000000000000E+000"_qs};
    QTest::newRow("statistics restart on *CLS")
        << QList<double>{1, 2} << QStringList{u"READ?;READ?;*CLS;:CALC:AVER:ALL?"_qs}
        << QStringList{u"+1.00000000000000E+000;+2.00000000000000E+000;"_qs + Nan + u',' + Nan +
                       u',' + Nan + u',' + Nan};
    QTest::newRow("statistics restart on CONFigure")
        << QList<double>{1, 2, 4}
        << QStringList{u"READ?"_qs, u"CONF:FREQ;:READ?;READ?"_qs, u"CALC:AVER:ALL?"_qs}
        << QStringList{u"+1.00000000000000E+000"_qs,
                       u"+2.00000000000000E+000;+4.00000000000000E+000"_qs,
                       u"+3.00000000000000E+000,+1.41421356237310E+000,"
                       "+2.00000000000000E+000,+4.00000000000000E+000"_qs};
    QTest::newRow("gate time") << none
                               << QStringList{u"FREQ:GATE:TIME 0.5;TIME?"_qs,
                                              u"SENS:FREQ:GATE:TIME 20 ms;TIME?"_qs,
                                              u"FREQ:GATE:TIME MIN;TIME?;TIME? MAX"_qs,
                                              u"FREQ:GATE:TIME 11"_qs,
                                              u"FREQ:GATE:TIME 1 V"_qs,
                                              u"SYST:ERR?;ERR?"_qs}
                               << QStringList{
                                      u"+1.00000000000000E+000"_qs,
                                      u"+1.00000000000000E-002"_qs,
                                      u"+1.00000000000000E-003;+1.00000000000000E+001"_qs,
                                      QString(),
                                      QString(),
                                      u"-222,\"Data out of range\";-131,\"Invalid suffix\""_qs};
    QTest::newRow("level rounded, checked")
        << none
        << QStringList{u"INP:LEV 2.6;LEV?"_qs, u"INP:LEV 8"_qs, u"INP:LEV 2 V"_qs,
                       u"INP:LEV?;:SYST:ERR?;ERR?"_qs}
        << QStringList{u"+3"_qs, QString(), QString(),
                       u"+3;-222,\"Data out of range\";-138,\"Suffix not allowed\""_qs};
    QTest::newRow("parameter errors")
        << none
        << QStringList{u"INP:SLOP"_qs, u"INP:SLOP UP"_qs, u"INP:SLOP 1"_qs, u"*IDN? 1"_qs,
                       u"SYST:ERR?;ERR?;ERR?;ERR?"_qs}
        << QStringList{QString(), QString(), QString(), QString(),
                       u"-109,\"Missing parameter\";-224,\"Illegal parameter value\";"
                       "-104,\"Data type error\";-108,\"Parameter not allowed\""_qs};
    QTest::newRow("*RST restores the defaults")
        << none
        << QStringList{u"INP:LEV 5;FILT ON;:SAMP:COUN 4;:CONF:PER"_qs, u"*RST"_qs,
                       u"INP:LEV?;FILT?;:SAMP:COUN?;:FREQ:GATE:TIME?;:CONF?"_qs}
        << QStringList{QString(), QString(), u"+0;0;+1;+1.00000000000000E+000;\"FREQ\""_qs};
}

void EngineTest::exchange()
{
    QFETCH(QList<double>, readings);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, replies);

    FakeCounter counter;
    counter.script = readings;
    Engine engine(counter);
    const auto session = std::make_shared<Session>();
    QStringList received;
    for (const QString &line : lines)
        received << pelmix::test::run(engine.execute(line, session));
    QCOMPARE(received, replies);
}

void EngineTest::settingsReachTheCounter()
{
    FakeCounter counter;
    counter.script = {1};
    Engine engine(counter);
    pelmix::test::run(engine.execute(
        u"CONF:TINT;:INP:SLOP NEG;LEV 2;FILT 1;COUP AC;:FREQ:GATE:TIME 10ms;:READ?"_qs,
        std::make_shared<Session>()));
    QCOMPARE(counter.asked.size(), 1);
    const Configuration expected{Function::Interval, 1, 2, true, true, true};
    QVERIFY(counter.asked.front() == expected);
}

void EngineTest::leavingClientStopsItsReadings()
{
    FakeCounter counter;
    counter.script = {1, 2, 3};
    counter.held = true;
    Engine engine(counter);
    const auto session = std::make_shared<Session>();
    pelmix::test::run(engine.execute(u"SAMP:COUN 3"_qs, session));

    bool done = false;
    QString reply;
    auto client = [&]() -> QCoro::Task<> {
        reply = co_await engine.execute(u"READ?"_qs, session);
        done = true;
    };
    auto running = client();
    QCOMPARE(counter.asked.size(), 1);
    session->gone = true;
    counter.release();
    QVERIFY(QTest::qWaitFor([&] { return done; }));
    QCOMPARE(counter.asked.size(), 1);
    QVERIFY(reply.isEmpty());
}

QTEST_GUILESS_MAIN(EngineTest)
#include "tst_engine.moc"
