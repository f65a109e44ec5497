// Reads every position of arbitrary status lines.
// Input: the first byte's low bit chooses Latin-1 bytes or raw UTF-16 code units for the
// rest, so that digits of other scripts (which must read as 0) are reachable.

#include "device/StatusLine.h"

#include "FuzzCheck.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace pelmix::device;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool wide = data[0] & 1;
    QString line;
    if (wide) {
        line = QString(qsizetype((size - 1) / 2), Qt::Uninitialized);
        std::memcpy(line.data(), data + 1, ((size - 1) / 2) * 2);
    } else {
        line = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    }

    // Positions count from 1; 0, negative ones and those past the end read as 0.
    const int last = int(std::max<qsizetype>(10, line.size() + 1));
    for (int position = -1; position <= last; ++position) {
        const int digit = statusPosition(line, position);
        FUZZ_CHECK(digit >= 0 && digit <= 9);
        int expected = 0;
        if (position >= 1 && position <= line.size()) {
            const char16_t c = line.at(position - 1).unicode();
            if (c >= u'0' && c <= u'9')
                expected = c - u'0';
        }
        FUZZ_CHECK(digit == expected);
    }
    return 0;
}
