#include "ScpiFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pelmix::remote {

QString formatNumber(double value)
{
    if (!std::isfinite(value))
        value = NotANumber;
    if (value == 0)
        value = 0; // no "-0"
    // printf gives at least two exponent digits and rounds the mantissa itself (a carry
    // moves into the exponent); only the exponent's width is ours to fix.
    char text[40];
    std::snprintf(text, sizeof text, "%+.14e", value);
    char *mark = std::strchr(text, 'e');
    const int exponent = std::atoi(mark + 1);
    *mark = '\0';
    return QString::fromLatin1(text) +
           QString::asprintf("E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
}

QString formatInteger(qint64 value)
{
    return QString::asprintf("%+lld", static_cast<long long>(value));
}

} // namespace pelmix::remote
