#pragma once

#include "Limits.h"
#include "SeriesKey.h"

#include "ui/MessageBoxes.h"

#include <QTimer>
#include <QWidget>

class QComboBox;
class QGraphicsView;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace pelmix::analysis {
class ReadingStore;
class Series;
} // namespace pelmix::analysis

namespace pelmix::device {
class Shutdown;
}

namespace pelmix::ui {

class StabilityView;
class HistogramChart;
class LimitFields;
class StatisticsView;
class TrendChart;

// The analysis of the readings, beside the front panel and never modal: the statistics of
// a series, its trend, its histogram and its frequency stability, optional limits, and
// saving the readings and the charts.
//
// It follows the store live without ever working per reading: readings that arrive
// within an update period are shown together, the statistics come from the series'
// running figures, the trend is decimated to the pixels, and the histogram and the stability
// deviations are computed on copies on another thread. A hidden window does nothing.
class AnalysisWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int UpdatePeriodMs = 150;

    AnalysisWindow(analysis::ReadingStore &store, device::Shutdown &shutdown,
                   QWidget *parent = nullptr);
    ~AnalysisWindow() override;

    // Readings were appended to the store: shown within an update period.
    void readingsAppended();
    // Shows the store as it is now.
    void refresh();

    // The series the window shows; the latest unless an earlier one was picked.
    const analysis::Series *selectedSeries() const;
    // Readings of the selected series beyond the limits.
    qsizetype failures() const { return m_failures; }
    const Limits &limits() const;

    void clearReadings();
    // Both run in the background; a failure is reported in a message box.
    void saveReadings(const QString &path);
    void saveChart(const QString &path);

    TrendChart &trend() const { return *m_trend; }
    HistogramChart &histogram() const { return *m_histogram; }
    StabilityView &stability() const { return *m_stability; }
    StatisticsView &statistics() const { return *m_statistics; }

signals:
    // A save has ended; `error` is empty when it succeeded.
    void saveFinished(const QString &path, const QString &error);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void listSeries();
    void seriesPicked(int index);
    void limitsChanged();
    void countFailures();
    QGraphicsView *currentChart() const;
    void chooseReadingsFile();
    void chooseChartFile();
    void chooseTableFile(const QTableWidget &table, const QString &title);
    void finishSave(const QString &path, const std::optional<QString> &failure);

    analysis::ReadingStore &m_store;
    MessageBoxes m_messages;
    QTimer m_updates;
    quint64 m_epoch = 0;
    qsizetype m_selected = -1;
    SeriesKey m_shownKey{~quint64(0), -1};
    int m_listed = 0;
    qsizetype m_failures = 0;
    qsizetype m_failuresCounted = 0;
    QString m_folder;

    QComboBox *m_seriesBox = nullptr;
    QPushButton *m_clear = nullptr;
    QLabel *m_setup = nullptr;
    StatisticsView *m_statistics = nullptr;
    LimitFields *m_limitFields = nullptr;
    QTabWidget *m_tabs = nullptr;
    TrendChart *m_trend = nullptr;
    HistogramChart *m_histogram = nullptr;
    StabilityView *m_stability = nullptr;
    QPushButton *m_saveStatistics = nullptr;
    QPushButton *m_autoscale = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_saveReadings = nullptr;
    QPushButton *m_saveChart = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace pelmix::ui
