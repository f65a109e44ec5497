#include "StabilityReport.h"

#include "Json.h"
#include "TableCells.h"

#include "analysis/NoiseType.h"
#include "readings/ReadingText.h"

#include <cmath>

namespace pelmix::cli {

namespace {

// Why a row lacks a figure, or nothing when it has them all.
QByteArray shortfall(const analysis::StabilityPoint &p)
{
    if (p.terms == 0)
        return "too few values for this averaging factor";
    if (p.value == 0)
        return "the values do not vary: no noise to identify, so no interval";
    if (!p.alpha)
        return "too few averages to identify the noise type, so no interval";
    if (p.alphaAssumed)
        return "too few averages to identify the noise type: white FM assumed";
    if (!std::isfinite(p.edf))
        return "no degrees of freedom for this noise type, so no interval";
    return {};
}

QByteArray againstText(const StabilityReport &r)
{
    switch (r.measured) {
    case analysis::Measured::Phase:
        return "phase data in seconds";
    case analysis::Measured::Fractional:
        return "fractional frequency as given";
    case analysis::Measured::Frequency:
    case analysis::Measured::Period:
        break;
    }
    return "fractional frequency against " +
           QByteArray(r.nominalTyped ? "the nominal " : "the mean ") +
           readings::formatNumber(r.nominal) + ' ' + r.unit.toUtf8();
}

} // namespace

QString measuredName(analysis::Measured measured)
{
    switch (measured) {
    case analysis::Measured::Phase:
        return QStringLiteral("phase");
    case analysis::Measured::Frequency:
        return QStringLiteral("frequency");
    case analysis::Measured::Period:
        return QStringLiteral("period");
    case analysis::Measured::Fractional:
        break;
    }
    return QStringLiteral("fractional");
}

StabilityReport stabilityReport(analysis::Measured measured, std::span<const double> values,
                                double tau0, std::optional<double> nominal,
                                std::span<const analysis::Deviation> kinds,
                                std::span<const qint64> factors, double confidence)
{
    StabilityReport report;
    report.measured = measured;
    report.confidence = confidence;
    report.unit =
        measured == analysis::Measured::Period ? QStringLiteral("s") : QStringLiteral("Hz");
    if (values.size() < 2 || !(tau0 > 0))
        return noStability(QStringLiteral("too few values for a frequency stability analysis"));
    const analysis::PhaseData data = analysis::phaseData(measured, values, tau0, nominal);
    report.nominal = data.nominal;
    report.nominalTyped = data.nominalTyped;
    report.curves = analysis::stability(data, kinds, factors, confidence);
    return report;
}

StabilityReport noStability(const QString &why)
{
    StabilityReport report;
    report.missing = why;
    return report;
}

QByteArray stabilityText(const StabilityReport &r)
{
    if (!r.missing.isEmpty())
        return "\nstability: " + r.missing.toUtf8() + '\n';
    QByteArray text = "\nstability of " + againstText(r) + ", " +
                      QByteArray::number(100 * r.confidence, 'g', 4) + " % intervals\n";
    for (const analysis::StabilityCurve &curve : r.curves) {
        const QByteArray unit = analysis::isTimeDeviation(curve.kind) ? "/s" : "";
        text += '\n' + QByteArray(analysis::deviationLabel(curve.kind).data()) + '\n';
        text += QByteArray("m").rightJustified(9) + QByteArray("tau/s").rightJustified(14) +
                QByteArray("n").rightJustified(9) + QByteArray("noise").rightJustified(7) +
                ("deviation" + unit).rightJustified(15) + ("low" + unit).rightJustified(15) +
                ("high" + unit).rightJustified(15) + QByteArray("edf").rightJustified(11) + '\n';
        QByteArray notes;
        for (const analysis::StabilityPoint &p : curve.points) {
            const QString label = analysis::noiseLabel(p);
            const QByteArray noise = label.isEmpty() ? QByteArray("-") : label.toLatin1();
            text += QByteArray::number(p.m).rightJustified(9) + shortCell(p.tau, 14) +
                    QByteArray::number(p.terms).rightJustified(9) + noise.rightJustified(7) +
                    cell(p.value, 15) + cell(p.low, 15) + cell(p.high, 15) + shortCell(p.edf, 11) +
                    '\n';
            if (const QByteArray why = shortfall(p); !why.isEmpty())
                notes += "  m " + QByteArray::number(p.m) + ": " + why + '\n';
        }
        text += notes;
    }
    return text;
}

QByteArray stabilityJson(const StabilityReport &r)
{
    if (!r.missing.isEmpty())
        return "null";
    JsonObject object;
    for (const analysis::StabilityCurve &curve : r.curves) {
        std::vector<QByteArray> rows;
        for (const analysis::StabilityPoint &p : curve.points) {
            JsonObject row;
            row.integer("m", p.m)
                .number("tau", p.tau)
                .integer("n", p.terms)
                .number("value", p.value);
            if (p.alpha)
                row.integer("alpha", *p.alpha);
            else
                row.raw("alpha", "null");
            row.raw("alpha_assumed", p.alphaAssumed ? "true" : "false");
            row.number("edf", p.edf).number("low", p.low).number("high", p.high);
            rows.push_back(row.toJson());
        }
        object.raw(analysis::deviationName(curve.kind).data(), jsonArray(rows));
    }
    return object.toJson();
}

} // namespace pelmix::cli
