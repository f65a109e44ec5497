#include "HistogramChart.h"

#include "ChartParts.h"
#include "Quantity.h"

#include "analysis/Series.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QValueAxis>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

namespace pelmix::ui {

HistogramChart::HistogramChart(QWidget *parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("chtHistogram"));
    setAccessibleName(tr("Histogram"));
    setAccessibleDescription(tr("How many readings fall into each bin of values."));
    setFocusPolicy(Qt::StrongFocus);
    setRenderHint(QPainter::Antialiasing);

    QChart *chart = newChart(*this);
    m_outline = new QLineSeries(chart);
    m_area = new QAreaSeries(m_outline);
    m_area->setParent(chart);
    m_area->setBrush(QColor(0x1f, 0x5f, 0xa8, 0x90));
    m_area->setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 1));
    m_upper = new QLineSeries(chart);
    m_lower = new QLineSeries(chart);
    QPen limitPen(QColor(0xb0, 0x20, 0x20));
    limitPen.setStyle(Qt::DashLine);
    limitPen.setWidthF(1.5);
    m_upper->setPen(limitPen);
    m_lower->setPen(limitPen);

    m_valueAxis = new QValueAxis(chart);
    m_countAxis = new QValueAxis(chart);
    m_countAxis->setTitleText(tr("Readings"));
    chart->addAxis(m_valueAxis, Qt::AlignBottom);
    chart->addAxis(m_countAxis, Qt::AlignLeft);
    for (QAbstractSeries *series :
         {static_cast<QAbstractSeries *>(m_area), static_cast<QAbstractSeries *>(m_upper),
          static_cast<QAbstractSeries *>(m_lower)}) {
        chart->addSeries(series);
        series->attachAxis(m_valueAxis);
        series->attachAxis(m_countAxis);
    }
    showChart(*this, chart);
    draw();
}

void HistogramChart::showSeries(const analysis::Series *series, SeriesKey key)
{
    m_series = series;
    m_key = key;
    if (!series || !(m_shown.key == key)) {
        m_shown = {};
        draw();
    }
    requestIfStale();
}

void HistogramChart::setLimits(const Limits &limits)
{
    m_limits = limits;
    draw();
}

void HistogramChart::showEvent(QShowEvent *event)
{
    QChartView::showEvent(event);
    requestIfStale();
}

void HistogramChart::requestIfStale()
{
    if (!isVisible() || !m_series ||
        (m_requestedKey == m_key && m_requestedSize == m_series->size()))
        return;
    // The snapshot is taken when the work starts, so it has the readings of that moment;
    // the worker copies the values out of it.
    m_job.request([this] {
        m_requestedKey = m_key;
        m_requestedSize = m_series ? m_series->size() : -1;
        Outcome outcome{m_key,
                        m_series ? m_series->setup().mode : pelmix::Mode::Frequency,
                        m_series ? resolution(m_series->setup()) : 0,
                        {}};
        if (!m_series)
            return QtFuture::makeReadyFuture(outcome);
        return QtConcurrent::run(
            [outcome = std::move(outcome), readings = m_series->snapshot()]() mutable {
                outcome.histogram = analysis::histogram(readings.values());
                return outcome;
            });
    });
}

void HistogramChart::display(const Outcome &outcome)
{
    if (!(outcome.key == m_key)) {
        m_requestedSize = -1;
        return requestIfStale();
    }
    m_shown = outcome;
    draw();
}

void HistogramChart::draw()
{
    const analysis::Histogram &h = m_shown.histogram;
    if (h.counts.empty()) {
        m_outline->clear();
        m_upper->clear();
        m_lower->clear();
        chart()->setTitle(QString());
        m_valueAxis->setTitleText(tr("Value"));
        setNiceRange(*m_valueAxis, 0, 1);
        setNiceRange(*m_countAxis, 0, 1, 4);
        return;
    }
    std::vector<double> edges = h.edges;
    // All values equal: one bin of no width, drawn a resolution step wide.
    if (edges.back() == edges.front()) {
        const double half = m_shown.resolution > 0 ? m_shown.resolution / 2
                            : edges.front() != 0   ? std::fabs(edges.front()) * 1e-6
                                                   : 0.5;
        edges.front() -= half;
        edges.back() += half;
    }
    const QLatin1String unit = pelmix::modeInfo(m_shown.mode).unit;
    const Prefix prefix =
        prefixFor(std::max(std::fabs(edges.front()), std::fabs(edges.back())), unit);
    const double f = prefix.factor;
    QList<QPointF> outline;
    outline.reserve(qsizetype(2 * h.counts.size() + 2));
    outline.append(QPointF(edges.front() / f, 0));
    qint64 most = 0;
    for (std::size_t i = 0; i < h.counts.size(); ++i) {
        const auto count = double(h.counts[i]);
        outline.append(QPointF(edges[i] / f, count));
        outline.append(QPointF(edges[i + 1] / f, count));
        most = std::max(most, h.counts[i]);
    }
    outline.append(QPointF(edges.back() / f, 0));
    m_outline->replace(outline);

    const double low = edges.front() / f;
    const double high = edges.back() / f;
    const double pad = (high - low) * 0.03;
    const double top = std::max(5.0, double(most) * 1.08);
    m_valueAxis->setTitleText(valueTitle(m_shown.mode, prefix));
    setNiceRange(*m_valueAxis, low - pad, high + pad, 6, m_shown.resolution / f);
    setNiceRange(*m_countAxis, 0, top, 4);
    auto drawLimit = [&](QLineSeries *line, const std::optional<double> &limit) {
        if (limit)
            line->replace({QPointF(*limit / f, 0), QPointF(*limit / f, top)});
        else
            line->clear();
    };
    drawLimit(m_upper, m_limits.upper);
    drawLimit(m_lower, m_limits.lower);
    const double width = (h.edges.back() - h.edges.front()) / double(h.counts.size());
    const auto bins = qsizetype(h.counts.size());
    chart()->setTitle((bins == 1 ? tr("1 bin") : tr("%1 bins").arg(bins)) +
                      (width > 0 ? tr(" of %1").arg(formatSignificant(width, unit)) : QString()));
}

} // namespace pelmix::ui
