#pragma once

#include "analysis/PhaseData.h"
#include "analysis/Stability.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace pelmix::cli {

// The frequency stability of the analysed values: what they were taken as, against which
// nominal, and each requested deviation with its noise types and intervals.
struct StabilityReport
{
    // Why there is none (counts, calibration, too few values); empty when there is.
    QString missing;
    analysis::Measured measured = analysis::Measured::Frequency;
    QString unit; // of the nominal: "Hz" or "s"
    double nominal = std::numeric_limits<double>::quiet_NaN();
    bool nominalTyped = false;
    double confidence = analysis::DefaultConfidence;
    std::vector<analysis::StabilityCurve> curves;
};

StabilityReport stabilityReport(analysis::Measured measured, std::span<const double> values,
                                double tau0, std::optional<double> nominal,
                                std::span<const analysis::Deviation> kinds,
                                std::span<const qint64> factors, double confidence);
// One that says why there is no analysis.
StabilityReport noStability(const QString &why);

// A table per deviation, and a line for each figure that could not be had, saying why.
QByteArray stabilityText(const StabilityReport &report);
// The "stability" member: each deviation's name mapped to its rows {m, tau, n, value,
// alpha, edf, low, high}, null where a figure cannot be had; null when there is none.
QByteArray stabilityJson(const StabilityReport &report);
// "phase", "frequency", "period" or "fractional".
QString measuredName(analysis::Measured measured);

} // namespace pelmix::cli
