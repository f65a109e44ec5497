#include "Json.h"

#include "readings/ReadingText.h"

#include <cmath>

namespace pelmix::cli {

void JsonObject::key(const char *name)
{
    if (!m_members.isEmpty())
        m_members += ',';
    m_members += jsonString(QString::fromLatin1(name)) + ':';
}

JsonObject &JsonObject::number(const char *name, double value)
{
    key(name);
    m_members += std::isfinite(value) ? readings::formatNumber(value) : QByteArray("null");
    return *this;
}

JsonObject &JsonObject::integer(const char *name, qint64 value)
{
    key(name);
    m_members += QByteArray::number(value);
    return *this;
}

JsonObject &JsonObject::string(const char *name, const QString &text)
{
    key(name);
    m_members += text.isNull() ? QByteArray("null") : jsonString(text);
    return *this;
}

JsonObject &JsonObject::raw(const char *name, const QByteArray &json)
{
    key(name);
    m_members += json;
    return *this;
}

QByteArray jsonArray(const std::vector<QByteArray> &items)
{
    QByteArray json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            json += ',';
        json += items[i];
    }
    return json + ']';
}

QByteArray jsonString(const QString &text)
{
    QByteArray json = "\"";
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (uchar(c) < 0x20)
                json += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
            else
                json += c;
        }
    }
    return json + '"';
}

} // namespace pelmix::cli
