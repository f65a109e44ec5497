#pragma once

#include <QHostAddress>
#include <QObject>

#include <functional>
#include <string>

class QTcpServer;
class QTcpSocket;

namespace pelmix::metrics {

// /metrics over HTTP on the program's own event loop: a GET is answered with what
// `exposition` gives at that moment, and the connection closed. Made for Prometheus and a
// curl now and then: at most a few connections, small requests, no keep-alive; a client
// that sends too much or too slowly is dropped.
class HttpEndpoint : public QObject
{
    Q_OBJECT
public:
    explicit HttpEndpoint(std::function<std::string()> exposition, QObject *parent = nullptr);

    // Port 0 takes a free one (see port()).
    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;

private:
    struct Request
    {
        QByteArray text;
        bool answered = false;
    };

    void accept();
    void receive(QTcpSocket *socket, Request &request);
    void respond(QTcpSocket *socket, const QByteArray &requestLine);

    std::function<std::string()> m_exposition;
    QTcpServer *m_listener;
};

} // namespace pelmix::metrics
