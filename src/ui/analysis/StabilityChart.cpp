#include "StabilityChart.h"

#include "ChartParts.h"

#include "analysis/NoiseType.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsPathItem>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPainterPath>

#include <cmath>
#include <map>

namespace pelmix::ui {

namespace {

// The half-width of a bar's caps on the logarithmic tau axis.
constexpr double CapRatio = 1.06;

bool plotted(const analysis::StabilityPoint &p)
{
    return p.value > 0 && std::isfinite(p.value);
}

} // namespace

QColor StabilityChart::colourOf(analysis::Deviation kind)
{
    switch (kind) {
    case analysis::Deviation::Adev:
        return {0x2a, 0x8a, 0x3a};
    case analysis::Deviation::Oadev:
        return {0x1f, 0x5f, 0xa8};
    case analysis::Deviation::Mdev:
        return {0xd0, 0x70, 0x10};
    case analysis::Deviation::Tdev:
        return {0x80, 0x30, 0xa0};
    case analysis::Deviation::Hdev:
        return {0xa0, 0x20, 0x30};
    case analysis::Deviation::Ohdev:
        return {0x10, 0x90, 0x90};
    case analysis::Deviation::Totdev:
        return {0x60, 0x60, 0x60};
    }
    return Qt::black;
}

StabilityChart::StabilityChart(QChartView &view)
    : QObject(&view)
    , m_view(view)
{
    QChart *chart = newChart(view);
    m_tauAxis = new QLogValueAxis(chart);
    m_tauAxis->setTitleText(tr("Averaging time \u03c4 (s)"));
    m_fractionAxis = new QLogValueAxis(chart);
    // Short, so that it fits a small chart: sigma_y(tau), fractional.
    m_fractionAxis->setTitleText(tr("\u03c3(\u03c4)"));
    m_timeAxis = new QLogValueAxis(chart);
    m_timeAxis->setTitleText(tr("TDEV / s"));
    for (QLogValueAxis *axis : {m_tauAxis, m_fractionAxis, m_timeAxis}) {
        axis->setLabelFormat(QStringLiteral("%.0e"));
        axis->setMinorTickCount(8);
    }
    m_tauAxis->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(m_tauAxis, Qt::AlignBottom);
    chart->addAxis(m_fractionAxis, Qt::AlignLeft);
    chart->addAxis(m_timeAxis, Qt::AlignRight);
    showChart(view, chart);
    connect(chart, &QChart::plotAreaChanged, this, [this] { placeLabels(); });
}

QLineSeries *StabilityChart::line(std::size_t index)
{
    while (m_lines.size() <= index) {
        auto *series = new QLineSeries(m_view.chart());
        series->setPointsVisible(true);
        series->setMarkerSize(6);
        m_view.chart()->addSeries(series);
        m_lines.push_back(series);
    }
    return m_lines[index];
}

void StabilityChart::attach(QLineSeries &series, QLogValueAxis &valueAxis)
{
    // Attaching lays the chart out anew: only when the axis changes.
    const QList<QAbstractAxis *> attached = series.attachedAxes();
    if (attached.contains(&valueAxis) && attached.contains(m_tauAxis))
        return;
    for (QAbstractAxis *axis : attached)
        series.detachAxis(axis);
    series.attachAxis(m_tauAxis);
    series.attachAxis(&valueAxis);
}

void StabilityChart::draw(std::span<const analysis::StabilityCurve> curves)
{
    QChart *chart = m_view.chart();
    for (const Label &label : m_labels)
        delete label.item;
    m_labels.clear();
    for (const Bars &bars : m_bars)
        delete bars.item;
    m_bars.clear();
    double tauLow = INFINITY, tauHigh = 0;
    double fractionLow = INFINITY, fractionHigh = 0, timeLow = INFINITY, timeHigh = 0;
    bool anyTime = false;
    struct Top
    {
        QString noise;
        QPointF at;
        QLineSeries *series = nullptr;
    };
    std::map<qint64, Top> tops;
    std::size_t index = 0;
    for (const analysis::StabilityCurve &curve : curves) {
        const bool time = analysis::isTimeDeviation(curve.kind);
        QLogValueAxis *axis = time ? m_timeAxis : m_fractionAxis;
        double &low = time ? timeLow : fractionLow;
        double &high = time ? timeHigh : fractionHigh;
        anyTime = anyTime || time;
        QLineSeries *series = line(index++);
        attach(*series, *axis);
        series->setName(QString(analysis::deviationLabel(curve.kind)));
        series->setPen(QPen(colourOf(curve.kind), 1.5));
        series->setVisible(true);
        QList<QPointF> points;
        // The bars are drawn over the chart, not as series of their own: a series each
        // would cost the window's thread a layout per bar.
        auto *path = new QGraphicsPathItem(chart);
        path->setPen(QPen(colourOf(curve.kind), 1));
        Bars bars{path, series, {}};
        for (const analysis::StabilityPoint &p : curve.points) {
            if (!plotted(p))
                continue;
            points.append({p.tau, p.value});
            tauLow = std::min(tauLow, p.tau);
            tauHigh = std::max(tauHigh, p.tau);
            const double bottom = std::isfinite(p.low) ? p.low : p.value;
            const double top = std::isfinite(p.high) ? p.high : p.value;
            low = std::min(low, bottom);
            high = std::max(high, top);
            if (std::isfinite(p.low) && std::isfinite(p.high))
                bars.intervals.push_back({p.tau, bottom, top});
            // One noise label a factor, above its highest bar: the kinds name the same
            // noise but where few averages remain.
            if (p.alpha) {
                auto &above = tops[p.m];
                if (!above.series || top > above.at.y())
                    above = {analysis::noiseLabel(p), QPointF(p.tau, top), series};
            }
        }
        series->replace(points);
        m_bars.push_back(std::move(bars));
    }
    QFont font = m_view.font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    for (const auto &[m, top] : tops) {
        auto *text = new QGraphicsSimpleTextItem(top.noise, chart);
        text->setFont(font);
        text->setBrush(QColor(0x40, 0x40, 0x40));
        m_labels.push_back({text, top.at, top.series});
    }
    for (; index < m_lines.size(); ++index) {
        m_lines[index]->clear();
        m_lines[index]->setVisible(false);
    }
    if (tauHigh > 0) {
        setDecadeRange(*m_tauAxis, tauLow, tauHigh * CapRatio * CapRatio);
    } else {
        setDecadeRange(*m_tauAxis, 1, 10);
    }
    setDecadeRange(*m_fractionAxis, fractionHigh > 0 ? fractionLow : 1e-12,
                   fractionHigh > 0 ? fractionHigh : 1e-9);
    setDecadeRange(*m_timeAxis, timeHigh > 0 ? timeLow : 1e-12, timeHigh > 0 ? timeHigh : 1e-9);
    m_timeAxis->setVisible(anyTime);
    placeLabels();
}

QStringList StabilityChart::noiseLabels() const
{
    QStringList texts;
    for (const Label &label : m_labels)
        texts << label.item->text();
    return texts;
}

void StabilityChart::placeLabels()
{
    QChart *chart = m_view.chart();
    for (const Bars &bars : m_bars) {
        // An I-beam per interval: the bottom cap, up the middle, the top cap.
        QPainterPath path;
        for (const Interval &i : bars.intervals) {
            auto at = [&](double tau, double y) {
                return chart->mapToPosition(QPointF(tau, y), bars.series);
            };
            const double left = i.tau / CapRatio, right = i.tau * CapRatio;
            path.moveTo(at(left, i.low));
            path.lineTo(at(right, i.low));
            path.moveTo(at(i.tau, i.low));
            path.lineTo(at(i.tau, i.high));
            path.moveTo(at(left, i.high));
            path.lineTo(at(right, i.high));
        }
        bars.item->setPath(path);
    }
    // In a narrow chart neighbouring labels would print over each other: one that would
    // touch the last shown is left out (the table still names its noise).
    QRectF shown;
    for (const Label &label : m_labels) {
        const QPointF at = chart->mapToPosition(label.at, label.series);
        const QRectF box = label.item->boundingRect();
        label.item->setPos(at + QPointF(-box.width() / 2, -box.height() - 6));
        const QRectF placed = label.item->sceneBoundingRect();
        const bool visible = chart->plotArea().contains(at) && !placed.intersects(shown);
        label.item->setVisible(visible);
        if (visible)
            shown = placed.adjusted(-2, 0, 2, 0);
    }
}

} // namespace pelmix::ui
