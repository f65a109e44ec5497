#pragma once

#include <QString>

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

} // namespace pelmix
