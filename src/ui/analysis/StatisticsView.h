#pragma once

#include <QTableWidget>

#include <optional>

namespace pelmix::analysis {
class Series;
}

namespace pelmix::ui {

// The statistics of a series as a two-column table a screen reader can walk: each figure
// with its unit and the digits the counter resolves (one more for the mean and the
// standard deviation, which average many readings), spreads in the prefix of the mean,
// gaps counted by their reason.
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
        Offset,
        Drift,
        NoReply,
        Unreadable,
        Overflow,
        Unconfirmed,
        Lost,
        Stopped,
        Failures,
        RowCount
    };

    explicit StatisticsView(QWidget *parent = nullptr);

    // No series shows dashes. `failures` is shown only when limits are set. A frequency or
    // period series shows its fractional offset from `nominal` (when one is typed) and its
    // drift per day, as fractional frequency.
    void showSeries(const analysis::Series *series, std::optional<qsizetype> failures,
                    std::optional<double> nominal = std::nullopt);
    QString text(Row row) const;

    // Tall enough for every row, no taller.
    QSize sizeHint() const override;
};

} // namespace pelmix::ui
