#pragma once

#include "LatestJob.h"
#include "SeriesKey.h"

#include "analysis/PhaseData.h"
#include "analysis/Series.h"
#include "analysis/Stability.h"

#include <QHash>
#include <QWidget>

#include <limits>
#include <optional>
#include <vector>

class QChartView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pelmix::ui {

class StabilityChart;

// The frequency stability of a series: the chosen deviations of its fractional frequency
// (or, for a time interval, of its phase) at the octave factors up to a quarter of its
// values, with noise types and confidence intervals, plotted and tabled. The nominal is
// typed per series, else the mean. Computed on a snapshot on another thread, only while the
// view is on screen.
class StabilityView : public QWidget
{
    Q_OBJECT
public:
    struct Outcome
    {
        SeriesKey key;
        bool computed = false;
        std::optional<analysis::Measured> measured;
        qsizetype count = 0;
        double tau0 = std::numeric_limits<double>::quiet_NaN();
        double nominal = std::numeric_limits<double>::quiet_NaN();
        bool nominalTyped = false;
        std::vector<analysis::StabilityCurve> curves; // every deviation
    };
    // The work of a run, on the copies of a series' values and their times.
    static Outcome compute(SeriesKey key, std::optional<analysis::Measured> measured,
                           const analysis::Series::Snapshot &readings,
                           std::optional<double> nominal);

    explicit StabilityView(QWidget *parent = nullptr);

    void showSeries(const analysis::Series *series, SeriesKey key);
    bool isIdle() const { return m_job.isIdle(); }
    QChartView *chartView() const { return m_view; }
    QTableWidget *table() const { return m_table; }
    const StabilityChart &chart() const { return *m_chart; }
    QString note() const;
    // The nominal typed for the series shown, if any: the statistics take it too.
    std::optional<double> nominal() const;

signals:
    void saveTableRequested();
    void nominalChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void requestIfStale();
    void display(const Outcome &outcome);
    void takeNominal();
    std::vector<analysis::StabilityCurve> chosen() const;
    void draw();
    void fillTable();

    const analysis::Series *m_series = nullptr;
    SeriesKey m_key;
    SeriesKey m_requestedKey;
    qsizetype m_requestedSize = -1;
    std::optional<double> m_requestedNominal;
    Outcome m_shown;
    QHash<qsizetype, double> m_nominals; // by series index, for the store's epoch
    quint64 m_nominalEpoch = 0;

    QChartView *m_view = nullptr;
    StabilityChart *m_chart = nullptr;
    std::vector<QCheckBox *> m_choices;
    QLineEdit *m_nominal = nullptr;
    QLabel *m_against = nullptr;
    QLabel *m_note = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_saveTable = nullptr;

    LatestJob<Outcome> m_job{this, [this](const Outcome &outcome) { display(outcome); }};
};

} // namespace pelmix::ui
