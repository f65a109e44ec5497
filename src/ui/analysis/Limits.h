#pragma once

#include <optional>

namespace pelmix::ui {

// Optional upper and lower limits of a series' values, in SI units. A reading beyond
// either is a failure.
struct Limits
{
    std::optional<double> lower;
    std::optional<double> upper;

    bool any() const { return lower || upper; }
    bool isOutside(double value) const
    {
        return (lower && value < *lower) || (upper && value > *upper);
    }
    bool operator==(const Limits &) const = default;
};

} // namespace pelmix::ui
