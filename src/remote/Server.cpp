#include "Server.h"

#include "Engine.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <exception>
#include <utility>

namespace pelmix::remote {

namespace {

// Input is taken in pieces of this size, and Qt buffers no more than this per client.
constexpr qint64 ChunkSize = 4096;
constexpr qint64 ReadBufferSize = 64 * 1024;

bool allDigits(const QString &text)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

std::optional<Endpoint> parseEndpoint(const QString &text)
{
    QString host = u"127.0.0.1"_qs;
    QString port = text;
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon >= 0) {
        host = text.left(colon);
        port = text.mid(colon + 1);
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        else if (host.contains(u':'))
            return std::nullopt; // an IPv6 address needs its brackets
    }
    if (!allDigits(port) || port.toUInt() > 65535)
        return std::nullopt;
    Endpoint endpoint;
    endpoint.port = quint16(port.toUInt());
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0)
        endpoint.address = QHostAddress(QHostAddress::LocalHost);
    else if (!endpoint.address.setAddress(host))
        return std::nullopt;
    return endpoint;
}

struct Server::Client
{
    QTcpSocket *socket = nullptr;
    QTimer *idle = nullptr; // a child of the socket
    QByteArray partial;
    bool discarding = false; // the rest of an overlong line is dropped
    std::deque<QByteArray> lines;
    bool inTurn = false;
    bool running = false;
    std::shared_ptr<Session> session = std::make_shared<Session>();
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
        // Closing the socket would otherwise signal into a half-destroyed server.
        client->socket->disconnect(this);
        delete client->socket;
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
        if (clientCount() >= m_limits.maxClients) {
            // Closed at once, so that the client knows, rather than waiting unserved.
            socket->disconnectFromHost();
            socket->deleteLater();
            continue;
        }
        const quint64 id = ++m_lastId;
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->idle = new QTimer(socket);
        client->idle->setSingleShot(true);
        client->idle->setInterval(m_limits.idleTimeout);
        socket->setReadBufferSize(ReadBufferSize);
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { receive(id); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, id] { schedule(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { drop(id); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, id, socket] {
            if (socket->state() != QAbstractSocket::ConnectedState)
                drop(id);
        });
        connect(client->idle, &QTimer::timeout, this, [this, id] { idleTimeout(id); });
        client->idle->start();
        m_clients.emplace(id, std::move(client));
        emit clientCountChanged(clientCount());
        receive(id);
    }
}

void Server::receive(quint64 id)
{
    Client *client = find(id);
    if (!client)
        return;
    QTcpSocket *socket = client->socket;
    bool received = false;
    while (qsizetype(client->lines.size()) < m_limits.maxQueuedLines &&
           socket->bytesAvailable() > 0) {
        const QByteArray chunk = socket->peek(ChunkSize);
        if (chunk.isEmpty())
            break;
        const qsizetype newline = chunk.indexOf('\n');
        socket->skip(newline < 0 ? chunk.size() : newline + 1);
        received = true;
        if (!client->discarding) {
            client->partial.append(chunk.constData(), newline < 0 ? chunk.size() : newline);
            // One more byte than a line may hold, for the carriage return before the newline.
            if (client->partial.size() > m_limits.maxLine + 1) {
                client->partial.clear();
                client->discarding = true;
                client->session->errors.push(ErrorCode::InputBufferOverrun);
            }
        }
        if (newline < 0)
            continue;
        if (client->discarding) {
            client->discarding = false;
            continue;
        }
        QByteArray line = std::exchange(client->partial, {});
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > m_limits.maxLine)
            client->session->errors.push(ErrorCode::InputBufferOverrun);
        else if (!line.trimmed().isEmpty())
            client->lines.push_back(std::move(line));
    }
    if (received)
        client->idle->start();
    schedule(id);
}

void Server::schedule(quint64 id)
{
    Client *client = find(id);
    if (!client || client->inTurn || client->running || client->lines.empty() ||
        client->socket->bytesToWrite() > m_limits.maxUnsent)
        return;
    client->inTurn = true;
    m_turns.push_back(id);
    if (!m_working)
        work();
}

QCoro::Task<> Server::work()
{
    m_working = true;
    const std::shared_ptr<bool> alive = m_alive;
    while (!m_turns.empty()) {
        const quint64 id = m_turns.front();
        m_turns.pop_front();
        Client *client = find(id);
        if (!client)
            continue;
        client->inTurn = false;
        if (client->lines.empty())
            continue;
        const QByteArray line = std::move(client->lines.front());
        client->lines.pop_front();
        client->running = true;
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
            continue;
        client->running = false;
        if (!reply.isEmpty())
            client->socket->write(reply.toLatin1() + '\n');
        client->idle->start();
        // Its queue has room again: take what waits in the socket, and queue it anew.
        receive(id);
    }
    m_working = false;
}

void Server::idleTimeout(quint64 id)
{
    Client *client = find(id);
    if (!client)
        return;
    if (client->running || client->inTurn) {
        client->idle->start();
        return;
    }
    // A client that does not read its replies could hold a closing socket for ever.
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
    it->second->session->gone = true;
    it->second->socket->disconnect(this);
    it->second->socket->deleteLater();
    m_clients.erase(it);
    emit clientCountChanged(clientCount());
}

} // namespace pelmix::remote
