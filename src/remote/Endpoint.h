#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

namespace pelmix::remote {

struct Endpoint
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 5025;
};

// --listen: "ADDRESS:PORT", "[IPv6]:PORT", "localhost:PORT", or a bare PORT, which listens
// on the loopback address: other machines are let in only when an address is named.
std::optional<Endpoint> parseEndpoint(const QString &text);

} // namespace pelmix::remote
