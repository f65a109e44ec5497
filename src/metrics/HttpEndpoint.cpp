#include "HttpEndpoint.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace pelmix::metrics {

namespace {

// A scrape's request is a few hundred bytes; Prometheus waits 10 s by default.
constexpr qsizetype MaxRequest = 8192;
constexpr int MaxConnections = 8;
constexpr int RequestTimeoutMs = 10000;

const QByteArray ExpositionType = "text/plain; version=0.0.4; charset=utf-8";

QByteArray response(QByteArrayView status, QByteArrayView type, const QByteArray &body,
                    QByteArrayView extra = {}, bool withBody = true)
{
    QByteArray text = "HTTP/1.1 ";
    text += status;
    text += "\r\nContent-Type: ";
    text += type;
    text += "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    text += extra;
    text += "Connection: close\r\n\r\n";
    if (withBody)
        text += body;
    return text;
}

QByteArray plain(QByteArrayView status, const QByteArray &body, QByteArrayView extra = {})
{
    return response(status, "text/plain; charset=utf-8", body + '\n', extra);
}

} // namespace

HttpEndpoint::HttpEndpoint(std::function<std::string()> exposition, QObject *parent)
    : QObject(parent)
    , m_exposition(std::move(exposition))
    , m_listener(new QTcpServer(this))
{
    m_listener->setMaxPendingConnections(MaxConnections);
    connect(m_listener, &QTcpServer::newConnection, this, &HttpEndpoint::accept);
}

bool HttpEndpoint::listen(const QHostAddress &address, quint16 port)
{
    return m_listener->listen(address, port);
}

QString HttpEndpoint::errorString() const
{
    return m_listener->errorString();
}

QHostAddress HttpEndpoint::address() const
{
    return m_listener->serverAddress();
}

quint16 HttpEndpoint::port() const
{
    return m_listener->serverPort();
}

void HttpEndpoint::accept()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (findChildren<QTcpSocket *>().size() > MaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(MaxRequest + 1);
        QTimer::singleShot(RequestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        auto request = std::make_shared<Request>();
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket, request] { receive(socket, *request); });
        if (socket->bytesAvailable() > 0)
            receive(socket, *request);
    }
}

void HttpEndpoint::receive(QTcpSocket *socket, Request &request)
{
    if (request.answered) {
        socket->readAll();
        return;
    }
    request.text += socket->readAll();
    const qsizetype end = request.text.indexOf("\r\n\r\n");
    if (end < 0 && request.text.size() <= MaxRequest)
        return;
    request.answered = true;
    if (end < 0)
        socket->write(plain("431 Request Header Fields Too Large", "request too large"));
    else
        respond(socket, request.text.left(request.text.indexOf("\r\n")));
    socket->disconnectFromHost();
}

void HttpEndpoint::respond(QTcpSocket *socket, const QByteArray &requestLine)
{
    const QList<QByteArray> line = requestLine.split(' ');
    if (line.size() != 3 || !line[2].startsWith("HTTP/1.")) {
        socket->write(plain("400 Bad Request", "not an HTTP/1 request"));
        return;
    }
    const QByteArray &method = line[0];
    const bool head = method == "HEAD";
    if (method != "GET" && !head) {
        socket->write(plain("405 Method Not Allowed", "GET or HEAD only", "Allow: GET, HEAD\r\n"));
        return;
    }
    const QByteArray path = line[1].split('?').front();
    if (path == "/metrics") {
        const std::string body = m_exposition();
        socket->write(response("200 OK", ExpositionType,
                               QByteArray(body.data(), qsizetype(body.size())), {}, !head));
    } else if (path == "/") {
        socket->write(response("200 OK", "text/html; charset=utf-8",
                               "<html><body><a href=\"/metrics\">Metrics</a></body></html>\n", {},
                               !head));
    } else {
        socket->write(plain("404 Not Found", "only /metrics is served here"));
    }
}

} // namespace pelmix::metrics
