#include "AllanView.h"

#include "ChartParts.h"
#include "Quantity.h"

#include "analysis/Series.h"

#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

namespace pelmix::ui {

namespace {

const QColor OadevColour(0x1f, 0x5f, 0xa8);
const QColor MdevColour(0xd0, 0x70, 0x10);
// The half-width of an error bar's caps on the logarithmic tau axis.
constexpr double CapRatio = 1.06;

enum Column { Factor, Tau, Oadev, OadevError, OadevTerms, Mdev, MdevError, MdevTerms, Columns };

QLineSeries *deviationLine(QChart *chart, const QString &name, const QColor &colour)
{
    auto *line = new QLineSeries(chart);
    line->setName(name);
    line->setPen(QPen(colour, 1.5));
    line->setPointsVisible(true);
    line->setMarkerSize(5);
    return line;
}

} // namespace

AllanView::Outcome AllanView::compute(SeriesKey key, pelmix::Mode mode, std::vector<double> values,
                                      std::vector<double> elapsed)
{
    Outcome outcome{key, mode, true, qsizetype(values.size()), analysis::medianSpacing(elapsed),
                    {}};
    if (values.size() < 2 || !(outcome.tau0 > 0))
        return outcome;
    const std::vector<qint64> factors =
        analysis::octaveFactors(analysis::plotFactorLimit(qint64(values.size())));
    outcome.points = analysis::allanDeviations(values, outcome.tau0, factors);
    return outcome;
}

AllanView::AllanView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pgAllan"));

    m_view = new QChartView(this);
    m_view->setObjectName(QStringLiteral("chtAllan"));
    m_view->setAccessibleName(tr("Allan deviation chart"));
    m_view->setAccessibleDescription(
        tr("The overlapping and the modified Allan deviation against the averaging time, both "
           "axes logarithmic; the table below holds the same numbers."));
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setRenderHint(QPainter::Antialiasing);
    QChart *chart = newChart(*m_view);
    chart->legend()->show();
    chart->legend()->setAlignment(Qt::AlignTop);
    m_oadev = deviationLine(chart, tr("Overlapping Allan deviation"), OadevColour);
    m_mdev = deviationLine(chart, tr("Modified Allan deviation"), MdevColour);
    m_tauAxis = new QLogValueAxis(chart);
    m_tauAxis->setTitleText(tr("Averaging time \u03c4 (s)"));
    m_deviationAxis = new QLogValueAxis(chart);
    for (QLogValueAxis *axis : {m_tauAxis, m_deviationAxis}) {
        axis->setLabelFormat(QStringLiteral("%g"));
        axis->setMinorTickCount(8);
    }
    chart->addAxis(m_tauAxis, Qt::AlignBottom);
    chart->addAxis(m_deviationAxis, Qt::AlignLeft);
    for (QLineSeries *line : {m_oadev, m_mdev}) {
        chart->addSeries(line);
        line->attachAxis(m_tauAxis);
        line->attachAxis(m_deviationAxis);
    }
    showChart(*m_view, chart);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblAllanNote"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_note->setFocusPolicy(Qt::StrongFocus);
    m_note->setAccessibleName(tr("About these deviations"));

    m_table = new QTableWidget(0, Columns, this);
    m_table->setObjectName(QStringLiteral("tblAllan"));
    m_table->setAccessibleName(tr("Allan deviations by averaging time"));
    m_table->setHorizontalHeaderLabels({tr("Factor"), tr("\u03c4"), tr("OADEV"), tr("\u00b1 OADEV"),
                                        tr("Terms"), tr("MDEV"), tr("\u00b1 MDEV"), tr("Terms")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splAllan"));
    splitter->addWidget(m_view);
    splitter->addWidget(m_table);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_note);
    draw();
}

QString AllanView::note() const
{
    return m_note->text();
}

void AllanView::showSeries(const analysis::Series *series, SeriesKey key)
{
    m_series = series;
    m_key = key;
    if (!series || !(m_shown.key == key)) {
        m_shown = {};
        m_shown.mode = series ? series->setup().mode : pelmix::Mode::Frequency;
        m_shown.key = key;
        draw();
    }
    requestIfStale();
}

void AllanView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    requestIfStale();
}

void AllanView::requestIfStale()
{
    if (!isVisible() || !m_series || !hasAllanDeviation(m_series->setup().mode) ||
        (m_requestedKey == m_key && m_requestedSize == m_series->size()))
        return;
    // The copies are taken when the work starts, so they hold the readings of that moment.
    m_job.request([this] {
        m_requestedKey = m_key;
        m_requestedSize = m_series ? m_series->size() : -1;
        if (!m_series) {
            Outcome none;
            none.key = m_key;
            return QtFuture::makeReadyFuture(none);
        }
        return QtConcurrent::run(&AllanView::compute, m_key, m_series->setup().mode,
                                 m_series->values(), m_series->elapsed());
    });
}

void AllanView::display(const Outcome &outcome)
{
    if (!(outcome.key == m_key)) {
        m_requestedSize = -1;
        return requestIfStale();
    }
    m_shown = outcome;
    draw();
}

