#include "Server.h"

#include "Engine.h"

#include "ScpiErrors.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <exception>
#include <limits>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace pelmix::remote {

namespace {

// Input is taken in pieces of this size, and Qt buffers no more than this per client.
constexpr qint64 ChunkSize = 4096;
constexpr qint64 ReadBufferSize = 64 * 1024;

// Qt closes a socket's descriptor when the peer half-closes it, so that no reply could go
// back; a duplicate taken at accept keeps the connection open for them.
int duplicate(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    return ::dup(int(descriptor));
#else
    Q_UNUSED(descriptor);
    return -1;
#endif
}

void release(int &descriptor)
{
#ifdef Q_OS_UNIX
    if (descriptor >= 0)
        ::close(descriptor);
#endif
    descriptor = -1;
}

// Sends our end of the stream, so that the peer reads the line before the close.
void endOutput(QTcpSocket *socket)
{
    socket->flush();
#ifdef Q_OS_UNIX
    ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
#else
    socket->disconnectFromHost();
#endif
}

} // namespace

struct Server::Client
{
    QTcpSocket *socket = nullptr; // input, and output until the peer half-closes
    QTcpSocket *output = nullptr; // after a half-close: on the duplicate descriptor
    int spare = -1;               // the duplicate, until used or closed
    QTimer *idle = nullptr;       // a child of the socket
    QByteArray partial;
    bool discarding = false; // the rest of an overlong line is dropped
    std::deque<QByteArray> lines;
    bool running = false;
    bool inputEnded = false; // the peer closed or half-closed; no more lines come
    bool closing = false;
    std::shared_ptr<Session> session = std::make_shared<Session>();

    QTcpSocket *out() const { return output ? output : socket; }
};

Server::Server(Instrument &instrument, ServerLimits limits, QObject *parent)
    : QObject(parent)
    , m_limits(limits)
    , m_engine(std::make_unique<Engine>(instrument))
    , m_listener(new QTcpServer(this))
{
    connect(m_listener, &QTcpServer::newConnection, this, &Server::accept);
}

Server::~Server()
{
    *m_alive = false;
    for (auto &[id, client] : m_clients) {
        client->session->gone = true;
        m_engine->abandon(*client->session);
        release(client->spare);
        // Closing the socket would otherwise signal into a half-destroyed server.
        for (QTcpSocket *socket : {client->socket, client->output}) {
            if (socket) {
                socket->disconnect(this);
                delete socket;
            }
        }
    }
    m_clients.clear();
}

bool Server::listen(const Endpoint &endpoint)
{
    return m_listener->listen(endpoint.address, endpoint.port);
}

QString Server::errorString() const
{
    return m_listener->errorString();
}

Endpoint Server::endpoint() const
{
    return {m_listener->serverAddress(), m_listener->serverPort()};
}

Server::Client *Server::find(quint64 id) const
{
    const auto it = m_clients.find(id);
    return it == m_clients.end() ? nullptr : it->second.get();
}

void Server::accept()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        if (clientCount() >= m_limits.maxClients || m_closing) {
            refuse(socket);
            continue;
        }
        const quint64 id = ++m_lastId;
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->spare = duplicate(socket->socketDescriptor());
        client->idle = new QTimer(socket);
        client->idle->setSingleShot(true);
        client->idle->setInterval(m_limits.idleTimeout);
        socket->setReadBufferSize(ReadBufferSize);
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { receive(id); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, id] { schedule(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { peerClosed(id); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, id, socket] {
            if (socket->state() != QAbstractSocket::ConnectedState)
                peerClosed(id);
        });
        connect(client->idle, &QTimer::timeout, this, [this, id] { idleTimeout(id); });
        client->idle->start();
        m_clients.emplace(id, std::move(client));
        emit clientCountChanged(clientCount());
        receive(id);
    }
}

