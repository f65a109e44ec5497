// Start-up and footprint: how soon the front panel is on screen after the process is
// started, and how much memory the program holds after 100 measurements.
//
// The figures come from child processes of this same executable, so each is a fresh
// process: the parent times the start, the child reports what it has reached.

#include "CycleRun.h"

#include "device/Trace.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextDocument>

#include <cstdio>
#include <cstring>
#include <map>

using namespace pelmix;

namespace {

constexpr int StartupRuns = 5;
constexpr int MemoryMeasurements = 100;

const char *const ChildStartup = "--child-startup";
const char *const ChildMemory = "--child-memory";

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Reports the window's first show event, and its first paint once that paint is done
// (a zero timer runs after the whole window has been drawn in the same update).
class FirstShow : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            say("shown");
        }
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [this] {
                say("painted");
                m_paintDone = true;
            });
        }
        return QObject::eventFilter(watched, event);
    }
    bool painted() const { return m_paintDone; }

private:
    bool m_shown = false;
    bool m_painted = false;
    bool m_paintDone = false;
};

int childStartup(int argc, char *argv[])
{
    say("main");
    bench::quietOffscreenNotes();
    QApplication app(argc, argv);
    bench::setUpApplication();
    sim::CounterModel model;
    sim::PtyServer server(model);
    if (!bench::startCounter(server, "bench_startup"))
        return 1;
    ui::MainWindow window(server.devicePath());
    FirstShow watch;
    window.installEventFilter(&watch);

    // The port opens in a queued call after the first show and announces nothing, so a
    // fine timer looks for it; it runs only for these few milliseconds.
    bool portOpen = false;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!portOpen && window.session().link().isOpen()) {
            portOpen = true;
            say("port-open");
        }
        if (portOpen && watch.painted())
            app.quit();
    });
    QTimer::singleShot(10000, &app, [&app] { app.exit(1); });
    poll.start(1);
    window.show();
    return app.exec();
}

int childMemory(int argc, char *argv[])
{
    bench::quietOffscreenNotes();
    QApplication app(argc, argv);
    bench::setUpApplication();
    sim::CounterModel model;
    sim::PtyServer server(model);
    if (!bench::startCounter(server, "bench_startup"))
        return 1;
    ui::MainWindow window(server.devicePath());
    if (!bench::showAndOpen(window))
        return 1;
    window.session().meter().setCyclePause(0);
    const long opened = bench::procStatusKb("VmRSS");
    // Two halves: what the second adds is the growth rate while the trace box fills.
    bench::CycleRecord first;
    if (!bench::measureCyclically(window, server, MemoryMeasurements / 2, first, 120000))
        return 1;
    const long half = bench::procStatusKb("VmRSS");
    bench::CycleRecord second;
    if (!bench::measureCyclically(window, server, MemoryMeasurements - MemoryMeasurements / 2,
                                  second, 120000))
        return 1;
    // The trace box fills up to its limit over the first few hundred measurements.
    const auto *box = window.findChild<QPlainTextEdit *>(QStringLiteral("dbgout"));
    const int traced = box ? box->document()->characterCount() - 1 : -1;
    std::printf("memory %ld %ld %ld %zu %ld %d\n", opened, bench::procStatusKb("VmRSS"),
                bench::procStatusKb("VmHWM"), first.finishes.size() + second.finishes.size(), half,
                traced);
    std::fflush(stdout);
    return 0;
}

// Starts a child and notes, for each line it prints, the milliseconds since just before
// the start. Lines that are not milestones are kept under their own text.
std::map<std::string, double> runChild(const char *mode, QByteArray *lastLine = nullptr)
{
    std::map<std::string, double> at;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode)});
    while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
        if (!child.canReadLine() && !child.waitForReadyRead(150000))
            break;
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            at.emplace(line.split(' ').value(0).toStdString(), ms);
            if (lastLine)
                *lastLine = line;
        }
    }
    child.waitForFinished(10000);
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        at.clear();
    return at;
}

int parent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    std::printf("bench_startup: each figure from a fresh child process of this executable\n"
                "  (a) the parent starts its clock just before QProcess::start; the child, the "
                "main window\n"
                "      over the in-process simulated counter offscreen, prints a line at each "
                "milestone:\n"
                "      main() entered, the window's first Show event, its first paint finished "
                "(an event\n"
                "      filter on the window sees the first Paint event; a zero timer reports "
                "after the whole\n"
                "      window has been drawn), and the port open. The figure is the first "
                "paint finished:\n"
                "      the front panel drawn, not merely shown. %d runs, median.\n",
                StartupRuns);

    std::map<std::string, std::vector<double>> milestones;
    for (int i = 0; i < StartupRuns; ++i) {
        const auto at = runChild(ChildStartup);
        if (at.empty()) {
            std::fprintf(stderr, "bench_startup: run %d failed\n", i + 1);
            return 1;
        }
        std::printf("  run %d:", i + 1);
        for (const char *name : {"main", "shown", "painted", "port-open"}) {
            const auto found = at.find(name);
            const double ms = found != at.end() ? found->second : std::nan("");
            milestones[name].push_back(ms);
            std::printf(" %s %.1f ms", name, ms);
        }
        std::printf("\n");
    }
    std::printf("  medians: main() %.1f ms, first Show %.1f ms, first paint done %.1f ms, port "
                "open %.1f ms\n",
                bench::median(milestones["main"]), bench::median(milestones["shown"]),
                bench::median(milestones["painted"]), bench::median(milestones["port-open"]));

    bench::heading("(a) process start to the front panel drawn (median of the runs)");
    bench::figure("startup.panel", "start to first paint done",
                  bench::median(milestones["painted"]), "ms", std::nan(""), "",
                  bench::Goal::valueBelow(500));

    bench::heading("(b) resident memory after 100 measurements (cycle pause 0, no pacing)");
    QByteArray line;
    const auto memory = runChild(ChildMemory, &line);
    const QList<QByteArray> fields = line.split(' ');
    if (memory.empty() || fields.size() < 7 || fields[0] != "memory") {
        std::fprintf(stderr, "bench_startup: the memory run failed\n");
        return 1;
    }
    const double openedMb = fields[1].toDouble() / 1024.0;
    const double rssMb = fields[2].toDouble() / 1024.0;
    const double peakMb = fields[3].toDouble() / 1024.0;
    const double halfMb = fields[5].toDouble() / 1024.0;
    std::printf("  VmRSS with the port open, before measuring: %.1f MB; after %d measurements: "
                "%.1f MB; after %d: %.1f MB; peak (VmHWM) %.1f MB\n"
                "  the second %d measurements added %.0f kB (%.1f kB per measurement), while "
                "the trace box\n"
                "  still fills towards its limit (it holds %d characters of %lld)\n",
                openedMb, MemoryMeasurements / 2, halfMb, fields[4].toInt(), rssMb, peakMb,
                MemoryMeasurements - MemoryMeasurements / 2, (rssMb - halfMb) * 1024.0,
                (rssMb - halfMb) * 1024.0 / (MemoryMeasurements - MemoryMeasurements / 2),
                fields[6].toInt(), static_cast<long long>(device::TraceLimit));
    bench::figure("startup.rss", "VmRSS after 100 measurements", rssMb, "MB", std::nan(""), "",
                  bench::Goal::valueBelow(80));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // A child inherits the parent's offscreen platform and throw-away settings folder.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], ChildStartup) == 0)
            return childStartup(argc, argv);
        if (std::strcmp(argv[i], ChildMemory) == 0)
            return childMemory(argc, argv);
    }
    const auto config = bench::prepareEnvironment();
    return parent(argc, argv);
}
