// Opens a port the way the program does and prints what the operator would be told.

#include "device/Link.h"
#include "device/Shutdown.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    pelmix::device::Shutdown shutdown;
    pelmix::device::Link link(shutdown);
    const auto failure = link.setUp(2, QString::fromLocal8Bit(argv[1]));
    std::printf("%s\n", failure ? qPrintable(*failure) : "open");
    return failure ? 1 : 0;
}
