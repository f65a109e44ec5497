// Reads arbitrary replies as 8- and 12-digit counts.
// Input: the first byte's low bit chooses how the rest becomes the reply: Latin-1 bytes,
// or raw UTF-16 code units (to reach non-Latin characters such as full-width digits).

#include "measure/Display.h"

#include "FuzzCheck.h"

#include <QString>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace pelmix::measure;

namespace {

QString replyFrom(const uint8_t *data, size_t size)
{
    if (size == 0)
        return {};
    const bool wide = data[0] & 1;
    ++data;
    --size;
    if (!wide)
        return QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);
    return text;
}

bool isAsciiHex(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

void check(const QString &reply, int digits)
{
    const double count = decodeCount(reply, digits);
    FUZZ_CHECK(std::isfinite(count));
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(count == std::floor(count));
    FUZZ_CHECK(count < std::ldexp(1.0, 4 * digits));

    // Characters 2..1+digits, counted from 1.
    const QString field = reply.mid(1, digits);
    bool hex = !field.isEmpty();
    for (const QChar c : field)
        hex = hex && isAsciiHex(c);
    if (!hex) {
        FUZZ_CHECK(count == 0);
        return;
    }
    const std::string text = field.toStdString();
    errno = 0;
    char *end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 16);
    FUZZ_CHECK(errno == 0);
    FUZZ_CHECK(end == text.c_str() + text.size());
    FUZZ_CHECK(count == double(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = replyFrom(data, size);
    check(reply, 8);
    check(reply, 12);
    return 0;
}
