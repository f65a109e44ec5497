#pragma once

#include <QCoroTask>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>

class QTcpServer;

namespace pelmix::remote {

class Engine;
class Instrument;

struct Endpoint
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 5025;
};

// --listen: "ADDRESS:PORT", "[IPv6]:PORT", "localhost:PORT", or a bare PORT, which listens
// on the loopback address: other machines are let in only when an address is named.
std::optional<Endpoint> parseEndpoint(const QString &text);

struct ServerLimits
{
    // A longer line is dropped up to its newline, with -363 in that client's queue.
    qsizetype maxLine = 4096;
    // One more is accepted and closed at once.
    int maxClients = 16;
    // A client that sends nothing for this long, with nothing of its own running, is closed.
    std::chrono::milliseconds idleTimeout = std::chrono::minutes(5);
    // Lines read ahead of the one running; past that the client's input waits in TCP.
    int maxQueuedLines = 64;
    // Replies a client has not read yet; past that its next lines wait.
    qint64 maxUnsent = 1 << 20;
};

// SCPI over TCP, as instruments serve it on port 5025: one program message per line,
// each reply ended by a newline.
//
// Clients are served in turn, one line at a time, so that only one measurement runs across
// all of them; each client gets its replies in the order of its lines. Nothing a client
// sends, or fails to read, holds more than the limits above, and a client that leaves only
// loses its own work. The Instrument must outlive the server.
class Server : public QObject
{
    Q_OBJECT
public:
    explicit Server(Instrument &instrument, ServerLimits limits = {}, QObject *parent = nullptr);
    ~Server() override;

    // Starts listening; port 0 takes any free one (see endpoint()).
    bool listen(const Endpoint &endpoint = {});
    QString errorString() const;
    // The address and port listened on.
    Endpoint endpoint() const;
    int clientCount() const { return int(m_clients.size()); }

signals:
    void clientCountChanged(int count);

private:
    struct Client;

    void accept();
    void receive(quint64 id);
    void schedule(quint64 id);
    void idleTimeout(quint64 id);
    void drop(quint64 id);
    Client *find(quint64 id) const;
    QCoro::Task<> work();

    ServerLimits m_limits;
    std::unique_ptr<Engine> m_engine;
    QTcpServer *m_listener;
    std::map<quint64, std::unique_ptr<Client>> m_clients;
    // Clients with a line waiting, in the order they are served.
    std::deque<quint64> m_turns;
    quint64 m_lastId = 0;
    bool m_working = false;
    // Cleared when the server goes, for the work that resumes after it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace pelmix::remote
