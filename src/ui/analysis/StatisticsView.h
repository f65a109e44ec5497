#pragma once

#include <QTableWidget>

#include <optional>

namespace pelmix::analysis {
class Series;
}

namespace pelmix::ui {

// The statistics of a series as a two-column table a screen reader can walk: each figure
// with its unit and the digits the counter resolves (one more for the mean and the
// standard deviation, which average many readings), gaps counted by their reason.
class StatisticsView : public QTableWidget
{
    Q_OBJECT
public:
    enum Row {
        Count,
        Mean,
        StandardDeviation,
        Minimum,
        Maximum,
        PeakToPeak,
        Last,
        NoReply,
        Unreadable,
        Overflow,
        Failures,
        RowCount
    };

    explicit StatisticsView(QWidget *parent = nullptr);

    // No series shows dashes. `failures` is shown only when limits are set.
    void showSeries(const analysis::Series *series, std::optional<qsizetype> failures);
    QString text(Row row) const;

    // Tall enough for every row, no taller.
    QSize sizeHint() const override;
};

} // namespace pelmix::ui
