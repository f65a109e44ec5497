#pragma once

#include "analysis/Reading.h"

#include <QString>

class QChart;
class QChartView;
class QLogValueAxis;
class QValueAxis;
class QWidget;

namespace pelmix::ui {

struct Prefix;

// A chart as the analysis window draws them: light, no animation, no legend unless asked,
// with the widget's font.
QChart *newChart(const QWidget &view);
// Puts `chart` in `view` for good. The view gives up the chart it was made with without
// deleting it, so that one goes here.
void showChart(QChartView &view, QChart *chart);
// A value axis with its title, between `low` and `high`, ticks at round steps and labels
// with the decimals the step needs. With the `resolution` of the values (in the axis'
// unit), no step is finer than a tenth of it, so labels carry at most one digit beyond
// what the counter resolves, and an empty range is widened to a few resolution steps;
// without it, an empty range is widened around its value.
void setNiceRange(QValueAxis &axis, double low, double high, int ticks = 6, double resolution = 0);
// A logarithmic axis a little wider than `low` to `high`, with at least two powers of ten
// in it to label.
void setDecadeRange(QLogValueAxis &axis, double low, double high);
// "Frequency (kHz)", "Count".
QString valueTitle(pelmix::Mode mode, const Prefix &prefix);

} // namespace pelmix::ui
