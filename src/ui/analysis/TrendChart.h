#pragma once

#include "Limits.h"
#include "Quantity.h"

#include <QChartView>

class QLineSeries;
class QRubberBand;
class QScatterSeries;
class QValueAxis;

namespace pelmix::analysis {
class Series;
}

namespace pelmix::ui {

// The values of a series against the time since its first reading. Each redraw takes
// the smallest and largest value of every pixel column in view, so a million readings
// draw as fast as a few thousand. Readings beyond the limits are marked, the limits
// drawn as dashed lines.
//
// The view zooms and pans by mouse (drag pans, the wheel zooms time and with Shift the
// values, Shift and drag zooms to a rectangle, a double click fits) and by keys (+ and -
// zoom time and with Ctrl the values, the arrows pan, Home fits). An axis that has not
// been zoomed or panned follows the readings as they arrive.
class TrendChart : public QChartView
{
    Q_OBJECT
public:
    // A visible range: time in seconds, values in the axis' unit (its prefix applied).
    struct Range
    {
        double left = 0;
        double right = 1;
        double bottom = 0;
        double top = 1;
    };

    explicit TrendChart(QWidget *parent = nullptr);

    // The series to draw, or none; the view fits it.
    void setSeries(const analysis::Series *series);
    void setLimits(const Limits &limits);
    // The series has grown.
    void refresh();

    void autoscale();
    // Factors below 1 zoom in, about `centre` (chart values); 1 leaves an axis as it is.
    void zoom(double timeFactor, double valueFactor, QPointF centre);
    // Moves the view by fractions of its width and height.
    void pan(double timeFraction, double valueFraction);
    void zoomTo(const Range &range);
    Range visibleRange() const { return m_view; }
    bool isAutoscaled() const { return m_autoTime && m_autoValue; }
    // The axis' prefix, for values drawn on it.
    const Prefix &prefix() const { return m_prefix; }

    QLineSeries *line() const { return m_line; }
    QScatterSeries *outsidePoints() const { return m_outside; }

    // Decimates and draws the view now; every change above ends here.
    void redraw();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QPointF valueAt(QPoint viewportPosition) const;
    int columns() const;
    void drawLimits();
    // The counter's resolution in the value axis' unit; 0 without a series.
    double valueResolution() const;

    const analysis::Series *m_series = nullptr;
    Limits m_limits;
    Prefix m_prefix;
    Range m_view;
    bool m_autoTime = true;
    bool m_autoValue = true;
    int m_drawnColumns = 0;
    bool m_redrawQueued = false;
    bool m_stale = false;

    QValueAxis *m_timeAxis = nullptr;
    QValueAxis *m_valueAxis = nullptr;
    QLineSeries *m_line = nullptr;
    QScatterSeries *m_outside = nullptr;
    QLineSeries *m_upper = nullptr;
    QLineSeries *m_lower = nullptr;

    QRubberBand *m_band = nullptr;
    QPoint m_pressedAt;
    Range m_pressedView;
    bool m_panning = false;
};

} // namespace pelmix::ui
