#include "ChartParts.h"

#include "Quantity.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLogValueAxis>
#include <QValueAxis>
#include <QWidget>

#include <cmath>

namespace pelmix::ui {

QChart *newChart(const QWidget &view)
{
    auto *chart = new QChart;
    chart->setTheme(QChart::ChartThemeLight);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->legend()->setFont(view.font());
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    return chart;
}

void showChart(QChartView &view, QChart *chart)
{
    QChart *first = view.chart();
    view.setChart(chart);
    delete first;
}

void setNiceRange(QValueAxis &axis, double low, double high, int ticks, double resolution)
{
    if (!std::isfinite(low) || !std::isfinite(high)) {
        low = 0;
        high = 1;
    }
    const bool resolved = resolution > 0 && std::isfinite(resolution);
    if (!(high > low)) {
        const double half = resolved ? 2 * resolution : low != 0 ? std::fabs(low) * 1e-6 : 0.5;
        low -= half;
        high += half;
    }
    double step = niceStep(high - low, ticks);
    if (resolved)
        step = std::max(step, niceStep(resolution / 10, 1));
    const QString format =
        QStringLiteral("%.") + QString::number(decimalsFor(step)) + QStringLiteral("f");
    // Each change lays the chart out anew, which costs more than drawing it.
    if (axis.min() == low && axis.max() == high && axis.tickInterval() == step &&
        axis.tickType() == QValueAxis::TicksDynamic && axis.labelFormat() == format)
        return;
    // Ticks counted from a multiple of the step below the range, never from zero: with a
    // value of 10 MHz and a step of 1 mHz, ticks from zero would be far off.
    // Fixed ticks while the range changes, so that no step meets a range it would cut
    // into millions of ticks.
    axis.setTickType(QValueAxis::TicksFixed);
    axis.setRange(low, high);
    // A range across zero is anchored at zero itself, which a multiple of the step below
    // the range reaches only with rounding, labelled "-0.0".
    axis.setTickAnchor(low <= 0 && high >= 0 ? 0.0 : std::floor(low / step) * step);
    axis.setTickInterval(step);
    axis.setLabelFormat(format);
    axis.setTickType(QValueAxis::TicksDynamic);
}

void setDecadeRange(QLogValueAxis &axis, double low, double high)
{
    if (!(low > 0) || !(high >= low) || !std::isfinite(high)) {
        low = 1;
        high = 10;
    }
    low /= 1.3;
    high *= 1.3;
    // Labels stand at powers of ten only: a range that holds fewer than two of them is
    // widened down to a power of ten, then up to one if that is not enough.
    auto powersInside = [&] {
        return std::floor(std::log10(high) + 1e-9) - std::ceil(std::log10(low) - 1e-9) + 1;
    };
    // A hair beyond the power, so that rounding in the axis cannot drop its label.
    if (powersInside() < 2)
        low = std::pow(10.0, std::floor(std::log10(low))) * 0.999;
    if (powersInside() < 2)
        high = std::pow(10.0, std::ceil(std::log10(high))) * 1.001;
    axis.setRange(low, high);
}

QString valueTitle(pelmix::Mode mode, const Prefix &prefix)
{
    const QString unit = prefix.symbol + pelmix::modeInfo(mode).unit;
    return unit.isEmpty() ? quantityName(mode)
                          : quantityName(mode) + QStringLiteral(" (") + unit + u')';
}

} // namespace pelmix::ui
