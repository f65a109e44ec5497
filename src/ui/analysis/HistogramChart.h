#pragma once

#include "LatestJob.h"
#include "Limits.h"
#include "SeriesKey.h"

#include "analysis/Histogram.h"
#include "analysis/Reading.h"

#include <QChartView>

class QAreaSeries;
class QLineSeries;
class QValueAxis;

namespace pelmix::analysis {
class Series;
}

namespace pelmix::ui {

// The histogram of a series' values, in as many equal bins as the spread of the values
// calls for. The binning sorts the values, so it runs on a copy on another thread, and
// only while the chart is on screen.
class HistogramChart : public QChartView
{
    Q_OBJECT
public:
    struct Outcome
    {
        SeriesKey key;
        pelmix::Mode mode = pelmix::Mode::Frequency;
        double resolution = 0; // of the counter, in the unit of the values
        analysis::Histogram histogram;
    };

    explicit HistogramChart(QWidget *parent = nullptr);

    // The series to show, or none. Binned anew when its readings have changed.
    void showSeries(const analysis::Series *series, SeriesKey key);
    void setLimits(const Limits &limits);
    // Nothing is being binned or waits to be.
    bool isIdle() const { return m_job.isIdle(); }
    // Of the histogram on screen.
    qsizetype bins() const { return qsizetype(m_shown.histogram.counts.size()); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void requestIfStale();
    void display(const Outcome &outcome);
    void draw();

    const analysis::Series *m_series = nullptr;
    SeriesKey m_key;
    SeriesKey m_requestedKey;
    qsizetype m_requestedSize = -1;
    Limits m_limits;
    Outcome m_shown;

    QLineSeries *m_outline = nullptr;
    QAreaSeries *m_area = nullptr;
    QLineSeries *m_upper = nullptr;
    QLineSeries *m_lower = nullptr;
    QValueAxis *m_valueAxis = nullptr;
    QValueAxis *m_countAxis = nullptr;

    LatestJob<Outcome> m_job{this, [this](const Outcome &outcome) { display(outcome); }};
};

} // namespace pelmix::ui
