// A long run: cyclical measuring without a pause against a simulated counter that spoils
// about 1 % of its replies (seeded), with a log open. Reports what was measured, what was
// logged, the messages shown and the resident memory at the start and the end.
//
//   soak [MEASUREMENTS] [FAULT-RATE] [SEED]      (defaults 5000, 0.01, 1)

#include "BenchCommon.h"

#include "device/Link.h"
#include "measure/Meter.h"
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"
#include "ui/LogFile.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QMessageBox>
#include <QTimer>

using namespace pelmix;

int main(int argc, char *argv[])
{
    const auto config = bench::prepareEnvironment();
    QApplication app(argc, argv);
    const int target = argc > 1 ? std::atoi(argv[1]) : 5000;
    const double rate = argc > 2 ? std::atof(argv[2]) : 0.01;
    const unsigned seed = argc > 3 ? unsigned(std::atoi(argv[3])) : 1;

    sim::Signal signal;
    signal.seed = seed;
    signal.noise = 1e-4;
    sim::CounterModel model(signal);
    model.faults().random = rate;
    sim::PtyServer server(model);
    server.setKeepRecord(false);
    if (!bench::startCounter(server, "soak"))
        return 1;
    int statusQueries = 0;
    int dataRequests = 0;
    QObject::connect(&server, &sim::PtyServer::commandReceived, &app, [&](char c) {
        statusQueries += c == 'w';
        dataRequests += c == 'D';
    });

    ui::MainWindow window(server.devicePath());
    window.show();
    const QString logPath = config->filePath(QStringLiteral("soak.log"));
    if (!window.logFile().open(logPath, pelmix::Mode::Frequency)) {
        std::fprintf(stderr, "soak: cannot open the log\n");
        return 1;
    }

    // Messages are answered at once, as an operator at the bench would, and counted.
    QMap<QString, int> messages;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &app, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
                ++messages[box->text()];
                box->button(QMessageBox::Ok)->click();
            }
    });
    answer.start(20);

    long startKb = -1;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&window.session().meter(), &measure::Meter::measurementFinished, &app, [&] {
        if (statusQueries == 20)
            startKb = bench::procStatusKb("VmRSS"); // after the warm-up
        if (statusQueries % 500 == 0) {
            std::printf("  %d measurements, %.0f s\n", statusQueries, clock.elapsed() / 1000.0);
            std::fflush(stdout);
        }
        if (statusQueries >= target)
            window.session().meter().stopCycle();
    });
    QObject::connect(&window.session().meter(), &measure::Meter::idle, &app, [&] {
        if (statusQueries >= target)
            app.quit();
    });
    QTimer::singleShot(200, &app, [&] {
        window.session().meter().setCyclePause(0);
        window.session().meter().startCycle();
    });
    app.exec();
    const long endKb = bench::procStatusKb("VmRSS");
    window.logFile().close();

    QFile log(logPath);
    int resultLines = 0;
    if (log.open(QIODevice::ReadOnly))
        for (const QByteArray &line : log.readAll().split('\n'))
            resultLines += line.endsWith("kHz\r");

    std::printf("\nSoak: %d measurements in %.0f s, fault rate %.3f, seed %u\n", statusQueries,
                clock.elapsed() / 1000.0, rate, seed);
    std::printf("  replies spoilt by the counter: %d\n", server.injectedFaults());
    std::printf("  measurements past the status query (data requests): %d\n", dataRequests);
    std::printf("  result lines in the log: %d %s\n", resultLines,
                resultLines == dataRequests ? "(equal: nothing lost)" : "(DIFFERENT)");
    std::printf("  resident memory: %.1f MB after the warm-up, %.1f MB at the end, growth %.2f MB"
                " (limit 5 MB: %s)\n",
                startKb / 1024.0, endKb / 1024.0, (endKb - startKb) / 1024.0,
                endKb - startKb < 5 * 1024 ? "met" : "MISSED");
    std::printf("  messages shown:\n");
    for (auto it = messages.cbegin(); it != messages.cend(); ++it)
        std::printf("    %5d x %s\n", it.value(), qPrintable(it.key()));
    const bool sound = resultLines == dataRequests && endKb - startKb < 5 * 1024;
    return sound ? 0 : 1;
}
