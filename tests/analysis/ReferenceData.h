#pragma once

#include <QtGlobal>

#include <vector>

// Published test data for frequency stability software, with the results their authors
// give for them. Source of both sets and their results: W. J. Riley, "Handbook of Frequency
// Stability Analysis", NIST Special Publication 1065 (2008), section 12.4, tables 29 to 31
// (computed there with Stable32), as also checked by the allantools test suite.
namespace pelmix::analysis::reference {

// The 1000-point set: n(i+1) = 16807 n(i) mod 2147483647 from n(0) = 1234567890, each
// value n(i) / 2147483647.
inline std::vector<double> nist1000()
{
    std::vector<double> values;
    for (qint64 n = 1234567890; values.size() < 1000; n = 16807 * n % 2147483647)
        values.push_back(double(n) / 2147483647.0);
    return values;
}

// The 9 frequency values of the 10-point phase set of NBS Monograph 140, annex 8.E.
inline const std::vector<double> Nbs9 = {892, 809, 823, 798, 671, 644, 883, 903, 677};

} // namespace pelmix::analysis::reference
