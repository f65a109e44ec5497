// The SCPI engine and server on a made-up counter.

#include "remote/Engine.h"
#include "remote/ScpiFormat.h"
#include "remote/Server.h"

#include "tests/common/RunTask.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace pelmix::remote;

namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
const QString NoError = u"+0,\"No error\""_qs;
const QString NoReply = u"+301,\"No reply from the counter;no reply within 2 s\""_qs;
const QByteArray Identity = "Pelmix,PX-1,Com2 (/dev/pts/7),1.4.0";

// Generous: these bound a hang, they do not judge speed.
constexpr int Patience = 10000;

// The next reply line, without its newline; empty when none came.
QByteArray nextLine(QTcpSocket &socket)
{
    if (!QTest::qWaitFor([&] { return socket.canReadLine(); }, Patience))
        return {};
    return socket.readLine().chopped(1);
}

QByteArray ask(QTcpSocket &socket, const QByteArray &line)
{
    socket.write(line + '\n');
    return nextLine(socket);
}

// Replies as a counter that follows the standards gives them: see tst_scpi for the form.
QString numbers(const QList<double> &values, QChar separator = u',')
{
    QStringList texts;
    for (const double value : values)
        texts << formatNumber(value);
    return texts.join(separator);
}

} // namespace

// A counter that answers from a script of readings and falls silent when they run out.
// Each measurement waits for the event loop, or for release() while held, so that any
// overlap of two measurements would show in mostAtOnce.
class FakeCounter : public QObject, public Instrument
{
    Q_OBJECT
public:
    QString model() const override { return u"PX-1"_qs; }
    QString port() const override { return u"Com2 (/dev/pts/7)"_qs; }
    QString version() const override { return u"1.4.0"_qs; }

    QCoro::Task<pelmix::measure::Result> measure(pelmix::Setup setup) override
    {
        asked << setup;
        mostAtOnce = std::max(mostAtOnce, ++running);
        emit started();
        if (held)
            co_await qCoro(this, &FakeCounter::released);
        else
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        --running;
        pelmix::measure::Result result;
        result.setup = setup;
        if (script.isEmpty()) {
            result.error = u"no reply within 2 s"_qs;
        } else {
            result.status = pelmix::Status::Ok;
            result.value = script.takeFirst();
        }
        co_return result;
    }
    void abort() override {}
    void release()
    {
        held = false;
        emit released();
    }

    QList<double> script;
    bool held = false;
    QList<pelmix::Setup> asked;
    int running = 0;
    int mostAtOnce = 0;

signals:
    void started();
    void released();
};

class RemoteTest : public QObject
{
    Q_OBJECT

    FakeCounter m_counter;
    std::unique_ptr<Server> m_server;

    void start(ServerLimits limits = {})
    {
        m_server = std::make_unique<Server>(m_counter, limits);
        QVERIFY(m_server->listen({QHostAddress(QHostAddress::LocalHost), 0}));
    }
    std::unique_ptr<QTcpSocket> client()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(m_server->endpoint().address, m_server->endpoint().port);
        return socket;
    }
    bool clientsBecome(int count)
    {
        return QTest::qWaitFor([&] { return m_server->clientCount() == count; }, Patience);
    }

