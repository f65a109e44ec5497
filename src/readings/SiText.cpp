#include "SiText.h"

#include "ReadingText.h"

#include <cmath>

namespace pelmix::readings {

namespace {

struct Prefix
{
    int exponent;
    const char16_t *symbol;
};

constexpr Prefix Prefixes[] = {{-12, u"p"}, {-9, u"n"}, {-6, u"µ"}, {-3, u"m"}, {0, u""},
                               {3, u"k"},   {6, u"M"},  {9, u"G"},  {12, u"T"}};

} // namespace

QString withSiPrefix(double value, const QString &unit)
{
    if (unit.isEmpty() || value == 0 || !std::isfinite(value)) {
        const QString number = QString::fromLatin1(formatNumber(value));
        return unit.isEmpty() ? number : number + u' ' + unit;
    }
    const int exponent = int(std::floor(std::log10(std::fabs(value)) / 3)) * 3;
    const Prefix *chosen = &Prefixes[0];
    for (const Prefix &prefix : Prefixes) {
        if (prefix.exponent <= exponent)
            chosen = &prefix;
    }
    // 15 significant digits hold every count the counter sends and drop the noise of the
    // division.
    const double scaled = value / std::pow(10.0, chosen->exponent);
    return QString::number(scaled, 'g', 15) + u' ' + QString::fromUtf16(chosen->symbol) + unit;
}

} // namespace pelmix::readings
