#pragma once

#include <QString>

#include <vector>

namespace pelmix::cli {

// The averaging factors m at which the deviations are computed.
struct FactorChoice
{
    enum class Kind { Octave, Decade, All, List };
    Kind kind = Kind::Octave;
    std::vector<qint64> list; // for Kind::List, ascending, without repeats
};

// "octave", "decade", "all", or whole numbers from 1 separated by commas ("1,10,100"). Throws
// UsageError naming the option.
FactorChoice factorChoiceOf(const QString &option, const QString &text);
// Octave (1, 2, 4, ...), decade (1, 2, 5, 10, ...) or every factor up to a quarter of
// `count` values, where the deviations still rest on enough terms; a list as it is.
std::vector<qint64> factorsFor(const FactorChoice &choice, qint64 count);

} // namespace pelmix::cli