// One line saying why, then the close; what the client sent meanwhile is read and
// dropped, so that the close does not reset the connection before the line is read.
void Server::refuse(QTcpSocket *socket)
{
    const QString why =
        m_closing ? u"the server is shutting down"_qs
                  : u"%1 connected, the most --max-clients allows"_qs.arg(m_limits.maxClients);
    socket->write(formatError({ErrorCode::TooManyClients, why}).toLatin1() + '\n');
    endOutput(socket);
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(m_limits.lingerTime, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

void Server::receive(quint64 id)
{
    Client *client = find(id);
    if (!client || m_closing)
        return;
    if (readLines(*client, m_limits.maxQueuedLines))
        client->idle->start();
    schedule(id);
}

bool Server::readLines(Client &client, qsizetype most)
{
    QTcpSocket *socket = client.socket;
    bool received = false;
    while (qsizetype(client.lines.size()) < most && socket->bytesAvailable() > 0) {
        const QByteArray chunk = socket->peek(ChunkSize);
        if (chunk.isEmpty())
            break;
        const qsizetype newline = chunk.indexOf('\n');
        socket->skip(newline < 0 ? chunk.size() : newline + 1);
        received = true;
        if (!client.discarding) {
            client.partial.append(chunk.constData(), newline < 0 ? chunk.size() : newline);
            // One more byte than a line may hold, for the carriage return before the newline.
            if (client.partial.size() > m_limits.maxLine + 1) {
                client.partial.clear();
                client.discarding = true;
                client.session->report(ErrorCode::InputBufferOverrun);
            }
        }
        if (newline < 0)
            continue;
        if (client.discarding) {
            client.discarding = false;
            continue;
        }
        takeLine(client, std::exchange(client.partial, {}));
    }
    return received;
}

void Server::takeLine(Client &client, QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > m_limits.maxLine)
        client.session->report(ErrorCode::InputBufferOverrun);
    else if (!line.trimmed().isEmpty())
        client.lines.push_back(std::move(line));
}

// The peer closed, or only half-closed: what it sent still runs, a last line without its
// newline included, and its replies go out on the duplicate descriptor if it still reads.
void Server::peerClosed(quint64 id)
{
    Client *client = find(id);
    if (!client || client->inputEnded)
        return;
    client->inputEnded = true;
    client->socket->disconnect(this);
    // Every line left in Qt's buffer (at most its size) is taken now: no later signal
    // would ask for them.
    if (!m_closing) {
        readLines(*client, std::numeric_limits<qsizetype>::max());
        if (!client->discarding)
            takeLine(*client, std::exchange(client->partial, {}));
    }
    if (client->lines.empty() && !client->running) {
        drop(id);
        return;
    }
    if (client->spare < 0) {
        // No way to answer: what it sent is not run.
        drop(id);
        return;
    }
    auto *output = new QTcpSocket(this);
    if (!output->setSocketDescriptor(std::exchange(client->spare, -1),
                                     QAbstractSocket::ConnectedState, QIODevice::WriteOnly)) {
        delete output;
        drop(id);
        return;
    }
    client->output = output;
    connect(output, &QTcpSocket::bytesWritten, this, [this, id] { schedule(id); });
    connect(output, &QTcpSocket::disconnected, this, [this, id] { drop(id); });
    connect(output, &QTcpSocket::errorOccurred, this, [this, id] { drop(id); });
    schedule(id);
}

void Server::schedule(quint64 id)
{
    Client *client = find(id);
    if (!client || client->running)
        return;
    if (client->lines.empty() || m_closing) {
        closeWhenDone(id);
        return;
    }
    if (client->out()->bytesToWrite() <= m_limits.maxUnsent)
        serve(id);
}

QCoro::Task<> Server::serve(quint64 id)
{
    const std::shared_ptr<bool> alive = m_alive;
    Client *client = find(id);
    client->running = true;
    while (!client->lines.empty() && client->out()->bytesToWrite() <= m_limits.maxUnsent) {
        const QByteArray line = std::move(client->lines.front());
        client->lines.pop_front();
        QString reply;
        try {
            reply = co_await m_engine->execute(QString::fromLatin1(line), client->session);
        } catch (const std::exception &) {
            // Nothing the counter throws gets this far; anything else costs this line only.
        }
        if (!*alive)
            co_return;
        // The client may have left while its line ran; its reply goes nowhere then.
        client = find(id);
        if (!client)
            co_return;
        if (!reply.isEmpty()) {
            client->out()->write(reply.toLatin1() + '\n');
            // Into the system's buffer now: if the peer half-closes next, Qt drops what it
            // still holds.
            client->out()->flush();
        }
        client->idle->start();
        if (m_closing)
            client->lines.clear();
        // Its queue has room again: take what waits in the socket.
        if (!client->inputEnded)
            receive(id);
    }
    client->running = false;
    schedule(id);
}

// A client whose input has ended, or every client once the server shuts down, closes
// when it has nothing more to run; what it still has to send goes first.
void Server::closeWhenDone(quint64 id)
{
    Client *client = find(id);
    if (!client || client->running || client->closing || (!client->inputEnded && !m_closing))
        return;
    client->closing = true;
    release(client->spare);
    QTcpSocket *out = client->out();
    if (out->state() != QAbstractSocket::ConnectedState) {
        drop(id);
        return;
    }
    connect(out, &QTcpSocket::disconnected, this, [this, id] { drop(id); });
    // A peer that does not read could hold the close for ever.
    client->idle->disconnect(this);
    connect(client->idle, &QTimer::timeout, this, [this, id] { drop(id); });
    client->idle->start(m_limits.lingerTime);
    out->disconnectFromHost();
}

void Server::idleTimeout(quint64 id)
{
    Client *client = find(id);
    if (!client)
        return;
    if (client->running || !client->lines.empty()) {
        client->idle->start();
        return;
    }
    // A client that does not read its replies could hold a closing socket for ever.
    release(client->spare);
    if (client->socket->bytesToWrite() > 0)
        client->socket->abort();
    else
        client->socket->disconnectFromHost();
    drop(id);
}

void Server::drop(quint64 id)
{
    const auto it = m_clients.find(id);
    if (it == m_clients.end())
        return;
    Client &client = *it->second;
    client.session->gone = true;
    m_engine->abandon(*client.session);
    release(client.spare);
    for (QTcpSocket *socket : {client.socket, client.output}) {
        if (socket) {
            socket->disconnect(this);
            if (socket->state() != QAbstractSocket::UnconnectedState)
                socket->abort();
            socket->deleteLater();
        }
    }
    m_clients.erase(it);
    emit clientCountChanged(clientCount());
    if (m_closing && m_clients.empty())
        emit finished();
}

void Server::shutDown()
{
    if (m_closing)
        return;
    m_closing = true;
    m_listener->close();
    m_engine->abortAll();
    if (m_clients.empty()) {
        QTimer::singleShot(0, this, &Server::finished);
        return;
    }
    std::vector<quint64> ids;
    for (const auto &[id, client] : m_clients)
        ids.push_back(id);
    for (const quint64 id : ids) {
        if (Client *client = find(id)) {
            client->lines.clear();
            schedule(id);
        }
    }
}

} // namespace pelmix::remote
