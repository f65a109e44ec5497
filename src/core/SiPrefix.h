#pragma once

#include <QString>

#include <optional>

namespace pelmix {

// An SI prefix: the power of ten it stands for and its symbol ("k", "µ", or none).
struct SiPrefix
{
    int exponent = 0;
    QString symbol;

    double factor() const;
};

// The prefix, pico to tera, that puts `magnitude` between 1 and 1000. A magnitude that
// is zero, not finite or beyond the table takes the nearest end or none.
SiPrefix siPrefixFor(double magnitude);
// The power of ten a typed prefix stands for; "u" and the Greek mu are micro too.
std::optional<int> siExponentOf(QChar symbol);

} // namespace pelmix
