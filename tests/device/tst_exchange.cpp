#include "../common/SimRig.h"

#include "device/Errors.h"

#include <QTimer>

using namespace pelmix;
using pelmix::test::run;
using pelmix::test::SimRig;

class ExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void replyFiltering_data();
    void replyFiltering();
    void splitReplyIsCollected();
    void staleInputNeverAppears();
    void silentCounterTimesOut();
    void progressRisesWhileWaiting();
    void eventLoopRunsDuringWaits();
    void zeroDelayDoesNotYield();
    void hangUpWhileWaitingIsAPortFailure();
    void releaseWhileWaitingIsAPortFailure();
    void shutdownCancelsAWait();
    void endlessPauseEndsAtShutdown();
    void closedPortIsAPortFailure();
    void deviceComesBackOnTheSamePath();
    void secondExchangeWaitsForTheFirst();
};

void ExchangeTest::replyFiltering_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");

    QTest::newRow("four characters and CR") << QByteArray("1234\r") << u"1234\r\n"_qs;
    QTest::newRow("CR LF keeps one LF") << QByteArray("1234\r\n") << u"1234\r\n"_qs;
    QTest::newRow("stray LF removed") << QByteArray("12\n34\r") << u"1234\r\n"_qs;
    QTest::newRow("CR alone is complete") << QByteArray("\r") << u"\r\n"_qs;
    QTest::newRow("two lines in one read") << QByteArray("AB\rCD\r") << u"AB\r\nCD\r\n"_qs;
    QTest::newRow("backspace erases") << QByteArray("AB\bC\r") << u"AC\r\n"_qs;
    QTest::newRow("NUL and 0xFF kept") << QByteArray("A\0\xff\r", 4) << u"A\u0000\u00ff\r\n"_qs;
}

void ExchangeTest::replyFiltering()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    SimRig rig;
    rig.model.setDataReply(reply);

    const device::Reply got = run(rig.link.exchange(u"D"_qs, 1.0f));
    QCOMPARE(got.text, expected);
    QVERIFY(got.complete);
    QCOMPARE(rig.trace.text(), expected);
    QCOMPARE(rig.server.commands(), QByteArray("D"));
}

void ExchangeTest::splitReplyIsCollected()
{
    sim::Faults faults;
    faults.split = true;
    SimRig rig({}, faults);
    rig.model.setDataReply(QByteArray("1234\r"));

    // Five bytes 2 ms apart arrive in several reads.
    QCOMPARE(run(rig.link.exchange(u"D"_qs, 1.0f)).text, u"1234\r\n"_qs);
    QCOMPARE(rig.trace.text(), u"1234\r\n"_qs);
}

void ExchangeTest::staleInputNeverAppears()
{
    SimRig rig;
    rig.server.send(QByteArray("stale\r"));
    QTest::qWait(50); // the bytes reach the program's side before the command

    QCOMPARE(run(rig.link.exchange(u"w"_qs, 1.0f)).text, u"FK0Bj:0\r\n"_qs);
}

void ExchangeTest::silentCounterTimesOut()
{
    sim::Faults faults;
    faults.silent = true;
    SimRig rig({}, faults);

    QElapsedTimer clock;
    clock.start();
    const device::Reply reply = run(rig.link.exchange(u"w"_qs, 0.5f));
    QCOMPARE(reply.text, QString());
    QVERIFY(!reply.complete);
    // Never before the deadline; how much later depends on the machine.
    QVERIFY2(clock.elapsed() >= 500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.trace.text(), QString());
    QCOMPARE(rig.link.progress(), qint16(0));
    QVERIFY(!rig.link.isExchanging());
}

void ExchangeTest::progressRisesWhileWaiting()
{
    sim::Faults faults;
    faults.silent = true;
    SimRig rig({}, faults);
    QList<qint16> samples;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler,
                     [&] { samples.append(rig.link.progress()); });
    sampler.start(100);

    run(rig.link.exchange(u"w"_qs, 0.6f));
    QVERIFY(samples.size() >= 3);
    QVERIFY(std::is_sorted(samples.cbegin(), samples.cend()));
    QVERIFY(samples.first() > 0 && samples.first() < samples.last());
    QVERIFY(samples.last() > 50 && samples.last() <= 101);
    QCOMPARE(rig.link.progress(), qint16(0));
}

void ExchangeTest::eventLoopRunsDuringWaits()
{
    sim::Faults faults;
    faults.silent = true;
    SimRig rig({}, faults);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ++ticks; });
    ticker.start(10);

    run(rig.link.pause(0.2f));
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    ticks = 0;
    run(rig.link.exchange(u"w"_qs, 0.2f));
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
}

void ExchangeTest::zeroDelayDoesNotYield()
{
    SimRig rig;
    bool ran = false;
    bool ranDuringDelay = true;
    auto body = [&]() -> QCoro::Task<> {
        QMetaObject::invokeMethod(
            &rig.link, [&] { ran = true; }, Qt::QueuedConnection);
        co_await rig.link.pause(0.0f);
        co_await rig.link.pause(-1.0f);
        ranDuringDelay = ran;
    };
    run(body());
    QVERIFY(!ranDuringDelay);
}

