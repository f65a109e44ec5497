#pragma once

#include "analysis/Stability.h"

#include <QColor>
#include <QObject>
#include <QPointF>

#include <span>
#include <vector>

class QChartView;
class QGraphicsPathItem;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QLogValueAxis;

namespace pelmix::ui {

// The stability plot: each deviation against tau on log-log axes, its confidence
// intervals as bars and the noise type (identified once per factor) above the points of
// each tau. Fractional deviations share the
// left axis; TDEV, a time, has the right one. No legend: it would take the height a small
// screen at scale 2 cannot spare.
class StabilityChart : public QObject
{
    Q_OBJECT
public:
    explicit StabilityChart(QChartView &view);

    void draw(std::span<const analysis::StabilityCurve> curves);
    // The colour a deviation is drawn in; the choices above the chart show it, so the
    // chart needs no legend of its own.
    static QColor colourOf(analysis::Deviation kind);
    // The noise labels drawn, one per factor in ascending order: "WFM", ...
    QStringList noiseLabels() const;

private:
    QLineSeries *line(std::size_t index);
    void attach(QLineSeries &series, QLogValueAxis &valueAxis);
    // The bars and the labels follow the plot area.
    void placeLabels();

    QChartView &m_view;
    QLogValueAxis *m_tauAxis = nullptr;
    QLogValueAxis *m_fractionAxis = nullptr;
    QLogValueAxis *m_timeAxis = nullptr;
    std::vector<QLineSeries *> m_lines;
    struct Interval
    {
        double tau;
        double low;
        double high;
    };
    struct Bars
    {
        QGraphicsPathItem *item;
        QLineSeries *series; // whose axes place them
        std::vector<Interval> intervals;
    };
    std::vector<Bars> m_bars;
    struct Label
    {
        QGraphicsSimpleTextItem *item;
        QPointF at;
        QLineSeries *series;
    };
    std::vector<Label> m_labels;
};

} // namespace pelmix::ui
