#include "Summary.h"

#include "Json.h"
#include "TableCells.h"

#include "readings/ReadingText.h"

#include <cmath>

namespace pelmix::cli {

namespace {

double fraction(double deviation, double reference)
{
    return reference > 0 ? deviation / reference : std::numeric_limits<double>::quiet_NaN();
}

// A statistic with its unit; "-" where there is none (no values, or one for stddev).
QByteArray quantity(double value, const QString &unit)
{
    if (!std::isfinite(value))
        return "-";
    const QByteArray number = readings::formatNumber(value);
    return unit.isEmpty() ? number : number + ' ' + unit.toUtf8();
}

QByteArray cell(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width);
}

QByteArray heading(const QByteArray &name, int width)
{
    return name.rightJustified(width);
}

} // namespace

Summary summarize(std::span<const double> values, qint64 gaps, double tau0,
                  std::span<const qint64> factors, std::optional<double> nominal,
                  const QString &unit)
{
    Summary summary;
    summary.gaps = gaps;
    summary.unit = unit;
    summary.tau0 = tau0;
    for (const double value : values)
        summary.statistics.add(value);
    summary.reference = std::fabs(nominal.value_or(summary.statistics.mean()));
    summary.deviations = analysis::allanDeviations(values, tau0, factors);
    return summary;
}

QByteArray summaryText(const Summary &s)
{
    const analysis::RunningStatistics &st = s.statistics;
    QByteArray text;
    text += "values  " + QByteArray::number(st.count()) + " (" + QByteArray::number(s.gaps) +
            (s.gaps == 1 ? " reading" : " readings") + " without a value)\n";
    text += "mean    " + quantity(st.mean(), s.unit) + '\n';
    text += "stddev  " + quantity(st.stddev(), s.unit) + '\n';
    text += "min     " + quantity(st.min(), s.unit) + '\n';
    text += "max     " + quantity(st.max(), s.unit) + '\n';
    text += "tau0    " + shortCell(s.tau0, 0) + (std::isfinite(s.tau0) ? " s\n" : "\n");
    if (s.stability)
        return text + stabilityText(*s.stability);
    // One value has no deviation to show.
    if (s.deviations.empty() || st.count() < 2)
        return text;

    const QByteArray unit = s.unit.isEmpty() ? QByteArray() : '/' + s.unit.toUtf8();
    text += '\n';
    text += heading("m", 9) + heading("tau/s", 14) + heading("n_oadev", 9) +
            heading("oadev" + unit, 14) + heading("oadev_frac", 14) + heading("n_mdev", 9) +
            heading("mdev" + unit, 14) + heading("mdev_frac", 14) + '\n';
    for (const analysis::AllanPoint &p : s.deviations) {
        text += cell(p.m, 9) + shortCell(p.tau, 14) + cell(p.oadevTerms, 9) + cell(p.oadev, 14) +
                cell(fraction(p.oadev, s.reference), 14) + cell(p.mdevTerms, 9) + cell(p.mdev, 14) +
                cell(fraction(p.mdev, s.reference), 14) + '\n';
    }
    return text;
}

QByteArray summaryJson(const Summary &s)
{
    std::vector<QByteArray> deviations;
    for (const analysis::AllanPoint &p : s.deviations) {
        deviations.push_back(JsonObject()
                                 .integer("m", p.m)
                                 .number("tau", p.tau)
                                 .integer("n_oadev", p.oadevTerms)
                                 .number("oadev", p.oadev)
                                 .number("oadev_frac", fraction(p.oadev, s.reference))
                                 .integer("n_mdev", p.mdevTerms)
                                 .number("mdev", p.mdev)
                                 .number("mdev_frac", fraction(p.mdev, s.reference))
                                 .toJson());
    }
    const analysis::RunningStatistics &st = s.statistics;
    JsonObject object;
    object.integer("count", st.count())
        .integer("gaps", s.gaps)
        .string("unit", s.unit.isEmpty() ? QString() : s.unit)
        .number("mean", st.mean())
        .number("stddev", st.stddev())
        .number("min", st.min())
        .number("max", st.max())
        .number("tau0", s.tau0)
        .number("reference", s.reference)
        .raw("deviations", jsonArray(deviations));
    if (s.stability) {
        const StabilityReport &r = *s.stability;
        const bool fractional = r.missing.isEmpty() && std::isfinite(r.nominal);
        object.string("data", r.missing.isEmpty() ? measuredName(r.measured) : QString())
            .number("nominal", fractional ? r.nominal : std::numeric_limits<double>::quiet_NaN())
            .string("nominal_from",
                    fractional ? (r.nominalTyped ? QStringLiteral("typed") : QStringLiteral("mean"))
                               : QString())
            .number("confidence", r.confidence)
            .raw("stability", stabilityJson(r));
    }
    return object.toJson() + '\n';
}

} // namespace pelmix::cli
