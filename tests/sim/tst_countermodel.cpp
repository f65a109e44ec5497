#include "sim/CounterModel.h"

#include <QTest>

using pelmix::sim::CounterModel;
using pelmix::sim::Signal;
using namespace std::chrono_literals;

class CounterModelTest : public QObject
{
    Q_OBJECT

private slots:
    void statusLine_data();
    void statusLine();
    void dataReply_data();
    void dataReply();
    void frequencyAnswersAfterTheMeasuringTime();
    void countingAccumulatesSinceEnteringTheMode();
    void noiseRepeatsWithItsSeed();
};

void CounterModelTest::statusLine_data()
{
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("status");

    QTest::newRow("at start") << QByteArray("w") << QByteArray("FK0Bj:0\r");
    QTest::newRow("analog period, falling, filter") << QByteArray("tkb") << QByteArray("tk0bj:0\r");
    QTest::newRow("calibration") << QByteArray("FJ") << QByteArray("FK0BJ:0\r");
    QTest::newRow("counting") << QByteArray("P") << QByteArray("PK0Bj:0\r");
    QTest::newRow("level and time") << QByteArray("+++CC") << QByteArray("FK2Bj:3\r");
    QTest::newRow("switches back") << QByteArray("kKbBJj") << QByteArray("FK0Bj:0\r");
    // Stepping only advances: after the last position comes the first.
    QTest::newRow("level wraps") << QByteArray("++++++++") << QByteArray("FK0Bj:0\r");
    QTest::newRow("time wraps") << QByteArray("CCCCCC") << QByteArray("FK1Bj:0\r");
}

void CounterModelTest::statusLine()
{
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, status);
    CounterModel model;
    QByteArray last;
    for (const char c : commands)
        last = model.respond(c).bytes;
    QCOMPARE(last, status);
    QCOMPARE(model.respond('w').bytes, status);
    // The positions the program reads.
    QCOMPARE(status.at(2), char('0' + model.time()));
    QCOMPARE(status.at(6), char('0' + model.level()));
}

void CounterModelTest::dataReply_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<double>("frequencyHz");
    QTest::addColumn<double>("intervalUs");
    QTest::addColumn<QByteArray>("reply");

    // Each count is the one the program's display rules turn back into the signal.
    QTest::newRow("50 kHz, 1 ms") << QByteArray("F") << 50e3 << 0.0 << QByteArray("F00000032\r");
    QTest::newRow("100 kHz, 1 s") << QByteArray("FCCC") << 100e3 << 0.0
                                  << QByteArray("F000186A0\r");
    QTest::newRow("12345.678 Hz, 10 s")
        << QByteArray("fCCCC") << 12345.678 << 0.0 << QByteArray("F0001E241\r");
    QTest::newRow("calibration counts the reference")
        << QByteArray("FJC") << 5.0 << 0.0 << QByteArray("F00002710\r");
    QTest::newRow("period 1000 us, multiplier 1")
        << QByteArray("T") << 1000.0 << 0.0 << QByteArray("T000000002710\r");
    QTest::newRow("period 81 us, multiplier 10^4")
        << QByteArray("tCCCC") << 1e6 / 81 << 0.0 << QByteArray("T0000007B98A0\r");
    QTest::newRow("interval 100 us")
        << QByteArray("I") << 1.0 << 100.0 << QByteArray("I0000000003E8\r");
}

void CounterModelTest::dataReply()
{
    QFETCH(QByteArray, setup);
    QFETCH(double, frequencyHz);
    QFETCH(double, intervalUs);
    QFETCH(QByteArray, reply);

    Signal signal;
    signal.frequencyHz = frequencyHz;
    signal.intervalUs = intervalUs;
    CounterModel model(signal);
    for (const char c : setup)
        model.respond(c);
    QCOMPARE(model.respond('D').bytes, reply);
}

void CounterModelTest::frequencyAnswersAfterTheMeasuringTime()
{
    CounterModel model;
    model.respond('C');
    model.respond('C');
    QCOMPARE(model.respond('D').delay, CounterModel::Clock::duration(100ms));
    model.setTimeScale(0.01);
    QCOMPARE(model.respond('D').delay, CounterModel::Clock::duration(1ms));
    model.respond('T');
    QCOMPARE(model.respond('D').delay, CounterModel::Clock::duration::zero());
}

void CounterModelTest::countingAccumulatesSinceEnteringTheMode()
{
    Signal signal;
    signal.pulseRateHz = 1000;
    CounterModel model(signal);
    const auto t0 = CounterModel::Clock::now();
    model.respond('P', t0);
    model.respond('P', t0 + 200ms); // still counting: no restart
    QCOMPARE(model.respond('D', t0 + 500ms).bytes, QByteArray("P0000000001F4\r"));
    QCOMPARE(model.respond('D', t0 + 1500ms).bytes, QByteArray("P0000000005DC\r"));
    model.respond('F', t0 + 2s);
    model.respond('p', t0 + 3s);
    QCOMPARE(model.respond('D', t0 + 3100ms).bytes, QByteArray("P000000000064\r"));
}

void CounterModelTest::noiseRepeatsWithItsSeed()
{
    auto replies = [](std::uint32_t seed) {
        Signal signal;
        signal.noise = 1e-3;
        signal.seed = seed;
        CounterModel model(signal);
        model.respond('C');
        model.respond('C');
        model.respond('C');
        QByteArrayList all;
        for (int i = 0; i < 5; ++i)
            all.append(model.respond('D').bytes);
        return all;
    };
    QCOMPARE(replies(7), replies(7));
    QVERIFY(replies(7) != replies(8));
    const QByteArrayList some = replies(7);
    QVERIFY(QSet<QByteArray>(some.cbegin(), some.cend()).size() > 1);
}

QTEST_APPLESS_MAIN(CounterModelTest)
#include "tst_countermodel.moc"
