#include "StabilityView.h"

#include "Quantity.h"
#include "StabilityChart.h"
#include "TableCopy.h"

#include "analysis/Allan.h"
#include "analysis/NoiseType.h"
#include "analysis/Series.h"

#include <QChartView>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <cmath>

namespace pelmix::ui {

namespace {

enum Column { Kind, Factor, Tau, Terms, Noise, Value, Low, High, Columns };

QString figure(double value, bool time)
{
    if (!std::isfinite(value))
        return QStringLiteral("\u2013");
    return time ? formatSignificant(value, QLatin1String("s"), 4) : QString::number(value, 'e', 3);
}

} // namespace

StabilityView::Outcome StabilityView::compute(SeriesKey key,
                                              std::optional<analysis::Measured> measured,
                                              const analysis::Series::Snapshot &readings,
                                              std::optional<double> nominal)
{
    const std::vector<double> values = readings.values();
    const std::vector<double> elapsed = readings.elapsed();
    Outcome outcome;
    outcome.key = key;
    outcome.computed = true;
    outcome.measured = measured;
    outcome.count = qsizetype(values.size());
    outcome.tau0 = analysis::medianSpacing(elapsed);
    if (!measured || values.size() < 2 || !(outcome.tau0 > 0))
        return outcome;
    const analysis::PhaseData data = analysis::phaseData(*measured, values, outcome.tau0, nominal);
    outcome.nominal = data.nominal;
    outcome.nominalTyped = data.nominalTyped;
    const std::vector<qint64> factors =
        analysis::octaveFactors(analysis::plotFactorLimit(qint64(values.size())));
    outcome.curves = analysis::stability(data, analysis::AllDeviations, factors);
    return outcome;
}

StabilityView::StabilityView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pgStability"));

    // Two rows of choices keep the window narrow enough for a small screen at scale 2.
    auto *choices = new QGridLayout;
    choices->setContentsMargins(0, 0, 0, 0);
    int index = 0;
    for (const analysis::Deviation kind : analysis::AllDeviations) {
        const QString label = QString(analysis::deviationLabel(kind));
        auto *box = new QCheckBox(label, this);
        box->setObjectName(u"chk"_qs + label);
        box->setChecked(kind == analysis::Deviation::Oadev || kind == analysis::Deviation::Mdev);
        box->setAccessibleName(tr("Plot %1").arg(label));
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, StabilityChart::colourOf(kind));
        box->setPalette(palette);
        connect(box, &QCheckBox::toggled, this, [this] { draw(); });
        choices->addWidget(box, index / 4, index % 4);
        m_choices.push_back(box);
        ++index;
    }
    m_nominal = new QLineEdit(this);
    m_nominal->setObjectName(QStringLiteral("txtNominal"));
    m_nominal->setAccessibleName(tr("Nominal"));
    m_nominal->setPlaceholderText(tr("mean"));
    m_nominal->setToolTip(tr("The nominal frequency (a period for a period series) that "
                             "fractional frequency is taken against; empty for the mean."));
    auto *nominalLabel = new QLabel(tr("&Nominal:"), this);
    nominalLabel->setBuddy(m_nominal);
    connect(m_nominal, &QLineEdit::editingFinished, this, [this] { takeNominal(); });
    auto *nominalRow = new QHBoxLayout;
    nominalRow->addWidget(nominalLabel);
    nominalRow->addWidget(m_nominal, 1);
    auto *controls = new QHBoxLayout;
    controls->addLayout(choices);
    controls->addStretch(1);
    controls->addLayout(nominalRow);

    m_view = new QChartView(this);
    m_view->setObjectName(QStringLiteral("chtStability"));
    m_view->setAccessibleName(tr("Stability chart"));
    m_view->setAccessibleDescription(
        tr("The chosen deviations against the averaging time, both axes logarithmic, with "
           "confidence intervals and the noise type at each point; the table below holds "
           "the same numbers."));
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_chart = new StabilityChart(*m_view);
    // Room for the axes, their titles and a few decades between them at any scale.
    m_view->setMinimumHeight(12 * fontMetrics().height());

    m_against = new QLabel(this);
    m_against->setObjectName(QStringLiteral("lblNominal"));
    m_against->setWordWrap(true);

    m_table = new QTableWidget(0, Columns, this);
    m_table->setObjectName(QStringLiteral("tblStability"));
    m_table->setAccessibleName(tr("Deviations by averaging time"));
    m_table->setHorizontalHeaderLabels({tr("Deviation"), tr("m"), tr("\u03c4"), tr("Terms"),
                                        tr("Noise"), tr("Value"), tr("Low"), tr("High")});
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setMinimumSectionSize(0);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);
    enableCopy(*m_table);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblStabilityNote"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_note->setFocusPolicy(Qt::StrongFocus);
    m_note->setAccessibleName(tr("About these deviations"));
    m_saveTable = new QPushButton(tr("Sav&e Table\u2026"), this);
    m_saveTable->setObjectName(QStringLiteral("cmdSaveTable"));
    m_saveTable->setToolTip(tr("Save the table as CSV"));
    connect(m_saveTable, &QPushButton::clicked, this, &StabilityView::saveTableRequested);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splStability"));
    splitter->addWidget(m_view);
    splitter->addWidget(m_table);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_note, 1);
    bottom->addWidget(m_saveTable, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(m_against);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    draw();
}

QString StabilityView::note() const
{
    return m_note->text();
}

std::optional<double> StabilityView::nominal() const
{
    if (m_nominalEpoch != m_key.epoch || !m_nominals.contains(m_key.index))
        return std::nullopt;
    return m_nominals.value(m_key.index);
}