private slots:
    void init()
    {
        m_counter.script = QList<double>(100, 1000.0);
        m_counter.asked.clear();
        m_counter.mostAtOnce = 0;
    }
    void cleanup()
    {
        m_server.reset();
        // A measurement still held would outlive the test.
        m_counter.release();
    }

    void exchange_data()
    {
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("replies"); // a line each, empty for none

        const QList<double> none;
        const QString stale = u"-230,\"Data corrupt or stale\""_qs;
        QTest::newRow("forms and case") << none
                                        << u"conf:tot\nCONFIGURE?\n"
                                           ":Configure:Scalar:Period;:CONF?"_qs
                                        << u"\n\"TOT\"\n\"PER\""_qs;
        QTest::newRow("relative path after a semicolon")
            << none << u"INP:LEV 3;SLOP NEG;FILT ON;COUP AC\nINP:LEV?;SLOP?;FILT?;COUP?"_qs
            << u"\n+3;NEG;1;AC"_qs;
        QTest::newRow("another subsystem needs a colon")
            << none << u"CONF:FREQ;SAMP:COUN 5\nSYST:ERR?\nSAMP:COUN?"_qs
            << u"\n-113,\"Undefined header\"\n+1"_qs;
        QTest::newRow("common commands keep the path")
            << none << u"INP:LEV 4;*CLS;LEV?"_qs << u"+4"_qs;
        QTest::newRow("a command error ends its line")
            << none << u"BOGUS;*IDN?\nSYST:ERR?;ERR?"_qs
            << u"\n-113,\"Undefined header\";"_qs + NoError;
        QTest::newRow("an execution error does not")
            << none << u"INP:LEV 9;:SAMP:COUN?\nSYST:ERR?"_qs
            << u"+1\n-222,\"Data out of range\""_qs;
        QTest::newRow("sample count")
            << QList<double>{10000, 10001, 10002} << u"SAMP:COUN 3\nREAD?"_qs
            << u'\n' + numbers({10000, 10001, 10002});
        QTest::newRow("fetch without initiate") << none << u"FETC?\nSYST:ERR?"_qs << u'\n' + stale;
        QTest::newRow("initiate, then fetch twice")
            << QList<double>{5} << u"INIT;FETC?\nFETC?"_qs << numbers({5}) + u'\n' + numbers({5});
        QTest::newRow("a setting discards the readings")
            << QList<double>{5} << u"READ?\nINP:LEV 2;:FETC?\nSYST:ERR?"_qs
            << numbers({5}) + u"\n\n"_qs + stale;
        QTest::newRow("silent counter") << none << u"MEAS:PER?\nSYST:ERR?;ERR?"_qs
                                        << numbers({Nan}) + u'\n' + NoReply + u';' + NoError;
        QTest::newRow("one failure, one error, the rest not measured")
            << QList<double>{7, 8}
            << u"SAMP:COUN 2;:MEAS:TOT?\nSAMP:COUN 3;:READ?\nSYST:ERR?;ERR?"_qs
            << numbers({7, 8}) + u'\n' + numbers({Nan, Nan, Nan}) + u'\n' + NoReply + u';' +
                   NoError;
        QTest::newRow("statistics")
            << QList<double>{1, 2, 3} << u"SAMP:COUN 3;:READ?\nCALC:AVER:ALL?"_qs
            << numbers({1, 2, 3}) + u'\n' + numbers({2, 1, 1, 3});
        QTest::newRow("statistics of one reading")
            << QList<double>{4} << u"READ?;:CALC:AVER:ALL?"_qs
            << numbers({4}) + u';' + numbers({4, Nan, 4, 4});
        QTest::newRow("statistics restart on *CLS")
            << QList<double>{1, 2} << u"READ?;READ?;*CLS;:CALC:AVER:ALL?"_qs
            << numbers({1}) + u';' + numbers({2}) + u';' + numbers({Nan, Nan, Nan, Nan});
        QTest::newRow("statistics restart on CONFigure")
            << QList<double>{1, 2, 4} << u"READ?\nCONF:FREQ;:READ?;READ?\nCALC:AVER:ALL?"_qs
            << numbers({1}) + u'\n' + numbers({2}) + u';' + numbers({4}) + u'\n' +
                   numbers({3, std::sqrt(2.0), 2, 4});
        QTest::newRow("long, short and optional nodes")
            << none
            << u"inp:filt:stat?;:INPUT:FILTER:LPASS:STATE?\nMEASU:FREQ?\nFREQ?\nMEAS:FREQ:FREQ?\n"
               "SENS:SENS:FREQ:GATE:TIME?\nINP:FILT:STAT:LPAS?\nSYST:ERR?;ERR?;ERR?;ERR?;ERR?;ERR?"_qs
            << u"0;0\n\n\n\n\n\n"_qs + u"-113,\"Undefined header\";"_qs.repeated(5) + NoError;
        // The nearest of the counter's times on a logarithmic scale, from 1 ms to 10 s.
        QTest::newRow("gate time")
            << none
            << u"FREQ:GATE:TIME 0.5;TIME?;TIME 0.3;TIME?;TIME 1 ms;TIME?;TIME 10;TIME?\n"
               "SENS:FREQ:GATE:TIME 20 ms;TIME?;TIME 100 us;TIME?\nFREQ:GATE:TIME MIN;TIME?;TIME? "
               "MAX\nFREQ:GATE:TIME 10.5\nFREQ:GATE:TIME 0.9 ms\nFREQ:GATE:TIME 0\n"
               "FREQ:GATE:TIME 1 V\nFREQ:GATE:TIME 3 QS\nSYST:ERR?;ERR?;ERR?;ERR?;ERR?;ERR?;ERR?"_qs
            << numbers({1, 0.1, 0.001, 10}, u';') + u'\n' + numbers({0.01, 0.01}, u';') + u'\n' +
                   numbers({0.001, 10}, u';') + u"\n\n\n\n\n\n"_qs +
                   u"-222,\"Data out of range\";"_qs.repeated(4) +
                   u"-131,\"Invalid suffix\";"_qs.repeated(2) + NoError;
        QTest::newRow("level rounded, checked")
            << none << u"INP:LEV 2.6;LEV?\nINP:LEV 7.5\nINP:LEV 2 V\nINP:LEV?;:SYST:ERR?;ERR?"_qs
            << u"+3\n\n\n+3;-222,\"Data out of range\";-138,\"Suffix not allowed\""_qs;
        QTest::newRow("parameter errors")
            << none << u"INP:SLOP\nINP:SLOP UP\nINP:SLOP 1\n*IDN? 1\nSYST:ERR?;ERR?;ERR?;ERR?"_qs
            << u"\n\n\n\n-109,\"Missing parameter\";-224,\"Illegal parameter value\";"
               "-104,\"Data type error\";-108,\"Parameter not allowed\""_qs;
        QTest::newRow("*RST restores the defaults")
            << none
            << u"INP:LEV 5;FILT ON;:SAMP:COUN 4;:CONF:PER\n*RST\n"
               "INP:LEV?;FILT?;:SAMP:COUN?;:FREQ:GATE:TIME?;:CONF?"_qs
            << u"\n\n+0;0;+1;"_qs + numbers({1}) + u";\"FREQ\""_qs;
    }
    void exchange()
    {
        QFETCH(QList<double>, readings);
        QFETCH(QString, lines);
        FakeCounter counter;
        counter.script = readings;
        Engine engine(counter);
        const auto session = std::make_shared<Session>();
        QStringList received;
        for (const QString &line : lines.split(u'\n'))
            received << pelmix::test::run(engine.execute(line, session));
        QTEST(received.join(u'\n'), "replies");
    }

    void settingsReachTheCounter()
    {
        FakeCounter counter;
        counter.script = {1};
        Engine engine(counter);
        pelmix::test::run(engine.execute(
            u"CONF:TINT;:INP:SLOP NEG;LEV 2;FILT 1;COUP AC;:FREQ:GATE:TIME 10ms;:READ?"_qs,
            std::make_shared<Session>()));
        QCOMPARE(counter.asked.size(), 1);
        QVERIFY(counter.asked.front() ==
                (pelmix::Setup{pelmix::Mode::Interval, 1, true, 2, true, true}));
    }

    // Lines queue up on every connection at once; one measurement runs at a time, and every
    // reading goes to exactly one client.
    void clientsServedInTurn()
    {
        start();
        for (int i = 0; i < 30; ++i)
            m_counter.script[i] = 1000 + i;
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < 3; ++i) {
            clients.push_back(client());
            clients.back()->write("SAMP:COUN 2\nMEAS:FREQ?\n*IDN?\nMEAS:FREQ?\n");
        }
        QList<double> readings;
        for (const auto &client : clients) {
            const QByteArray first = nextLine(*client);
            QCOMPARE(nextLine(*client), Identity);
            for (const QByteArray &reply : {first, nextLine(*client)}) {
                const QList<QByteArray> values = reply.split(',');
                QCOMPARE(values.size(), 2);
                for (const QByteArray &value : values)
                    readings << value.toDouble();
            }
        }
        QCOMPARE(m_counter.mostAtOnce, 1);
        std::sort(readings.begin(), readings.end());
        QList<double> taken;
        for (int i = 0; i < 12; ++i)
            taken << 1000 + i;
        QCOMPARE(readings, taken);
    }

    void badClientCostsNothing_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("error");

        QByteArray everyByte;
        for (int c = 0; c < 256; ++c) {
            if (c != '\n')
                everyByte += char(c);
        }
        const QByteArray overrun = "-363,\"Input buffer overrun\"";
        QTest::newRow("a megabyte without a newline") << QByteArray(1 << 20, 'A') + '\n' << overrun;
        QTest::newRow("every byte value") << everyByte + '\n'
                                          << QByteArray("-102,\"Syntax error\"");
        QTest::newRow("line just too long") << QByteArray(4097, 'A') + "\r\n" << overrun;
    }
    // The other client is served meanwhile; the bad client's next line is one of its own.
    void badClientCostsNothing()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, error);
        start();
        auto good = client();
        auto bad = client();
        bad->write(payload);
        QCOMPARE(ask(*good, "MEAS:FREQ?"), QByteArray("+1.00000000000000E+003"));
        QCOMPARE(ask(*bad, "SYST:ERR?;ERR?"), error + ";+0,\"No error\"");
        QCOMPARE(ask(*bad, "*IDN?"), Identity);
    }

    void clientLeavesMidQuery()
    {
        start();
        m_counter.held = true;
        QSignalSpy started(&m_counter, &FakeCounter::started);
        auto leaving = client();
        auto staying = client();
        leaving->write("SAMP:COUN 3;:READ?\n");
        QVERIFY(started.wait(Patience));
        staying->write("*IDN?\nMEAS:FREQ?\n");

        leaving->abort();
        QVERIFY(clientsBecome(1));
        m_counter.release();
        QCOMPARE(nextLine(*staying), Identity);
        // The leaver's other two readings were never taken.
        QCOMPARE(
            nextLine(*staying),
            QByteArray("+1.00000000000000E+003,+1.00000000000000E+003,+1.00000000000000E+003"));
        QCOMPARE(m_counter.asked.size(), 4);
        QCOMPARE(m_counter.mostAtOnce, 1);
    }

    // One more client than the limit is closed at once; a place that frees up is taken again.
    void tooManyClients()
    {
        start({.maxClients = 2});
        auto first = client();
        auto second = client();
        QVERIFY(clientsBecome(2));
        auto third = client();
        QSignalSpy refused(third.get(), &QTcpSocket::disconnected);
        QVERIFY(refused.wait(Patience));
        QCOMPARE(ask(*second, "*IDN?"), Identity);
        first->disconnectFromHost();
        QVERIFY(clientsBecome(1));
        auto fourth = client();
        QCOMPARE(ask(*fourth, "*IDN?"), Identity);
    }

    // An idle client connected after the waiting one: once it is cut, the waiting one has
    // been quiet for longer than the time-out too, yet stays for its reply.
    void idleClientsTimeOut()
    {
        start({.idleTimeout = std::chrono::milliseconds(50)});
        m_counter.held = true;
        QSignalSpy started(&m_counter, &FakeCounter::started);
        auto waiting = client();
        waiting->write("READ?\n");
        QVERIFY(started.wait(Patience));
        auto idle = client();
        QSignalSpy cut(idle.get(), &QTcpSocket::disconnected);
        QVERIFY(cut.wait(Patience));
        QCOMPARE(waiting->state(), QAbstractSocket::ConnectedState);
        m_counter.release();
        QCOMPARE(nextLine(*waiting), QByteArray("+1.00000000000000E+003"));
    }
};

QTEST_GUILESS_MAIN(RemoteTest)
#include "tst_remote.moc"
