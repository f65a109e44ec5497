#include "StatisticsView.h"

#include "Quantity.h"

#include "analysis/PhaseData.h"
#include "analysis/Series.h"

#include <QHeaderView>

#include <cmath>

namespace pelmix::ui {

StatisticsView::StatisticsView(QWidget *parent)
    : QTableWidget(RowCount, 2, parent)
{
    setObjectName(QStringLiteral("tblStatistics"));
    setAccessibleName(tr("Statistics of the series"));
    setHorizontalHeaderLabels({tr("Statistic"), tr("Value")});
    verticalHeader()->hide();
    // Rows as tight as their text allows: every statistic and gap reason in view at once.
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const QString names[RowCount] = {tr("Count"),
                                     tr("Mean"),
                                     tr("Standard deviation"),
                                     tr("Minimum"),
                                     tr("Maximum"),
                                     tr("Peak-to-peak"),
                                     tr("Last value"),
                                     tr("Offset from nominal"),
                                     tr("Drift per day"),
                                     tr("Gaps: no reply"),
                                     tr("Gaps: unreadable"),
                                     tr("Gaps: overflow"),
                                     tr("Gaps: unconfirmed"),
                                     tr("Gaps: port lost"),
                                     tr("Gaps: stopped"),
                                     tr("Outside the limits")};
    for (int row = 0; row < RowCount; ++row) {
        setItem(row, 0, new QTableWidgetItem(names[row]));
        auto *value = new QTableWidgetItem;
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setItem(row, 1, value);
    }
    showSeries(nullptr, std::nullopt);
    setMinimumWidth(horizontalHeader()->sectionSize(0) +
                    fontMetrics().horizontalAdvance(QStringLiteral("10.00000000 MHz__")));
}

namespace {

// A fraction in parts per million or per billion, whichever reads better, with an error.
QString parts(double fraction, double error, const QString &per)
{
    if (!std::isfinite(fraction))
        return QStringLiteral("\u2013");
    const double size = std::max(std::fabs(fraction), std::isfinite(error) ? error : 0.0);
    // Beyond a thousandth, parts per million stop reading well: the fraction itself.
    const double scale = size >= 1e-3 ? 1 : size >= 1e-6 ? 1e6 : 1e9;
    const QString unit = (scale == 1     ? QString()
                          : scale == 1e6 ? StatisticsView::tr("ppm ")
                                         : StatisticsView::tr("ppb ")) +
                         per;
    if (!std::isfinite(error) || !(error > 0))
        return (QString::number(fraction * scale, 'g', 4) + u' ' + unit).trimmed();
    // The value to the last digit of its two-digit error, and to four digits at most.
    const int byError = 1 - int(std::floor(std::log10(error * scale)));
    const int byValue =
        fraction != 0 ? 3 - int(std::floor(std::log10(std::fabs(fraction * scale)))) : byError;
    const int decimals = std::max(0, std::min(byError, byValue));
    return (QString::number(fraction * scale, 'f', decimals) + u" \u00b1 "_qs +
            QString::number(error * scale, 'f', decimals) + u' ' + unit)
        .trimmed();
}

} // namespace

void StatisticsView::showSeries(const analysis::Series *series, std::optional<qsizetype> failures,
                                std::optional<double> nominal)
{
    const QString none = QStringLiteral("\u2013");
    QString texts[RowCount];
    for (QString &text : texts)
        text = none;
    if (series) {
        const analysis::RunningStatistics &s = series->statistics();
        const QLatin1String unit = pelmix::modeInfo(series->setup().mode).unit;
        const double step = resolution(series->setup());
        texts[Count] = QString::number(s.count());
        texts[Mean] = formatQuantity(s.mean(), unit, step / 10);
        // A spread too small to show keeps the prefix of the values: "0.00 µs", not "0 s".
        const Prefix prefix = prefixFor(s.mean(), unit);
        auto spread = [&](double value, double at) {
            return std::round(value / at) == 0 ? formatQuantity(value, unit, at, prefix)
                                               : formatQuantity(value, unit, at);
        };
        texts[StandardDeviation] = spread(s.stddev(), step / 10);
        texts[Minimum] = formatQuantity(s.min(), unit, step);
        texts[Maximum] = formatQuantity(s.max(), unit, step);
        texts[PeakToPeak] = spread(s.peakToPeak(), step);
        texts[Last] = formatQuantity(s.last(), unit, step);
        if (const auto measured = analysis::measuredOf(series->setup().mode);
            measured && *measured != analysis::Measured::Phase) {
            if (nominal)
                texts[Offset] =
                    parts(analysis::fractionalOffset(*measured, s.mean(), *nominal), NAN, {});
            const analysis::LinearTrend &trend = series->trend();
            constexpr double Day = 86400;
            texts[Drift] = parts(
                Day * analysis::fractionalRate(*measured, trend.slope(), s.mean()),
                Day * std::fabs(analysis::fractionalRate(*measured, trend.slopeError(), s.mean())),
                {});
        }
        texts[NoReply] = QString::number(series->count(pelmix::Status::Timeout));
        texts[Unreadable] = QString::number(series->count(pelmix::Status::Unreadable));
        texts[Overflow] = QString::number(series->count(pelmix::Status::Overflow));
        texts[Unconfirmed] = QString::number(series->count(pelmix::Status::Unconfirmed));
        texts[Lost] = QString::number(series->count(pelmix::Status::Lost));
        texts[Stopped] = QString::number(series->count(pelmix::Status::Stopped));
        if (failures)
            texts[Failures] = QString::number(*failures);
    }
    for (int row = 0; row < RowCount; ++row)
        item(row, 1)->setText(texts[row]);
}

QSize StatisticsView::sizeHint() const
{
    const int rows = verticalHeader()->length();
    return {QTableWidget::sizeHint().width(),
            horizontalHeader()->height() + rows + 2 * frameWidth()};
}

QString StatisticsView::text(Row row) const
{
    return item(row, 1)->text();
}

} // namespace pelmix::ui
