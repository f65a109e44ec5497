#pragma once

#include "StabilityReport.h"

#include "analysis/Allan.h"
#include "analysis/Statistics.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace pelmix::cli {

// The statistics of a run of values and their overlapping and modified Allan deviations,
// in the unit of the values and as fractions of the nominal value (or of the mean).
struct Summary
{
    qint64 gaps = 0; // readings without a value, left out of everything else
    analysis::RunningStatistics statistics;
    QString unit; // of the values; empty for counts and plain numbers
    double tau0 = std::numeric_limits<double>::quiet_NaN();
    // What the fractional deviations are divided by: |nominal|, else |mean|.
    double reference = std::numeric_limits<double>::quiet_NaN();
    std::vector<analysis::AllanPoint> deviations;
    // The frequency stability, where it was asked for.
    std::optional<StabilityReport> stability;
};

Summary summarize(std::span<const double> values, qint64 gaps, double tau0,
                  std::span<const qint64> factors, std::optional<double> nominal,
                  const QString &unit);

// A table for people.
QByteArray summaryText(const Summary &summary);
// One JSON object: count, gaps, unit, mean, stddev, min, max, tau0, reference, and
// deviations, each with m, tau, n_oadev, oadev, oadev_frac, n_mdev, mdev, mdev_frac; with
// a stability report also data, nominal, nominal_from, confidence and stability.
QByteArray summaryJson(const Summary &summary);

} // namespace pelmix::cli
