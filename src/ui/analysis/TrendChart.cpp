#include "TrendChart.h"

#include "ChartParts.h"
#include "Decimation.h"

#include "analysis/Series.h"

#include <QKeyEvent>
#include <QLineSeries>
#include <QRubberBand>
#include <QScatterSeries>
#include <QTimer>
#include <QValueAxis>

#include <cmath>
#include <utility>

namespace pelmix::ui {

namespace {

constexpr double ZoomStep = 0.5;
constexpr double PanStep = 0.1;
constexpr double WheelStep = 0.8;

QLineSeries *limitLine(QChart *chart)
{
    auto *line = new QLineSeries(chart);
    QPen pen(QColor(0xb0, 0x20, 0x20));
    pen.setStyle(Qt::DashLine);
    pen.setWidthF(1.5);
    line->setPen(pen);
    return line;
}

} // namespace

TrendChart::TrendChart(QWidget *parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("chtTrend"));
    setAccessibleName(tr("Trend chart"));
    setAccessibleDescription(
        tr("The values against time. Plus and minus zoom the time axis, with Control the value "
           "axis; the arrow keys pan; Home fits the chart to the readings."));
    setToolTip(tr("Drag to pan, wheel to zoom time (Shift: values), Shift and drag to zoom to "
                  "a rectangle, double-click to fit.\nKeys: + and - zoom, arrows pan, Home fits."));
    setFocusPolicy(Qt::StrongFocus);
    setRenderHint(QPainter::Antialiasing);

    QChart *chart = newChart(*this);
    m_line = new QLineSeries(chart);
    m_line->setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 1.2));
    m_outside = new QScatterSeries(chart);
    m_outside->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    m_outside->setMarkerSize(7);
    m_outside->setColor(QColor(0xd0, 0x20, 0x20));
    m_outside->setBorderColor(QColor(0xd0, 0x20, 0x20));
    m_upper = limitLine(chart);
    m_lower = limitLine(chart);

    m_timeAxis = new QValueAxis(chart);
    m_timeAxis->setTitleText(tr("Time since the first reading (s)"));
    m_valueAxis = new QValueAxis(chart);
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    for (QXYSeries *series :
         {static_cast<QXYSeries *>(m_line), static_cast<QXYSeries *>(m_upper),
          static_cast<QXYSeries *>(m_lower), static_cast<QXYSeries *>(m_outside)}) {
        chart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_valueAxis);
    }
    showChart(*this, chart);

    // The columns follow the plot area; its size settles after the labels are laid out,
    // so the redraw waits for the layout to finish.
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        if (m_redrawQueued || columns() == m_drawnColumns)
            return;
        m_redrawQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_redrawQueued = false;
            redraw();
        });
    });
    redraw();
}

void TrendChart::setSeries(const analysis::Series *series)
{
    m_series = series;
    m_autoTime = m_autoValue = true;
    redraw();
}

void TrendChart::setLimits(const Limits &limits)
{
    m_limits = limits;
    redraw();
}

void TrendChart::refresh()
{
    // A chart on a hidden tab catches up when it is shown.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    // New readings are later than everything before: only a view that follows them, or
    // one that reaches past the last reading drawn, changes.
    if (!m_series || m_series->isEmpty())
        return redraw();
    const double last = m_series->at(m_series->size() - 1).elapsed - m_series->at(0).elapsed;
    if (m_autoTime || m_view.right >= last || m_line->count() == 0)
        redraw();
}

void TrendChart::showEvent(QShowEvent *event)
{
    QChartView::showEvent(event);
    if (std::exchange(m_stale, false))
        redraw();
}

void TrendChart::autoscale()
{
    m_autoTime = m_autoValue = true;
    redraw();
}

void TrendChart::zoom(double timeFactor, double valueFactor, QPointF centre)
{
    // Never closer than a span the axis labels can still tell apart.
    auto scaled = [](double &low, double &high, double centreAt, double factor) {
        const double span = (high - low) * factor;
        if (factor < 1 && span < 1e-12 * std::max(1.0, std::fabs(centreAt)))
            return;
        low = centreAt - (centreAt - low) * factor;
        high = centreAt + (high - centreAt) * factor;
    };
    if (timeFactor != 1) {
        scaled(m_view.left, m_view.right, centre.x(), timeFactor);
        m_autoTime = false;
    }
    if (valueFactor != 1) {
        scaled(m_view.bottom, m_view.top, centre.y(), valueFactor);
        m_autoValue = false;
    }
    redraw();
}

void TrendChart::pan(double timeFraction, double valueFraction)
{
    if (timeFraction != 0) {
        const double shift = timeFraction * (m_view.right - m_view.left);
        m_view.left += shift;
        m_view.right += shift;
        m_autoTime = false;
    }
    if (valueFraction != 0) {
        const double shift = valueFraction * (m_view.top - m_view.bottom);
        m_view.bottom += shift;
        m_view.top += shift;
        m_autoValue = false;
    }
    redraw();
}

void TrendChart::zoomTo(const Range &range)
{
    if (!(range.right > range.left) || !(range.top > range.bottom))
        return;
    m_view = range;
    m_autoTime = m_autoValue = false;
    redraw();
}

int TrendChart::columns() const
{
    return std::max(1, int(chart()->plotArea().width() * devicePixelRatioF()));
}