void AllanView::draw()
{
    const QLatin1String unit = pelmix::modeInfo(m_shown.mode).unit;
    QList<QPointF> oadev;
    QList<QPointF> mdev;
    struct Bar
    {
        QPointF from;
        QPointF to;
        QColor colour;
    };
    std::vector<Bar> bars;
    double low = std::numeric_limits<double>::infinity();
    double high = 0;
    for (const analysis::AllanPoint &p : m_shown.points)
        high = std::max({high, p.oadev + p.oadevError(), p.mdev + p.mdevError()});
    const Prefix prefix = prefixFor(high, unit);
    auto add = [&](QList<QPointF> &line, double tau, double deviation, double error,
                   const QColor &colour) {
        if (!(deviation > 0) || !std::isfinite(deviation))
            return;
        // A bar that would reach zero stops short of it: a log axis has no zero.
        const double bottom = std::max(deviation - error, deviation * 0.05) / prefix.factor;
        const double top = (deviation + error) / prefix.factor;
        line.append(QPointF(tau, deviation / prefix.factor));
        bars.push_back({QPointF(tau, bottom), QPointF(tau, top), colour});
        low = std::min(low, bottom);
    };
    for (const analysis::AllanPoint &p : m_shown.points) {
        add(oadev, p.tau, p.oadev, p.oadevError(), OadevColour);
        add(mdev, p.tau, p.mdev, p.mdevError(), MdevColour);
    }
    m_oadev->replace(oadev);
    m_mdev->replace(mdev);

    QChart *chart = m_view->chart();
    while (m_bars.size() < bars.size()) {
        auto *bar = new QLineSeries(chart);
        chart->addSeries(bar);
        bar->attachAxis(m_tauAxis);
        bar->attachAxis(m_deviationAxis);
        for (QLegendMarker *marker : chart->legend()->markers(bar))
            marker->setVisible(false);
        m_bars.push_back(bar);
    }
    std::size_t next = 0;
    for (const Bar &bar : bars) {
        // An I-beam in one line: the bottom cap, up the middle, the top cap.
        const double tau = bar.from.x();
        const double left = tau / CapRatio;
        const double right = tau * CapRatio;
        const double bottom = bar.from.y();
        const double top = bar.to.y();
        m_bars[next]->setPen(QPen(bar.colour, 1));
        m_bars[next]->replace({{left, bottom},
                               {right, bottom},
                               {tau, bottom},
                               {tau, top},
                               {left, top},
                               {right, top}});
        ++next;
    }
    for (; next < m_bars.size(); ++next)
        m_bars[next]->clear();

    if (!oadev.isEmpty() || !mdev.isEmpty()) {
        const double shortest = m_shown.points.front().tau;
        const double longest = m_shown.points.back().tau;
        setDecadeRange(*m_tauAxis, shortest, longest);
        setDecadeRange(*m_deviationAxis, low, high / prefix.factor);
    } else {
        setDecadeRange(*m_tauAxis, 1, 10);
        setDecadeRange(*m_deviationAxis, 1, 10);
    }
    const QString deviationUnit = prefix.symbol + unit;
    m_deviationAxis->setTitleText(
        deviationUnit.isEmpty() ? tr("Deviation") : tr("Deviation (%1)").arg(deviationUnit));

    if (!m_series)
        m_note->setText(tr("No readings yet."));
    else if (!hasAllanDeviation(m_series->setup().mode))
        m_note->setText(tr("The Allan deviations are shown for frequency and period series."));
    else if (!m_shown.computed)
        m_note->setText(tr("Computing\u2026"));
    else if (m_shown.points.empty())
        m_note->setText(
            m_shown.count < 2
                ? tr("The Allan deviations need at least two readings.")
                : tr("The readings' times do not advance: there is no averaging time."));
    else
        m_note->setText(
            tr("\u03c4 is the averaging factor times \u03c4\u2080 = %1, the median spacing of "
               "the readings' times (%2 values; gaps are left out). The time between readings "
               "that is not measured, the pause and the exchange with the counter, is dead "
               "time: it biases these deviations, so read them as estimates.")
                .arg(formatSignificant(m_shown.tau0, QLatin1String("s"), 4))
                .arg(m_shown.count));
    fillTable();
}

void AllanView::fillTable()
{
    const QLatin1String unit = pelmix::modeInfo(m_shown.mode).unit;
    m_table->setRowCount(int(m_shown.points.size()));
    int row = 0;
    for (const analysis::AllanPoint &p : m_shown.points) {
        const QString texts[Columns] = {QString::number(p.m),
                                        formatSignificant(p.tau, QLatin1String("s"), 4),
                                        formatSignificant(p.oadev, unit),
                                        formatSignificant(p.oadevError(), unit),
                                        QString::number(p.oadevTerms),
                                        formatSignificant(p.mdev, unit),
                                        formatSignificant(p.mdevError(), unit),
                                        QString::number(p.mdevTerms)};
        for (int column = 0; column < Columns; ++column) {
            auto *item = new QTableWidgetItem(texts[column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
        ++row;
    }
}

} // namespace pelmix::ui