void StabilityView::showSeries(const analysis::Series *series, SeriesKey key)
{
    m_series = series;
    if (!(m_key == key)) {
        m_key = key;
        if (m_nominalEpoch != key.epoch) {
            m_nominals.clear();
            m_nominalEpoch = key.epoch;
        }
        const auto typed = nominal();
        const QLatin1String unit =
            series ? pelmix::modeInfo(series->setup().mode).unit : QLatin1String();
        m_nominal->setText(typed ? formatSignificant(*typed, unit, 12) : QString());
    }
    if (!series || !(m_shown.key == key)) {
        m_shown = {};
        m_shown.key = key;
        draw();
    }
    requestIfStale();
}

void StabilityView::takeNominal()
{
    if (!m_series)
        return;
    bool ok = false;
    const auto value =
        parseQuantity(m_nominal->text(), pelmix::modeInfo(m_series->setup().mode).unit, &ok);
    if (!ok)
        return;
    if (value && *value != 0)
        m_nominals.insert(m_key.index, *value);
    else
        m_nominals.remove(m_key.index);
    m_nominalEpoch = m_key.epoch;
    emit nominalChanged();
    requestIfStale();
}

void StabilityView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    requestIfStale();
}

void StabilityView::requestIfStale()
{
    if (!isVisible() || !m_series || !analysis::measuredOf(m_series->setup().mode) ||
        (m_requestedKey == m_key && m_requestedSize == m_series->size() &&
         m_requestedNominal == nominal()))
        return;
    // The snapshot is taken when the work starts, so it holds the readings of that moment;
    // it shares them, and the worker copies out the values.
    m_job.request([this] {
        m_requestedKey = m_key;
        m_requestedSize = m_series ? m_series->size() : -1;
        m_requestedNominal = nominal();
        if (!m_series) {
            Outcome none;
            none.key = m_key;
            return QtFuture::makeReadyFuture(none);
        }
        return QtConcurrent::run(&StabilityView::compute, m_key,
                                 analysis::measuredOf(m_series->setup().mode), m_series->snapshot(),
                                 nominal());
    });
}

void StabilityView::display(const Outcome &outcome)
{
    if (!(outcome.key == m_key)) {
        m_requestedSize = -1;
        return requestIfStale();
    }
    m_shown = outcome;
    draw();
}

std::vector<analysis::StabilityCurve> StabilityView::chosen() const
{
    std::vector<analysis::StabilityCurve> curves;
    for (const analysis::StabilityCurve &curve : m_shown.curves) {
        const auto at = std::size_t(curve.kind);
        if (at < m_choices.size() && m_choices[at]->isChecked())
            curves.push_back(curve);
    }
    return curves;
}

void StabilityView::draw()
{
    m_chart->draw(chosen());
    const bool hasStability = m_series && analysis::measuredOf(m_series->setup().mode);
    m_nominal->setEnabled(hasStability && m_shown.measured != analysis::Measured::Phase);
    if (!m_series)
        m_note->setText(tr("No readings yet."));
    else if (!hasStability)
        m_note->setText(tr("%1 readings have no frequency stability: it is shown for "
                           "frequency, period and time interval series.")
                            .arg(quantityName(m_series->setup().mode)));
    else if (!m_shown.computed)
        m_note->setText(tr("Computing\u2026"));
    else if (m_shown.curves.empty())
        m_note->setText(
            m_shown.count < 2
                ? tr("The stability needs at least two readings.")
                : tr("The readings' times do not advance: there is no averaging time."));
    else
        m_note->setText(
            tr("\u03c4 = m \u03c4\u2080 with \u03c4\u2080 = %1, the median spacing of the "
               "readings (%2 values; gaps left out). Bars: %3 % confidence for the noise type "
               "beside each point; in parentheses, assumed: too few averages to identify it. "
               "Dead time between readings biases these deviations.")
                .arg(formatSignificant(m_shown.tau0, QLatin1String("s"), 4))
                .arg(m_shown.count)
                .arg(100 * analysis::DefaultConfidence, 0, 'g', 3));
    QString against;
    if (m_shown.measured == analysis::Measured::Phase)
        against = tr("Phase data: the time interval is the time error, in seconds.");
    else if (std::isfinite(m_shown.nominal) && m_series)
        against = tr("Fractional frequency against the %1 %2.")
                      .arg(m_shown.nominalTyped ? tr("nominal") : tr("mean"),
                           formatSignificant(m_shown.nominal,
                                             pelmix::modeInfo(m_series->setup().mode).unit, 10));
    m_against->setText(against);
    fillTable();
}

void StabilityView::fillTable()
{
    const std::vector<analysis::StabilityCurve> curves = chosen();
    int rows = 0;
    for (const analysis::StabilityCurve &curve : curves)
        rows += int(curve.points.size());
    m_table->setRowCount(rows);
    int row = 0;
    for (const analysis::StabilityCurve &curve : curves) {
        const bool time = analysis::isTimeDeviation(curve.kind);
        for (const analysis::StabilityPoint &p : curve.points) {
            const QString texts[Columns] = {QString(analysis::deviationLabel(curve.kind)),
                                            QString::number(p.m),
                                            formatSignificant(p.tau, QLatin1String("s"), 4),
                                            QString::number(p.terms),
                                            p.alpha ? analysis::noiseLabel(p) : u"\u2013"_qs,
                                            figure(p.value, time),
                                            figure(p.low, time),
                                            figure(p.high, time)};
            for (int column = 0; column < Columns; ++column) {
                auto *item = new QTableWidgetItem(texts[column]);
                item->setTextAlignment((column == Kind ? Qt::AlignLeft : Qt::AlignRight) |
                                       Qt::AlignVCenter);
                m_table->setItem(row, column, item);
            }
            ++row;
        }
    }
}

} // namespace pelmix::ui