void ExchangeTest::hangUpWhileWaitingIsAPortFailure()
{
    sim::Faults faults;
    faults.silent = true;
    SimRig rig({}, faults);
    QTimer::singleShot(100, &rig.server, [&] { rig.server.hangUp(); });

    QElapsedTimer clock;
    clock.start();
    try {
        run(rig.link.exchange(u"w"_qs, 5.0f));
        QFAIL("a hang-up must not look like a reply");
    } catch (const device::PortFailure &failure) {
        QCOMPARE(
            failure.description(),
            u"Com2 (%1): the device is gone (unplugged or failed)"_qs.arg(rig.server.devicePath()));
    }
    QVERIFY(test::secondsOf(clock) < 2.0);
    QVERIFY(!rig.link.isExchanging());
}

void ExchangeTest::releaseWhileWaitingIsAPortFailure()
{
    sim::Faults faults;
    faults.silent = true;
    SimRig rig({}, faults);
    QTimer::singleShot(50, &rig.server, [&] { QVERIFY(!rig.link.release()); });

    QVERIFY_THROWS_EXCEPTION(device::PortFailure, run(rig.link.exchange(u"w"_qs, 5.0f)));
    QCOMPARE(rig.trace.text(), QString());
}

void ExchangeTest::shutdownCancelsAWait()
{
    sim::Faults faults;
    faults.silent = true;
    SimRig rig({}, faults);
    QTimer::singleShot(50, &rig.shutdown, [&] { rig.shutdown.trigger(); });

    QVERIFY_THROWS_EXCEPTION(device::Cancelled, run(rig.link.exchange(u"w"_qs, 5.0f)));
    QCOMPARE(rig.server.commands(), QByteArray("w"));
    // Nothing goes out after shutdown.
    QVERIFY_THROWS_EXCEPTION(device::Cancelled, run(rig.link.pause(1.0f)));
    QVERIFY_THROWS_EXCEPTION(device::Cancelled, run(rig.link.exchange(u"w"_qs, 1.0f)));
    QTest::qWait(20);
    QCOMPARE(rig.server.commands(), QByteArray("w"));
}

void ExchangeTest::endlessPauseEndsAtShutdown()
{
    SimRig rig;
    QTimer::singleShot(50, &rig.shutdown, [&] { rig.shutdown.trigger(); });
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(device::Cancelled, run(rig.link.pause(3.0e38f)));
    QVERIFY(clock.elapsed() < 5000);
}

void ExchangeTest::closedPortIsAPortFailure()
{
    SimRig rig;
    QVERIFY(!rig.link.release());
    try {
        run(rig.link.exchange(u"w"_qs, 1.0f));
        QFAIL("an exchange on a closed port must fail");
    } catch (const device::PortFailure &failure) {
        QVERIFY(failure.description().contains(u"not open"_qs));
    }
}

void ExchangeTest::deviceComesBackOnTheSamePath()
{
    const QString linkPath =
        QDir::temp().filePath(u"pelmix-test-%1"_qs.arg(QCoreApplication::applicationPid()));
    sim::CounterModel model;
    sim::PtyServer server(model);
    QVERIFY(!server.start());
    QVERIFY(!server.makeLink(linkPath));
    device::Shutdown shutdown;
    device::Link link(shutdown);
    QVERIFY(!link.setUp(3, linkPath));
    QCOMPARE(run(link.exchange(u"w"_qs, 1.0f)).text, u"FK0Bj:0\r\n"_qs);

    server.hangUp();
    QVERIFY_THROWS_EXCEPTION(device::PortFailure, run(link.exchange(u"w"_qs, 1.0f)));
    QVERIFY(!server.comeBack());
    QCOMPARE(run(link.exchange(u"w"_qs, 1.0f)).text, u"FK0Bj:0\r\n"_qs);
}

void ExchangeTest::secondExchangeWaitsForTheFirst()
{
    SimRig rig;
    rig.model.setTimeScale(0.1); // "D" at position 3 answers after 100 ms
    rig.model.setTime(3);
    QString first;
    QString second;
    auto firstTask = [&]() -> QCoro::Task<> {
        first = (co_await rig.link.exchange(u"D"_qs, 1.1f)).text;
    };
    auto secondTask = [&]() -> QCoro::Task<> {
        second = (co_await rig.link.exchange(u"w"_qs, 1.0f)).text;
    };
    auto a = firstTask();
    auto b = secondTask();
    QTRY_VERIFY(!second.isEmpty());
    QCOMPARE(first, u"F0000303A\r\n"_qs); // 12345.678 Hz for 1 s
    QCOMPARE(second, u"FK3Bj:0\r\n"_qs);
    QCOMPARE(rig.server.overlaps(), 0);
}

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_exchange.moc"
