#include "Endpoint.h"

namespace pelmix::remote {

namespace {

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

} // namespace pelmix::remote
