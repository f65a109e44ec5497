#include "SignalWatch.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelmix::platform {

namespace {

int signalPair[2] = {-1, -1};
constexpr int Watched[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPair[1], &byte, 1);
    errno = saved;
}

} // namespace

std::optional<QString> SignalWatch::start()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    // Neither end may block: not the handler's write, nor the drain's read.
    for (const int fd : signalPair)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(signalPair[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalWatch::drain);

    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : Watched)
        ::sigaction(number, &action, nullptr);
    return std::nullopt;
}

SignalWatch::~SignalWatch()
{
    if (!m_notifier)
        return;
    for (const int number : Watched)
        std::signal(number, SIG_DFL);
    m_notifier.reset();
    for (int &fd : signalPair) {
        ::close(fd);
        fd = -1;
    }
}

void SignalWatch::drain()
{
    char bytes[16];
    for (;;) {
        const ssize_t n = ::read(signalPair[0], bytes, sizeof bytes);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i)
            emit received(int(bytes[i]));
    }
}

} // namespace pelmix::platform
