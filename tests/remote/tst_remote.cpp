// The SCPI engine and server on a made-up counter.

#include "remote/Engine.h"
#include "remote/Instrument.h"
#include "remote/ScpiFormat.h"
#include "remote/Server.h"

#include "tests/common/RunTask.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <cmath>
#include <memory>
#include <sys/socket.h>

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

// A counter that answers from a script of readings and falls silent at a NaN or when they
// run out. Each measurement waits for the event loop, or for release() or abort() while
// held, so that any overlap of two measurements would show in mostAtOnce.
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
        if (held && asked.size() > passes)
            co_await qCoro(this, &FakeCounter::released);
        else
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        --running;
        pelmix::measure::Result result;
        result.setup = setup;
        if (std::exchange(stopped, false)) {
            result.status = pelmix::Status::Stopped;
        } else if (script.isEmpty() || std::isnan(script.front())) {
            if (!script.isEmpty())
                script.removeFirst();
            result.error = u"no reply within 2 s"_qs;
        } else {
            result.status = pelmix::Status::Ok;
            result.value = script.takeFirst();
        }
        co_return result;
    }
    void abort() override
    {
        stopped = running > 0;
        release();
    }
    void release()
    {
        held = false;
        emit released();
    }

    QList<double> script;
    bool held = false;
    int passes = 0; // measurements not held
    bool stopped = false;
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
        m_counter.passes = 0;
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
        QTest::newRow("fetch without initiate")
            << none << u"FETC?\nSYST:ERR?"_qs
            << u"\n-230,\"Data corrupt or stale;nothing measured since the last change\""_qs;
        QTest::newRow("initiate, then fetch twice")
            << QList<double>{5} << u"INIT;FETC?\nFETC?"_qs << numbers({5}) + u'\n' + numbers({5});
        QTest::newRow("a second INITiate while the first runs")
            << QList<double>{5} << u"INIT;INIT;*OPC?;FETC?\nSYST:ERR?"_qs
            << u"1;"_qs + numbers({5}) + u"\n-213,\"Init ignored\""_qs;
        QTest::newRow("MEASure takes one reading")
            << QList<double>{5} << u"SAMP:COUN 3;:MEAS:FREQ?;:SAMP:COUN?"_qs
            << numbers({5}) + u";+1"_qs;
        QTest::newRow("a failed reading, its own error, the rest measured")
            << QList<double>{7, Nan, 8} << u"SAMP:COUN 3;:READ?\nSYST:ERR?;ERR?"_qs
            << numbers({7, Nan, 8}) + u'\n' + NoReply + u';' + NoError;
        QTest::newRow("statistics")
            << QList<double>{1, 2, 3} << u"SAMP:COUN 3;:READ?\nCALC:AVER:ALL?"_qs
            << numbers({1, 2, 3}) + u'\n' + numbers({2, 1, 1, 3});
        QTest::newRow("statistics restart on a setting")
            << QList<double>{1, 2, 4} << u"READ?\nINP:LEV 2;:READ?;READ?\nCALC:AVER:ALL?"_qs
            << numbers({1}) + u'\n' + numbers({2}) + u';' + numbers({4}) + u'\n' +
                   numbers({3, std::sqrt(2.0), 2, 4});
        QTest::newRow("long, short and optional nodes")
            << none
            << u"inp:filt:stat?;:INPUT:FILTER:LPASS:STATE?\nMEASU:FREQ?\nFREQ?\nMEAS:FREQ:FREQ?\n"
               "SENS:SENS:FREQ:GATE:TIME?\nINP:FILT:STAT:LPAS?\nSYST:ERR?;ERR?;ERR?;ERR?;ERR?;ERR?"_qs
            << u"0;0\n\n\n\n\n\n"_qs + u"-113,\"Undefined header\";"_qs.repeated(5) + NoError;
        QTest::newRow("parameter errors")
            << none << u"INP:SLOP\nINP:SLOP UP\nINP:SLOP 1\n*IDN? 1\nSYST:ERR?;ERR?;ERR?;ERR?"_qs
            << u"\n\n\n\n-109,\"Missing parameter\";-224,\"Illegal parameter value\";"
               "-104,\"Data type error\";-108,\"Parameter not allowed\""_qs;
        QTest::newRow("*RST restores the defaults")
            << none
            << u"INP:LEV 5;FILT ON;:SAMP:COUN 4;:CONF:PER\n*RST\n"
               "INP:LEV?;FILT?;:SAMP:COUN?;:FREQ:GATE:TIME?;:CONF?"_qs
            << u"\n\n+0;0;+1;"_qs + numbers({1}) + u";\"FREQ\""_qs;
        // The event status register as IEEE 488.2 sets it; reading it clears it.
        QTest::newRow("event status: command and execution errors")
            << none << u"BOGUS\nINP:LEV 9\n*ESR?;*ESR?"_qs << u"\n\n+48;+0"_qs;
        QTest::newRow("status byte: error queue, event and service summaries")
            << none << u"*ESE 32;*SRE 32\nBOGUS\n*STB?\n*CLS;*STB?;*ESE?;*SRE?"_qs
            << u"\n\n+100\n+0;+32;+32"_qs;
        QTest::newRow("status byte: message available")
            << none << u"*ESE?;*STB?"_qs << u"+0;+16"_qs;
        QTest::newRow("operation complete after a measurement")
            << QList<double>{5} << u"INIT;*OPC;*ESR?\n*WAI;*ESR?"_qs << u"+0\n+1"_qs;
        QTest::newRow("enable registers: limits, bit 6 of SRE ignored")
            << none << u"*SRE 255;*SRE?\n*ESE 256\nSYST:ERR:COUN?;:SYST:ERR?"_qs
            << u"+191\n\n+1;-222,\"Data out of range\""_qs;
        // Numbers as SCPI has them: whole-number settings round first, then check their range.
        // A command, then a query with the first error.
        const auto number = [&](const char *name, const QString &command, const QString &query,
                                const QString &reply) {
            QTest::newRow(name) << none << command + u'\n' + query + u";:SYST:ERR?"_qs
                                << u'\n' + reply;
        };
        const QString range = u"-222,\"Data out of range\""_qs;
        number("-0.5 rounds to -1", u"INP:LEV -0.5"_qs, u"INP:LEV?"_qs, u"+0;"_qs + range);
        number("-0.4 rounds to 0", u"INP:LEV 1;LEV -0.4"_qs, u"INP:LEV?"_qs, u"+0;"_qs + NoError);
        number("7.4 rounds to 7", u"INP:LEV 7.4"_qs, u"INP:LEV?"_qs, u"+7;"_qs + NoError);
        number("7.5 rounds to 8", u"INP:LEV 7.5"_qs, u"INP:LEV?"_qs, u"+0;"_qs + range);
        number("MAXimum", u"INP:LEV MAX"_qs, u"INP:LEV?"_qs, u"+7;"_qs + NoError);
        number("limits asked", u"*CLS"_qs, u"INP:LEV? MAX;LEV? DEF;:SAMP:COUN? MAX"_qs,
               u"+7;+0;+1000;"_qs + NoError);
        number("exponent overflow", u"INP:LEV 1e999"_qs, u"INP:LEV?"_qs, u"+0;"_qs + range);
        number("exponent underflow", u"INP:LEV 1e-999"_qs, u"INP:LEV?"_qs, u"+0;"_qs + NoError);
        number("INF", u"INP:LEV INF"_qs, u"INP:LEV?"_qs, u"+0;"_qs + range);
        number("-INF", u"INP:LEV -INF"_qs, u"INP:LEV?"_qs, u"+0;"_qs + range);
        number("NINF", u"INP:LEV ninf"_qs, u"INP:LEV?"_qs, u"+0;"_qs + range);
        number("NAN", u"INP:LEV NAN"_qs, u"INP:LEV?"_qs, u"+0;-224,\"Illegal parameter value\""_qs);
        number("a suffix on a level", u"INP:LEV 2 V"_qs, u"INP:LEV?"_qs,
               u"+0;-138,\"Suffix not allowed\""_qs);
        number("numeric suffix 1", u"INP1:LEV 3"_qs, u"INP1:LEV?"_qs, u"+3;"_qs + NoError);
        number("numeric suffix 2", u"INP2:LEV 3"_qs, u"INP:LEV?"_qs,
               u"+0;-113,\"Undefined header\""_qs);
        number("gate time, nearest decade", u"FREQ:GATE:TIME 20 ms"_qs, u"FREQ:GATE:TIME?"_qs,
               numbers({0.01}) + u';' + NoError);
        number("gate time too short", u"FREQ:GATE:TIME 0.9 ms"_qs, u"FREQ:GATE:TIME?"_qs,
               numbers({1}) + u';' + range);
        number("gate time in volts", u"FREQ:GATE:TIME 1 V"_qs, u"FREQ:GATE:TIME?"_qs,
               numbers({1}) + u";-131,\"Invalid suffix\""_qs);
        number("multiplier, nearest decade", u"PER:MULT 300"_qs,
               u"SENS:PER:MULT?;:FREQ:GATE:TIME?"_qs,
               u"+100;"_qs + numbers({0.1}) + u';' + NoError);
        number("multiplier too large", u"PER:MULT 1e5"_qs, u"PER:MULT?"_qs, u"+1000;"_qs + range);
        number("sample count 0.4", u"SAMP:COUN 0.4"_qs, u"SAMP:COUN?"_qs, u"+1;"_qs + range);
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
            clients.back()->write("SAMP:COUN 2\nREAD?\n*IDN?\nREAD?\n");
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

    // A client's measurement holds up only that client: the other is answered meanwhile,
    // and its ABORt ends the measurement, whose query gets what was taken and the error.
    void abortFromAnotherClient()
    {
        start();
        m_counter.held = true;
        QSignalSpy started(&m_counter, &FakeCounter::started);
        auto measuring = client();
        auto other = client();
        measuring->write("SAMP:COUN 3;:READ?\n");
        QVERIFY(started.wait(Patience));
        QCOMPARE(ask(*other, "*IDN?;*STB?;:SAMP:COUN?"), Identity + ";+16;+3");
        QCOMPARE(ask(*other, "STAT:OPER:COND?"), QByteArray("+16"));
        other->write("ABOR\n");
        QCOMPARE(nextLine(*measuring), QByteArray("+9.91000000000000E+037"));
        QCOMPARE(ask(*measuring, "*ESR?;:SYST:ERR?"),
                 QByteArray("+16;-230,\"Data corrupt or stale;measurement aborted after 0 of 3 "
                            "readings\""));
        QCOMPARE(ask(*other, "SYST:ERR?;:STAT:OPER:COND?"), NoError.toLatin1() + ";+0");
        QCOMPARE(m_counter.asked.size(), 1);
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
        QCOMPARE(nextLine(*staying), Identity);
        leaving->abort();
        // The leaver's other two readings are never taken.
        QCOMPARE(nextLine(*staying), QByteArray("+1.00000000000000E+003"));
        QCOMPARE(m_counter.asked.size(), 2);
        QCOMPARE(m_counter.mostAtOnce, 1);
    }

    // Line ends and forms as clients send them; a client that half-closes, its last line
    // without a newline, gets every reply before the close.
    void halfClosedClient()
    {
        start();
        auto socket = client();
        QVERIFY(socket->waitForConnected(Patience));
        socket->write("*idn?\r\nInp:Lev 2;:SYSTEM:ERROR?\r\ninput1:level?");
        QVERIFY(socket->waitForBytesWritten(Patience));
        QCOMPARE(::shutdown(int(socket->socketDescriptor()), SHUT_WR), 0);
        QCOMPARE(nextLine(*socket), Identity);
        QCOMPARE(nextLine(*socket), NoError.toLatin1());
        QCOMPARE(nextLine(*socket), QByteArray("+2"));
        QSignalSpy closed(socket.get(), &QTcpSocket::disconnected);
        QVERIFY(socket->state() == QAbstractSocket::UnconnectedState || closed.wait(Patience));
        QVERIFY(clientsBecome(0));
    }

    // One more client than the limit is told why and closed; a place that frees up is
    // taken again.
    void tooManyClients()
    {
        start({.maxClients = 2});
        auto first = client();
        auto second = client();
        QVERIFY(clientsBecome(2));
        auto third = client();
        QCOMPARE(nextLine(*third),
                 QByteArray("+310,\"Too many clients;2 connected, the most --max-clients "
                            "allows\""));
        QSignalSpy refused(third.get(), &QTcpSocket::disconnected);
        QVERIFY(third->state() == QAbstractSocket::UnconnectedState || refused.wait(Patience));
        QCOMPARE(ask(*second, "*IDN?"), Identity);
        first->disconnectFromHost();
        QVERIFY(clientsBecome(1));
        auto fourth = client();
        QCOMPARE(ask(*fourth, "*IDN?"), Identity);
    }

    // Shutting down ends the measurement under way; its query is answered before the close.
    void shutDownAnswersWaitingQueries()
    {
        start();
        m_counter.script = {7};
        m_counter.held = true;
        m_counter.passes = 1;
        QSignalSpy started(&m_counter, &FakeCounter::started);
        QSignalSpy finished(m_server.get(), &Server::finished);
        auto socket = client();
        socket->write("SAMP:COUN 2;:READ?\n");
        QVERIFY(QTest::qWaitFor([&] { return started.count() == 2; }, Patience));
        m_server->shutDown();
        QCOMPARE(nextLine(*socket), QByteArray("+7.00000000000000E+000"));
        QVERIFY(finished.count() == 1 || finished.wait(Patience));
        QCOMPARE(m_server->clientCount(), 0);
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
