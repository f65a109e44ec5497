#include "StatisticsView.h"

#include "Quantity.h"

#include "analysis/Series.h"

#include <QHeaderView>

namespace pelmix::ui {

StatisticsView::StatisticsView(QWidget *parent)
    : QTableWidget(RowCount, 2, parent)
{
    setObjectName(QStringLiteral("tblStatistics"));
    setAccessibleName(tr("Statistics of the series"));
    setHorizontalHeaderLabels({tr("Statistic"), tr("Value")});
    verticalHeader()->hide();
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
                                     tr("Gaps: no reply"),
                                     tr("Gaps: unreadable"),
                                     tr("Gaps: overflow"),
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

void StatisticsView::showSeries(const analysis::Series *series, std::optional<qsizetype> failures)
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
        texts[StandardDeviation] = formatQuantity(s.stddev(), unit, step / 10);
        texts[Minimum] = formatQuantity(s.min(), unit, step);
        texts[Maximum] = formatQuantity(s.max(), unit, step);
        texts[PeakToPeak] = formatQuantity(s.peakToPeak(), unit, step);
        texts[Last] = formatQuantity(s.last(), unit, step);
        texts[NoReply] = QString::number(series->count(pelmix::Status::Timeout));
        texts[Unreadable] = QString::number(series->count(pelmix::Status::Unreadable));
        texts[Overflow] = QString::number(series->count(pelmix::Status::Overflow));
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
