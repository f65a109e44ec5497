// Pelmix: operates the counter on a serial port from a front panel.

#include "ui/MainWindow.h"

#ifdef PELMIX_SIMULATOR
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"
#endif

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // A write to a closed pipe or socket is an error to report, never the end of the program.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmix"));
    QApplication::setOrganizationName(QStringLiteral("Pelmix"));
    QApplication::setApplicationVersion(QStringLiteral("1.4"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pelmix"));
    QApplication::setStyle(QStringLiteral("Fusion"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Operates a counter on a serial port."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Measure on the built-in simulated counter instead of a serial port."));
    parser.addOption(simulate);
    parser.process(app);

    QString device;
#ifdef PELMIX_SIMULATOR
    // The simulated counter runs in this process behind a real pseudo-terminal, so the
    // whole serial path is the one a real counter uses.
    std::unique_ptr<pelmix::sim::CounterModel> model;
    std::unique_ptr<pelmix::sim::PtyServer> server;
    if (parser.isSet(simulate)) {
        // A little noise, one part in 10^5, as a real signal has: at fine resolutions the
        // readings vary, so the analysis window has a spread and a stability to show.
        pelmix::sim::Signal signal;
        signal.noise = 1e-5;
        model = std::make_unique<pelmix::sim::CounterModel>(signal);
        server = std::make_unique<pelmix::sim::PtyServer>(*model);
        server->setKeepRecord(false);
        if (auto error = server->start()) {
            std::fprintf(stderr, "pelmix: cannot start the simulated counter: %s\n",
                         qPrintable(*error));
            return 1;
        }
        device = server->devicePath();
    }
#else
    if (parser.isSet(simulate)) {
        std::fprintf(stderr, "pelmix: this build has no simulated counter\n");
        return 1;
    }
#endif

    pelmix::ui::MainWindow window(device);
    QObject::connect(&window, &pelmix::ui::MainWindow::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    return app.exec();
}
