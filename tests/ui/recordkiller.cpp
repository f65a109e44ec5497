// Records two readings and dies at once, as a crashing program would.

#include "readings/CsvRecorder.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    pelmix::readings::CsvRecorder recorder;
    if (!recorder.start(QString::fromLocal8Bit(argv[1])))
        return 1;
    const pelmix::Setup setup{pelmix::Mode::Frequency, 3};
    recorder.record(setup, {1'700'000'000'000, 0.0, 12345.0, pelmix::Status::Ok});
    recorder.record(setup, {1'700'000'001'000, 1.0, 12346.0, pelmix::Status::Ok});
    std::raise(SIGKILL);
    return 0;
}
