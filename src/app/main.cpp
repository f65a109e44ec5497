// Pelmix: operates the counter on a serial port from a front panel.

#include "core/Version.h"
#include "platform/SignalWatch.h"
#include "platform/SimulatedCounter.h"
#include "ui/MainWindow.h"
#include "ui/analysis/AnalysisMenu.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // A write to a closed pipe or socket is an error to report, never the end of the program.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmix"));
    QApplication::setOrganizationName(QStringLiteral("Pelmix"));
    QApplication::setApplicationVersion(QString::fromLatin1(pelmix::Version));
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
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A reading file (CSV) to open in the analysis window."),
        QStringLiteral("[FILE...]"));
    parser.process(app);

    // The simulated counter runs in this process behind a real pseudo-terminal, so the
    // whole serial path is the one a real counter uses.
    pelmix::platform::SimulatedCounter simulated;
    if (parser.isSet(simulate)) {
        // A little noise, one part in 10^5, as a real signal has: at fine resolutions the
        // readings vary, so the analysis window has a spread and a stability to show.
        if (auto error = simulated.start(1.0, 1e-5)) {
            std::fprintf(stderr, "pelmix: %s\n", qPrintable(*error));
            return 1;
        }
    }

    pelmix::ui::MainWindow window(simulated.devicePath());
    QObject::connect(&window, &pelmix::ui::MainWindow::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    // Asked to end by the system or the terminal: as if the window were closed.
    pelmix::platform::SignalWatch signalWatch;
    if (auto error = signalWatch.start())
        std::fprintf(stderr, "pelmix: signals will end the program abruptly: %s\n",
                     qPrintable(*error));
    QObject::connect(&signalWatch, &pelmix::platform::SignalWatch::received, &window,
                     &QWidget::close);
    window.show();
    for (const QString &file : parser.positionalArguments())
        window.analysis().openReadings(file);
    return app.exec();
}
