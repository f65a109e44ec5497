// The analysis window at the sizes a long session reaches: the resident memory of the
// program holding ten million readings with the window open, redrawing the trend chart
// of a million readings, and their frequency stability computed off the window's thread.
//
// Everything runs offscreen in this one process, the memory first, before anything else
// has taken memory the store could reuse.

#include "CycleRun.h"

#include "analysis/ReadingStore.h"
#include "readings/ReadingFeed.h"
#include "ui/analysis/AnalysisMenu.h"
#include "ui/analysis/AnalysisWindow.h"
#include "ui/analysis/Decimation.h"
#include "ui/analysis/StabilityView.h"
#include "ui/analysis/TrendChart.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QTableWidget>

using namespace pelmix;

namespace {

constexpr qint64 MemoryReadings = 10'000'000;
constexpr qint64 ChartReadings = 1'000'000;
constexpr int Redraws = 9;
constexpr int AllanRuns = 3;
const QSize ChartSize(900, 520);
const pelmix::Setup TenSeconds{pelmix::Mode::Frequency, 4, false, 2, false, false};

// A 10 MHz counter reading with millihertz noise, from a fixed-seed generator, 10 ms apart.
class Signal
{
public:
    analysis::Reading next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double value = 1e7 + (double(m_state >> 11) / double(1ULL << 53) - 0.5) * 1e-3;
        const double elapsed = double(m_index++) * 0.01;
        return {1'700'000'000'000 + qint64(elapsed * 1000), elapsed, value, pelmix::Status::Ok};
    }

private:
    quint64 m_state = 12345;
    qint64 m_index = 0;
};

void settle(int ms)
{
    const auto until = bench::SteadyClock::now() + std::chrono::milliseconds(ms);
    bench::spinUntil([until] { return bench::SteadyClock::now() > until; }, ms + 1000);
}

bool memory(const QString &device)
{
    bench::heading("(a) resident memory with 10 million readings, the analysis window open");
    ui::MainWindow window(device);
    if (!bench::showAndOpen(window))
        return false;
    window.analysis().showWindow();
    settle(300);
    const long base = bench::procStatusKb("VmRSS");
    analysis::ReadingStore &store = window.analysis().feed().store();
    Signal signal;
    for (qint64 i = 0; i < MemoryReadings; ++i)
        store.append(TenSeconds, signal.next());
    // The statistics, the trend of all ten million; then the histogram, binned on a copy.
    ui::AnalysisWindow &analysisWindow = *window.analysis().window();
    analysisWindow.refresh();
    settle(300);
    const long steady = bench::procStatusKb("VmRSS");
    std::printf("  VmRSS with the window open: %.1f MB; with the readings: %.1f MB; the store "
                "holds %.1f MB\n",
                double(base) / 1024, double(steady) / 1024,
                double(store.memoryBytes()) / 1048576.0);
    bench::figure("charts.memory", "resident memory above the base, 10M",
                  double(steady - base) / 1024, "MB", std::nan(""), "",
                  bench::Goal::valueBelow(400));
    return true;
}

void trend()
{
    bench::heading("(b) redrawing the trend chart of 1 million readings");
    analysis::Series series(TenSeconds);
    Signal signal;
    for (qint64 i = 0; i < ChartReadings; ++i)
        series.append(signal.next());
    ui::TrendChart chart;
    chart.resize(ChartSize);
    chart.show();
    chart.setSeries(&series);
    settle(200);
    // The chart paints into the image below, not into the offscreen window as well.
    chart.setUpdatesEnabled(false);
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> redraws;
    std::vector<double> decimations;
    for (int i = 0; i < Redraws; ++i) {
        const auto start = bench::SteadyClock::now();
        chart.redraw();
        // Layout changes the redraw posted, then the paint a screen update would make.
        QCoreApplication::sendPostedEvents();
        QPainter painter(&image);
        chart.render(&painter);
        painter.end();
        redraws.push_back(bench::msBetween(start, bench::SteadyClock::now()));

        const auto decimateStart = bench::SteadyClock::now();
        const ui::Envelope envelope = ui::decimate(series, {0, 9999.99, 880, 0, 1e6, {}});
        decimations.push_back(bench::msBetween(decimateStart, bench::SteadyClock::now()));
    }
    std::printf("  %d redraws of a %dx%d chart: decimation, replacing the points, the layout "
                "and a paint into an image;\n  %lld points drawn of %lld readings\n",
                Redraws, ChartSize.width(), ChartSize.height(),
                static_cast<long long>(chart.line()->count()),
                static_cast<long long>(ChartReadings));
    bench::figure("charts.trend", "trend redraw, 1M readings (median)", bench::median(redraws),
                  "ms", std::nan(""), "", bench::Goal::valueBelow(50));
    bench::figure("charts.decimate", "of which decimation (median)", bench::median(decimations),
                  "ms", std::nan(""), "", bench::Goal::none());
}

void allan()
{
    bench::heading("(c) the stability of 1 million readings, off the window's thread");
    analysis::Series series(TenSeconds);
    Signal signal;
    for (qint64 i = 0; i < ChartReadings; ++i)
        series.append(signal.next());
    ui::StabilityView view;
    view.resize(ChartSize);
    view.show();
    settle(100);

    // The window's thread ticks every 2 ms meanwhile: the longest gap between ticks is
    // the longest the window could not answer.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    double longestGapMs = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.start();
    });
    std::vector<double> runs;
    int factors = 0;
    for (int run = 0; run < AllanRuns; ++run) {
        sinceTick.start();
        tick.start(2);
        const auto start = bench::SteadyClock::now();
        view.showSeries(&series, {quint64(run), 0});
        bench::spinUntil([&view] { return view.isIdle() && view.table()->rowCount() > 0; }, 60000);
        runs.push_back(bench::msBetween(start, bench::SteadyClock::now()));
        tick.stop();
        factors = view.table()->rowCount();
        view.showSeries(nullptr, {});
    }
    std::printf("  from the request (a snapshot of the series, copied on the worker) to the "
                "result drawn,\n  %d table rows (OADEV and MDEV of all seven computed); median of "
                "%d runs\n",
                factors, AllanRuns);
    bench::figure("charts.stability", "7 deviations, noise, intervals, 1M, request to drawn",
                  bench::median(runs), "ms", std::nan(""), "", bench::Goal::valueBelow(1000));
    bench::figure("charts.stability.pause", "longest pause of the window's thread", longestGapMs,
                  "ms", std::nan(""), "", bench::Goal::valueBelow(16));
}

} // namespace

int main(int argc, char *argv[])
{
    const auto config = bench::prepareEnvironment();
    QApplication app(argc, argv);
    bench::setUpApplication();
    std::printf("bench_charts: the analysis window with long series\n");
    sim::CounterModel model;
    sim::PtyServer server(model);
    if (!bench::startCounter(server, "bench_charts") || !memory(server.devicePath()))
        return 1;
    trend();
    allan();
    return 0;
}
