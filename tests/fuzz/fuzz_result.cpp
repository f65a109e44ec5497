// Decodes arbitrary data replies in every mode and position, and shows them.
// Input: a byte for the mode and position, a byte whose low bit tells whether the reply
// was complete, then the reply: Latin-1 bytes, or raw UTF-16 code units when the second
// byte's next bit is set (to reach non-Latin characters such as full-width digits).

#include "measure/Display.h"
#include "measure/Result.h"

#include "FuzzCheck.h"

#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace pelmix;

namespace {

QString replyFrom(const uint8_t *data, size_t size, bool wide)
{
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const auto mode = pelmix::Mode(data[0] % 5);
    const int position = (data[0] / 5) % 5;
    const device::Reply reply{replyFrom(data + 2, size - 2, data[1] & 2), bool(data[1] & 1)};
    const measure::Result result = measure::decodeResult(pelmix::Setup{mode, position}, reply);
    const int digits = pelmix::modeInfo(mode).digits;

    // The count: a whole number within the field, or 0 when the field is not hexadecimal.
    const double count = result.count;
    FUZZ_CHECK(count >= 0 && count == std::floor(count) && count < std::ldexp(1.0, 4 * digits));
    const QString field = reply.text.mid(1, digits);
    bool hex = !field.isEmpty();
    for (const QChar c : field)
        hex = hex && isAsciiHex(c);
    if (hex) {
        const std::string text = field.toStdString();
        errno = 0;
        FUZZ_CHECK(count == double(std::strtoull(text.c_str(), nullptr, 16)) && errno == 0);
    } else {
        FUZZ_CHECK(count == 0);
    }

    // A value only from a complete, well-formed reply that the display shows.
    const measure::DisplayTexts texts = measure::displayTexts(result);
    FUZZ_CHECK(texts.main.size() == measure::DisplayWidth);
    FUZZ_CHECK(!texts.second || texts.second->isEmpty() ||
               texts.second->size() == measure::DisplayWidth);
    if (result.hasValue()) {
        FUZZ_CHECK(reply.complete && hex && field.size() == digits);
        FUZZ_CHECK(reply.text.at(digits + 1) == QChar(13));
        FUZZ_CHECK(texts.main != measure::OverflowText);
        FUZZ_CHECK(std::isfinite(result.value) && result.value >= 0);
    }
    if (!reply.complete)
        FUZZ_CHECK(result.status == pelmix::Status::Timeout);
    return 0;
}
