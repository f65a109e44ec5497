#include "../common/SimRig.h"

#include "device/Errors.h"
#include "device/ProgressTimer.h"

#include <QTimer>

using namespace pelmix;
using pelmix::test::run;
using pelmix::test::SimRig;

class ExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void replyFiltering_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("split"); // bytes 2 ms apart, in several reads

        QTest::newRow("four characters and CR") << QByteArray("1234\r") << u"1234\r\n"_qs << false;
        QTest::newRow("CR LF keeps one LF") << QByteArray("1234\r\n") << u"1234\r\n"_qs << false;
        QTest::newRow("two lines in one read")
            << QByteArray("AB\rCD\r") << u"AB\r\nCD\r\n"_qs << false;
        QTest::newRow("NUL and 0xFF kept")
            << QByteArray("A\0\xff\r", 4) << u"A\u0000\u00ff\r\n"_qs << false;
        QTest::newRow("split reply collected") << QByteArray("1234\r") << u"1234\r\n"_qs << true;
    }
    void replyFiltering()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        QFETCH(bool, split);
        sim::Faults faults;
        faults.split = split;
        SimRig rig({}, faults);
        rig.model.setDataReply(reply);

        const device::Reply got = run(rig.link.exchange(u"D"_qs, 1.0f));
        QCOMPARE(got.text, expected);
        QVERIFY(got.complete);
        QCOMPARE(rig.trace.text(), expected);
        QCOMPARE(rig.server.commands(), QByteArray("D"));
    }

    void staleInputNeverAppears()
    {
        SimRig rig;
        rig.server.send(QByteArray("stale\r"));
        // The bytes have reached the program's side before the command goes out.
        QTRY_VERIFY(rig.link.serialPort().bytesAvailable() == 6);

        QCOMPARE(run(rig.link.exchange(u"w"_qs, 1.0f)).text, u"FK0Bj:0\r\n"_qs);
    }

    void incompleteReplyAtTheDeadline_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("silent") << u"silent"_qs << QString();
        QTest::newRow("no carriage return") << u"no-cr"_qs << u"FK0Bj:0"_qs;
    }
    void incompleteReplyAtTheDeadline()
    {
        QFETCH(QString, fault);
        QFETCH(QString, text);
        SimRig rig;
        QVERIFY(!rig.model.faults().parse(fault));

        QElapsedTimer clock;
        clock.start();
        const device::Reply reply = run(rig.link.exchange(u"w"_qs, 0.3f));
        // What came, intact, and no error; never before the deadline.
        QCOMPARE(reply.text, text);
        QVERIFY(!reply.complete);
        QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.trace.text(), text);
        QCOMPARE(rig.link.progress(), qint16(0));
        QVERIFY(!rig.link.isExchanging());
    }

    void progressRisesWhileWaiting()
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

    void progressShownAtMostFull()
    {
        device::Shutdown shutdown;
        device::Link link(shutdown);
        device::ProgressTimer timer(link);
        QList<int> shown;
        QObject::connect(&timer, &device::ProgressTimer::show, &timer,
                         [&](int percent) { shown.append(percent); });
        // A wait's progress runs past 100 when its deadline has passed before it ends.
        for (const qint16 progress : {qint16(37), qint16(100), qint16(104)}) {
            link.setProgress(progress);
            timer.tick();
        }
        QCOMPARE(shown, (QList<int>{37, 100, 100}));
        QCOMPARE(link.progress(), qint16(100));
    }

    void waitEndsEarly_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("the device goes") << u"hang-up"_qs << u"the device is gone"_qs;
        QTest::newRow("the port is closed") << u"release"_qs << u"the port was closed"_qs;
        QTest::newRow("the program shuts down") << u"shutdown"_qs << u"cancelled"_qs;
        QTest::newRow("shut down in an endless pause") << u"pause"_qs << u"cancelled"_qs;
        QTest::newRow("the port was closed before") << u"closed"_qs << u"not open"_qs;
    }
    void waitEndsEarly()
    {
        QFETCH(QString, cause);
        QFETCH(QString, outcome);
        sim::Faults faults;
        faults.silent = true;
        SimRig rig({}, faults);
        if (cause == u"closed"_qs)
            QVERIFY(!rig.link.release());
        QTimer::singleShot(50, &rig.server, [&] {
            if (cause == u"hang-up"_qs)
                rig.server.hangUp();
            else if (cause == u"release"_qs)
                rig.link.release();
            else if (cause != u"closed"_qs)
                rig.shutdown.trigger();
        });

        QString ended;
        try {
            if (cause == u"pause"_qs)
                run(rig.link.pause(3.0e38f));
            else
                run(rig.link.exchange(u"w"_qs, 5.0f));
            ended = u"a reply"_qs;
        } catch (const device::PortFailure &failure) {
            ended = failure.description();
            QVERIFY(ended.startsWith(u"Com2 (%1): "_qs.arg(rig.server.devicePath())));
        } catch (const device::Cancelled &) {
            ended = u"cancelled"_qs;
        }
        QVERIFY2(ended.contains(outcome), qPrintable(ended));
        QVERIFY(!rig.link.isExchanging());
        QCOMPARE(rig.trace.text(), QString());
        if (cause == u"shutdown"_qs) {
            // Nothing goes out after shutdown, and no pause waits.
            QVERIFY_THROWS_EXCEPTION(device::Cancelled, run(rig.link.pause(3.0e38f)));
            QVERIFY_THROWS_EXCEPTION(device::Cancelled, run(rig.link.exchange(u"w"_qs, 1.0f)));
            QCOMPARE(rig.server.commands(), QByteArray("w"));
        }
    }

    void secondExchangeWaitsForTheFirst()
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
};

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_exchange.moc"
