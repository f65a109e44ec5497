// The cost of showing one reply in the trace box, the main window's own hidden
// QPlainTextEdit, when the trace is empty and when it is full (about 16,000 characters,
// where it trims itself). The trim is what keeps the cost flat as replies go on; a long
// run shows whether time and memory stay flat too. The same box with its document's
// undo history off runs beside it for comparison.

#include "CycleRun.h"

#include "device/Trace.h"
#include "ui/TraceView.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <cstdio>

using namespace pelmix;
using bench::SteadyClock;

namespace {

constexpr int Appends = 20000;
constexpr int LongRunAppends = 200000;
// A status reply as the counter sends it; the trace shows it as 9 characters, CR LF.
const QString Reply = QStringLiteral("FK0Bj:0\r");

struct Costs
{
    std::vector<double> ns;
    std::vector<double> trimNs;
    int trims = 0;
    qsizetype minLength = 0;
    qsizetype maxLength = 0;
    double totalNs = 0;
};

// One append, and the event loop's turn after it, where the box handles what the
// append posted, as it does after every exchange in the program.
double appendOnce(device::TraceBox &trace, bool withTurn)
{
    const auto t0 = SteadyClock::now();
    device::appendToTrace(trace, device::filterReply(Reply));
    if (withTurn)
        QCoreApplication::processEvents();
    return std::chrono::duration<double, std::nano>(SteadyClock::now() - t0).count();
}

Costs onEmpty(QPlainTextEdit &box, device::TraceBox &trace, bool withTurn)
{
    Costs c;
    for (int i = 0; i < Appends; ++i) {
        box.clear();
        QCoreApplication::processEvents();
        c.ns.push_back(appendOnce(trace, withTurn));
        c.totalNs += c.ns.back();
    }
    c.maxLength = trace.length();
    return c;
}

Costs onFull(device::TraceBox &trace, bool withTurn)
{
    // Fill until the trace has trimmed itself once: from then on it stays at its limit.
    for (qsizetype before = -1; trace.length() > before;) {
        before = trace.length();
        appendOnce(trace, withTurn);
    }
    Costs c;
    c.minLength = c.maxLength = trace.length();
    for (int i = 0; i < Appends; ++i) {
        const qsizetype before = trace.length();
        c.ns.push_back(appendOnce(trace, withTurn));
        c.totalNs += c.ns.back();
        if (trace.length() < before) {
            ++c.trims;
            c.trimNs.push_back(c.ns.back());
        }
        c.minLength = std::min(c.minLength, trace.length());
        c.maxLength = std::max(c.maxLength, trace.length());
    }
    return c;
}

void describe(const char *what, const Costs &c)
{
    std::printf("  %-6s mean %8.0f ns, median %8.0f ns, p99 %8.0f ns, max %9.0f ns; trace %lld "
                "to %lld characters, %d trims\n",
                what, c.totalNs / double(c.ns.size()), bench::median(c.ns),
                bench::percentile(c.ns, 99), bench::percentile(c.ns, 100),
                static_cast<long long>(c.minLength), static_cast<long long>(c.maxLength), c.trims);
    if (c.trims > 0) {
        // Flat means the same cost at the end of the run as at its start.
        std::printf("         mean by quarter of the run:");
        const std::size_t quarter = c.ns.size() / 4;
        for (std::size_t q = 0; q < 4; ++q) {
            const std::vector<double> part(c.ns.begin() + std::ptrdiff_t(q * quarter),
                                           c.ns.begin() + std::ptrdiff_t((q + 1) * quarter));
            std::printf(" %.0f", bench::mean(part));
        }
        std::printf(" ns\n");
    }
    if (!c.trimNs.empty())
        std::printf("         an append that trims: mean %.0f ns, i.e. %.0f ns per append spread "
                    "over all\n",
                    bench::mean(c.trimNs),
                    bench::mean(c.trimNs) * double(c.trimNs.size()) / double(c.ns.size()));
}

// Without the trim: the box's own append (TraceView::replaceTail) at growing sizes, to
// show what the trim keeps the program from paying.
void untrimmed(QPlainTextEdit &box, device::TraceBox &trace)
{
    const QString shown = QStringLiteral("FK0Bj:0\r\n");
    box.clear();
    for (const qsizetype size : {qsizetype(16000), qsizetype(64000), qsizetype(256000)}) {
        while (trace.length() < size)
            trace.replaceTail(0, shown);
        QCoreApplication::processEvents();
        std::vector<double> ns;
        for (int i = 0; i < 2000; ++i) {
            const auto t0 = SteadyClock::now();
            trace.replaceTail(0, shown);
            ns.push_back(std::chrono::duration<double, std::nano>(SteadyClock::now() - t0).count());
        }
        std::printf("  %7lld characters: median %8.0f ns per append\n",
                    static_cast<long long>(size), bench::median(ns));
    }
    box.clear();
}

// Many appends, as hours of cyclical measuring make: the undo history the document
// keeps, the resident memory it takes, and the cost at the start and at the end.
void longRun(QPlainTextEdit &box, device::TraceBox &trace, const char *id, const char *what)
{
    box.clear();
    QCoreApplication::processEvents();
    std::vector<double> ns;
    ns.reserve(LongRunAppends);
    const long rssBefore = bench::procStatusKb("VmRSS");
    for (int i = 0; i < LongRunAppends; ++i) {
        ns.push_back(appendOnce(trace, false));
        if (i % 100 == 99)
            QCoreApplication::processEvents();
    }
    const long rssAfter = bench::procStatusKb("VmRSS");
    const std::size_t tenth = ns.size() / 10;
    const std::vector<double> first(ns.begin(), ns.begin() + std::ptrdiff_t(tenth));
    const std::vector<double> last(ns.end() - std::ptrdiff_t(tenth), ns.end());
    const double growthMb = double(rssAfter - rssBefore) / 1024.0;
    std::printf("  %s: %d appends, trace %lld characters, undo steps kept %d;\n"
                "    VmRSS %+.1f MB (%.0f bytes per append, %.2f MB per 1000 measurements of 6 "
                "replies);\n"
                "    mean per append: first tenth %.0f ns, last tenth %.0f ns\n",
                what, LongRunAppends, static_cast<long long>(trace.length()),
                box.document()->availableUndoSteps(), growthMb,
                double(rssAfter - rssBefore) * 1024.0 / LongRunAppends,
                growthMb * 6000.0 / LongRunAppends, bench::mean(first), bench::mean(last));
    bench::figure(id, "VmRSS growth over the long run", growthMb, "MB", std::nan(""), "",
                  bench::Goal::none());
    box.clear();
}

void shortRuns(QPlainTextEdit &box, device::TraceBox &trace, const char *prefix)
{
    for (const bool withTurn : {false, true}) {
        bench::heading(withTurn ? "append, then the event loop's turn"
                                : "append alone (appendToTrace returns)");
        const Costs empty = onEmpty(box, trace, withTurn);
        const Costs full = onFull(trace, withTurn);
        describe("empty", empty);
        describe("full", full);
        const double emptyNs = empty.totalNs / double(empty.ns.size());
        const double fullNs = full.totalNs / double(full.ns.size());
        const std::string id = std::string(prefix) + (withTurn ? ".turn.full" : ".full");
        bench::figure(id.c_str(), "ns per append, full trace (mean)", fullNs, "ns", emptyNs,
                      "ns per append, empty trace (mean)", bench::Goal::none());
        box.clear();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    const auto config = bench::prepareEnvironment();
    QApplication app(argc, argv);
    bench::setUpApplication();

    // The window as the program runs it, so the box has the window's font, size and state.
    sim::CounterModel model;
    sim::PtyServer server(model);
    if (!bench::startCounter(server, "bench_trace"))
        return 1;
    ui::MainWindow window(server.devicePath());
    if (!bench::showAndOpen(window)) {
        std::fprintf(stderr, "bench_trace: the port did not open\n");
        return 1;
    }
    auto *box = window.findChild<QPlainTextEdit *>(QStringLiteral("dbgout"));
    if (!box) {
        std::fprintf(stderr, "bench_trace: the window has no trace box \"dbgout\"\n");
        return 1;
    }
    ui::TraceView trace(*box);

    // Its twin beside it, alike but for the undo history.
    auto *twin = new QPlainTextEdit(box->parentWidget());
    twin->setGeometry(box->geometry());
    twin->setFont(box->font());
    twin->setVerticalScrollBarPolicy(box->verticalScrollBarPolicy());
    twin->setUndoRedoEnabled(false);
    twin->hide();
    ui::TraceView twinTrace(*twin);

    std::printf(
        "bench_trace: appendToTrace of the status reply \"FK0Bj:0\\r\" (9 characters shown) "
        "into the main window's hidden trace box\n"
        "  (ui::TraceView over QPlainTextEdit \"dbgout\", visible: %s, undo history: "
        "%s), %d appends each;\n"
        "  the trace trims %lld characters once it holds more than %lld\n",
        box->isVisible() ? "yes" : "no", box->isUndoRedoEnabled() ? "on" : "off", Appends,
        static_cast<long long>(device::TraceTrim), static_cast<long long>(device::TraceLimit));

    bench::heading("=== the window's trace box, as the program has it ===");
    shortRuns(*box, trace, "trace.append");
    bench::heading("=== for comparison: the same box with its undo history off ===");
    shortRuns(*twin, twinTrace, "trace.no-undo.append");

    bench::heading(
        "long run: as many appends as 2.3 hours of cyclical measuring without pause at 9600 baud");
    longRun(*twin, twinTrace, "trace.no-undo.long.rss", "undo history off");
    longRun(*box, trace, "trace.long.rss", "the window's box");

    bench::heading("without the trim: TraceView::replaceTail alone on a longer trace");
    untrimmed(*box, trace);
    return 0;
}
