// Writes a result line to a log and dies at once, as a crashing program would.

#include "ui/LogFile.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    pelmix::ui::LogFile log;
    if (!log.open(QString::fromLocal8Bit(argv[1]), pelmix::Mode::Frequency))
        return 1;
    log.writeResultLine(pelmix::Mode::Frequency, QStringLiteral("        12kHz"),
                        QDateTime::currentDateTime());
    std::raise(SIGKILL);
    return 0;
}
