#include "SiPrefix.h"

#include <cmath>

namespace pelmix {

namespace {

struct Entry
{
    int exponent;
    char16_t symbol;
};

constexpr Entry Prefixes[] = {{-12, u'p'}, {-9, u'n'}, {-6, u'\u00b5'}, {-3, u'm'}, {0, 0},
                              {3, u'k'},   {6, u'M'},  {9, u'G'},       {12, u'T'}};

} // namespace

double SiPrefix::factor() const
{
    return std::pow(10.0, exponent);
}

SiPrefix siPrefixFor(double magnitude)
{
    magnitude = std::fabs(magnitude);
    if (!std::isfinite(magnitude) || magnitude == 0)
        return {};
    // A little below 1 still counts as 1, so that 999.9996 rounded to 1000 reads "1.000 k".
    const int exponent = int(std::floor(std::log10(magnitude) + 1e-9));
    const Entry *chosen = &Prefixes[0];
    for (const Entry &entry : Prefixes) {
        if (entry.exponent <= exponent)
            chosen = &entry;
    }
    SiPrefix prefix;
    prefix.exponent = chosen->exponent;
    if (chosen->symbol)
        prefix.symbol = QChar(chosen->symbol);
    return prefix;
}

std::optional<int> siExponentOf(QChar symbol)
{
    if (symbol == u'u' || symbol == u'\u03bc')
        return -6;
    for (const Entry &entry : Prefixes) {
        if (entry.symbol && symbol == QChar(entry.symbol))
            return entry.exponent;
    }
    return std::nullopt;
}

} // namespace pelmix
