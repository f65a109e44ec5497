#include "FakeCounter.h"

#include "remote/Server.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace pelmix::remote;
using pelmix::test::FakeCounter;

namespace {

const QByteArray Identity = "Pelmix,PX-1,Com2 (/dev/pts/7),1.4.0";

// Generous: these bound a hang, they do not judge speed.
constexpr int Patience = 10000;

std::unique_ptr<QTcpSocket> connectTo(const Server &server)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(server.endpoint().address, server.endpoint().port);
    return socket;
}

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

} // namespace

class ServerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clientsServedInTurn();
    void badClientCostsNothing_data();
    void badClientCostsNothing();
    void clientLeavesMidQuery();
    void tooManyClients();
    void idleClientsTimeOut();

private:
    void start(ServerLimits limits = {});

    std::unique_ptr<FakeCounter> m_counter;
    std::unique_ptr<Server> m_server;
};

void ServerTest::init()
{
    m_counter = std::make_unique<FakeCounter>();
    m_counter->script = QList<double>(100, 1000.0);
}

void ServerTest::cleanup()
{
    m_server.reset();
    // A measurement still held would outlive the test.
    m_counter->release();
    m_counter.reset();
}

void ServerTest::start(ServerLimits limits)
{
    m_server = std::make_unique<Server>(*m_counter, limits);
    QVERIFY2(m_server->listen({QHostAddress(QHostAddress::LocalHost), 0}),
             qPrintable(m_server->errorString()));
}

void ServerTest::clientsServedInTurn()
{
    start();
    for (int i = 0; i < 30; ++i)
        m_counter->script[i] = 1000 + i;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(connectTo(*m_server));
        // Everything at once: lines queue up on every connection.
        clients.back()->write("SAMP:COUN 2\nMEAS:FREQ?\n*IDN?\nMEAS:FREQ?\n");
    }
    QList<double> readings;
    for (const auto &client : clients) {
        for (int line = 0; line < 3; ++line) {
            const QByteArray reply = nextLine(*client);
            if (line == 1) {
                QCOMPARE(reply, Identity);
                continue;
            }
            const QList<QByteArray> values = reply.split(',');
            QCOMPARE(values.size(), 2);
            for (const QByteArray &value : values)
                readings << value.toDouble();
        }
    }
    QCOMPARE(m_counter->mostAtOnce, 1);
    // Every reading went to exactly one client.
    std::sort(readings.begin(), readings.end());
    QList<double> taken;
    for (int i = 0; i < 12; ++i)
        taken << 1000 + i;
    QCOMPARE(readings, taken);
}

void ServerTest::badClientCostsNothing_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("error");

    QByteArray everyByte;
    for (int c = 0; c < 256; ++c) {
        if (c != '\n')
            everyByte += char(c);
    }
    QTest::newRow("a megabyte without a newline") << QByteArray(1 << 20, 'A') + '\n'
                                                  << QByteArray("-363,\"Input buffer overrun\"");
    QTest::newRow("every byte value") << everyByte + '\n' << QByteArray("-102,\"Syntax error\"");
    QTest::newRow("line just too long") << QByteArray(4097, 'A') + "\r\n"
                                        << QByteArray("-363,\"Input buffer overrun\"");
}

void ServerTest::badClientCostsNothing()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, error);

    start();
    auto good = connectTo(*m_server);
    auto bad = connectTo(*m_server);
    bad->write(payload);
    QCOMPARE(ask(*good, "MEAS:FREQ?"), QByteArray("+1.00000000000000E+003"));
    QCOMPARE(ask(*bad, "SYST:ERR?"), error);
    QCOMPARE(ask(*bad, "SYST:ERR?"), QByteArray("+0,\"No error\""));
    // The bad client's next line is read as a line of its own.
    QCOMPARE(ask(*bad, "*IDN?"), Identity);
    QCOMPARE(ask(*good, "*IDN?"), Identity);
}

void ServerTest::clientLeavesMidQuery()
{
    start();
    m_counter->held = true;
    QSignalSpy started(m_counter.get(), &FakeCounter::started);
    auto leaving = connectTo(*m_server);
    auto staying = connectTo(*m_server);
    leaving->write("SAMP:COUN 3;:READ?\n");
    QVERIFY(started.wait(Patience));
    staying->write("*IDN?\nMEAS:FREQ?\n");

    leaving->abort();
    QVERIFY(QTest::qWaitFor([&] { return m_server->clientCount() == 1; }, Patience));
    m_counter->release();
    QCOMPARE(nextLine(*staying), Identity);
    // The leaver's other two readings were never taken.
    QCOMPARE(nextLine(*staying),
             QByteArray("+1.00000000000000E+003,+1.00000000000000E+003,+1.00000000000000E+003"));
    QCOMPARE(m_counter->asked.size(), 4);
    QCOMPARE(m_counter->mostAtOnce, 1);
}

void ServerTest::tooManyClients()
{
    ServerLimits limits;
    limits.maxClients = 2;
    start(limits);
    auto first = connectTo(*m_server);
    auto second = connectTo(*m_server);
    QVERIFY(QTest::qWaitFor([&] { return m_server->clientCount() == 2; }, Patience));

    auto third = connectTo(*m_server);
    QSignalSpy refused(third.get(), &QTcpSocket::disconnected);
    QVERIFY(refused.wait(Patience));
    QCOMPARE(ask(*first, "*IDN?"), Identity);
    QCOMPARE(ask(*second, "*IDN?"), Identity);

    // A place that frees up is taken again.
    first->disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return m_server->clientCount() == 1; }, Patience));
    auto fourth = connectTo(*m_server);
    QCOMPARE(ask(*fourth, "*IDN?"), Identity);
}

void ServerTest::idleClientsTimeOut()
{
    ServerLimits limits;
    limits.idleTimeout = std::chrono::milliseconds(50);
    start(limits);
    m_counter->held = true;
    QSignalSpy started(m_counter.get(), &FakeCounter::started);
    auto waiting = connectTo(*m_server);
    waiting->write("READ?\n");
    QVERIFY(started.wait(Patience));

    // An idle client connected after the waiting one: once it is cut, the waiting one has
    // been quiet for longer than the time-out too.
    auto idle = connectTo(*m_server);
    QSignalSpy cut(idle.get(), &QTcpSocket::disconnected);
    QVERIFY(cut.wait(Patience));
    QCOMPARE(waiting->state(), QAbstractSocket::ConnectedState);
    m_counter->release();
    QCOMPARE(nextLine(*waiting), QByteArray("+1.00000000000000E+003"));
}

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
