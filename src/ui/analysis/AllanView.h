#pragma once

#include "LatestJob.h"
#include "SeriesKey.h"

#include "analysis/Allan.h"
#include "analysis/Reading.h"

#include <QWidget>

#include <limits>
#include <vector>

class QChartView;
class QLabel;
class QLineSeries;
class QLogValueAxis;
class QTableWidget;

namespace pelmix::analysis {
class Series;
}

namespace pelmix::ui {

// The overlapping and the modified Allan deviation of a frequency or period series at the
// octave averaging factors up to a quarter of its values, on log-log axes with error
// bars from the number of terms, and the same numbers in a table. They are computed on a
// copy on another thread, and only while the view is on screen.
class AllanView : public QWidget
{
    Q_OBJECT
public:
    struct Outcome
    {
        SeriesKey key;
        pelmix::Mode mode = pelmix::Mode::Frequency;
        bool computed = false;
        qsizetype count = 0;
        // The median spacing of the readings' monotonic times: tau at factor 1.
        double tau0 = std::numeric_limits<double>::quiet_NaN();
        std::vector<analysis::AllanPoint> points;
    };
    // The work of a run, on the copies of a series' values and their times.
    static Outcome compute(SeriesKey key, pelmix::Mode mode, std::vector<double> values,
                           std::vector<double> elapsed);

    explicit AllanView(QWidget *parent = nullptr);

    void showSeries(const analysis::Series *series, SeriesKey key);
    bool isIdle() const { return m_job.isIdle(); }
    QChartView *chartView() const { return m_view; }
    QTableWidget *table() const { return m_table; }
    QString note() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void requestIfStale();
    void display(const Outcome &outcome);
    void draw();
    void fillTable();

    const analysis::Series *m_series = nullptr;
    SeriesKey m_key;
    SeriesKey m_requestedKey;
    qsizetype m_requestedSize = -1;
    Outcome m_shown;

    QChartView *m_view = nullptr;
    QLabel *m_note = nullptr;
    QTableWidget *m_table = nullptr;
    QLineSeries *m_oadev = nullptr;
    QLineSeries *m_mdev = nullptr;
    std::vector<QLineSeries *> m_bars;
    QLogValueAxis *m_tauAxis = nullptr;
    QLogValueAxis *m_deviationAxis = nullptr;

    LatestJob<Outcome> m_job{this, [this](const Outcome &outcome) { display(outcome); }};
};

} // namespace pelmix::ui