void TrendChart::redraw()
{
    m_stale = false;
    const bool hasValues = m_series && m_series->statistics().count() > 0;
    if (!hasValues) {
        m_prefix = {};
        m_line->clear();
        m_outside->clear();
        m_view = {};
    } else {
        const analysis::RunningStatistics &statistics = m_series->statistics();
        const Prefix prefix =
            prefixFor(std::max(std::fabs(statistics.min()), std::fabs(statistics.max())),
                      pelmix::modeInfo(m_series->setup().mode).unit);
        // A manual value range in the old unit means nothing in the new one.
        if (prefix.factor != m_prefix.factor)
            m_autoValue = true;
        m_prefix = prefix;
        const double origin = m_series->at(0).elapsed;
        if (m_autoTime) {
            const double last = m_series->at(m_series->size() - 1).elapsed - origin;
            m_view.left = last > 0 ? 0 : -0.5;
            m_view.right = last > 0 ? last : 0.5;
        }
        m_drawnColumns = columns();
        const Envelope envelope = decimate(*m_series, {m_view.left, m_view.right, m_drawnColumns,
                                                       origin, m_prefix.factor, m_limits});
        m_line->replace(envelope.line);
        m_outside->replace(envelope.outside);
        if (m_autoValue && std::isfinite(envelope.low)) {
            // A flat series gets a few resolution steps, not a millionth of its value.
            const double span = envelope.high - envelope.low;
            const double margin = span > 0 ? span * 0.05 : 2 * valueResolution();
            m_view.bottom = envelope.low - margin;
            m_view.top = envelope.high + margin;
        }
    }
    m_valueAxis->setTitleText(m_series ? valueTitle(m_series->setup().mode, m_prefix)
                                       : tr("Value"));
    drawLimits();
    setNiceRange(*m_timeAxis, m_view.left, m_view.right);
    setNiceRange(*m_valueAxis, m_view.bottom, m_view.top, 5, valueResolution());
}

double TrendChart::valueResolution() const
{
    return m_series ? resolution(m_series->setup()) / m_prefix.factor : 0;
}

void TrendChart::drawLimits()
{
    auto draw = [this](QLineSeries *line, const std::optional<double> &limit) {
        if (!limit || !m_series) {
            line->clear();
            return;
        }
        const double y = *limit / m_prefix.factor;
        line->replace({QPointF(m_view.left, y), QPointF(m_view.right, y)});
    };
    draw(m_upper, m_limits.upper);
    draw(m_lower, m_limits.lower);
}

QPointF TrendChart::valueAt(QPoint viewportPosition) const
{
    const QPointF inChart = chart()->mapFromScene(mapToScene(viewportPosition));
    return chart()->mapToValue(inChart, m_line);
}

void TrendChart::keyPressEvent(QKeyEvent *event)
{
    const bool values = event->modifiers() & Qt::ControlModifier;
    const QPointF centre((m_view.left + m_view.right) / 2, (m_view.bottom + m_view.top) / 2);
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(values ? 1 : ZoomStep, values ? ZoomStep : 1, centre);
        break;
    case Qt::Key_Minus:
        zoom(values ? 1 : 1 / ZoomStep, values ? 1 / ZoomStep : 1, centre);
        break;
    case Qt::Key_Left:
        pan(-PanStep, 0);
        break;
    case Qt::Key_Right:
        pan(PanStep, 0);
        break;
    case Qt::Key_Up:
        pan(0, PanStep);
        break;
    case Qt::Key_Down:
        pan(0, -PanStep);
        break;
    case Qt::Key_Home:
        autoscale();
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TrendChart::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    const double factor = std::pow(WheelStep, steps);
    const bool values = event->modifiers() & Qt::ShiftModifier;
    zoom(values ? 1 : factor, values ? factor : 1, valueAt(event->position().toPoint()));
    event->accept();
}

void TrendChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QChartView::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    m_pressedAt = event->position().toPoint();
    m_pressedView = m_view;
    if (event->modifiers() & Qt::ShiftModifier) {
        if (!m_band)
            m_band = new QRubberBand(QRubberBand::Rectangle, viewport());
        m_band->setGeometry(QRect(m_pressedAt, QSize()));
        m_band->show();
    } else {
        m_panning = true;
        setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}

void TrendChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_band && m_band->isVisible()) {
        m_band->setGeometry(QRect(m_pressedAt, at).normalized());
    } else if (m_panning) {
        const QRectF plot = chart()->plotArea();
        const QPoint moved = at - m_pressedAt;
        const Range &from = m_pressedView;
        const double dx = moved.x() / plot.width() * (from.right - from.left);
        const double dy = moved.y() / plot.height() * (from.top - from.bottom);
        m_view = {from.left - dx, from.right - dx, from.bottom + dy, from.top + dy};
        m_autoTime = m_autoValue = false;
        redraw();
    } else {
        return QChartView::mouseMoveEvent(event);
    }
    event->accept();
}

void TrendChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QChartView::mouseReleaseEvent(event);
    if (m_band && m_band->isVisible()) {
        m_band->hide();
        const QRect area = m_band->geometry();
        if (area.width() > 3 && area.height() > 3) {
            const QPointF a = valueAt(area.topLeft());
            const QPointF b = valueAt(area.bottomRight());
            zoomTo({std::min(a.x(), b.x()), std::max(a.x(), b.x()), std::min(a.y(), b.y()),
                    std::max(a.y(), b.y())});
        }
    }
    m_panning = false;
    unsetCursor();
    event->accept();
}

void TrendChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QChartView::mouseDoubleClickEvent(event);
    autoscale();
    event->accept();
}

} // namespace pelmix::ui
