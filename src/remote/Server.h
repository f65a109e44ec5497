#pragma once

#include "Endpoint.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <map>
#include <memory>

class QTcpServer;
class QTcpSocket;

namespace pelmix::remote {

class Engine;
class Instrument;

struct ServerLimits
{
    // A longer line is dropped up to its newline, with -363 in that client's queue.
    qsizetype maxLine = 4096;
    // One more gets a line saying so (+310) and is closed.
    int maxClients = 16;
    // A client that sends nothing for this long, with nothing of its own running, is closed.
    std::chrono::milliseconds idleTimeout = std::chrono::minutes(5);
    // Lines read ahead of the one running; past that the client's input waits in TCP.
    int maxQueuedLines = 64;
    // Replies a client has not read yet; past that its next lines wait.
    qint64 maxUnsent = 1 << 20;
    // How long a closing connection may take to send what it still has.
    std::chrono::milliseconds lingerTime = std::chrono::seconds(2);
};

// SCPI over TCP, as instruments serve it on port 5025: one program message per line
// (LF or CR LF; a last line without one counts when the client closes), each reply ended
// by a newline.
//
// Each client's lines run in order, one at a time, beside other clients': a query that
// needs no counter is answered while another client's measurement runs. A client that
// half-closes still gets its replies. Nothing a client sends, or fails to read, holds
// more than the limits above, and a client that leaves only loses its own work. The
// Instrument must outlive the server.
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

    // Stops taking connections and commands; the measurement under way ends at its next
    // exchange with the counter, each query waiting gets its response, then every
    // connection closes and finished() is emitted.
    void shutDown();

signals:
    void clientCountChanged(int count);
    void finished();

private:
    struct Client;

    void accept();
    void refuse(QTcpSocket *socket);
    void receive(quint64 id);
    bool readLines(Client &client, qsizetype most);
    void takeLine(Client &client, QByteArray line);
    void peerClosed(quint64 id);
    void schedule(quint64 id);
    QCoro::Task<> serve(quint64 id);
    void closeWhenDone(quint64 id);
    void idleTimeout(quint64 id);
    void drop(quint64 id);
    Client *find(quint64 id) const;

    ServerLimits m_limits;
    std::unique_ptr<Engine> m_engine;
    QTcpServer *m_listener;
    std::map<quint64, std::unique_ptr<Client>> m_clients;
    quint64 m_lastId = 0;
    bool m_closing = false;
    // Cleared when the server goes, for the work that resumes after it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace pelmix::remote
