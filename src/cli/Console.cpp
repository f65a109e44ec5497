#include "Console.h"

#include <cerrno>
#include <unistd.h>

namespace pelmix::cli {

namespace {

bool progressShown = false;

} // namespace

bool writeAll(int fd, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

bool isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

namespace console {

void error(const QString &message)
{
    note(QByteArray(ProgramName) + ": " + message.toUtf8() + '\n');
}

void note(QByteArrayView text)
{
    clearProgress();
    writeAll(STDERR_FILENO, text);
}

void progress(const QString &text)
{
    static const bool terminal = isTerminal(STDERR_FILENO);
    if (!terminal)
        return;
    // Carriage return, the text, then erase to the end of the line.
    writeAll(STDERR_FILENO, QByteArray("\r" + text.toUtf8() + "\x1b[K"));
    progressShown = true;
}

void clearProgress()
{
    if (!progressShown)
        return;
    progressShown = false;
    writeAll(STDERR_FILENO, "\r\x1b[K");
}

} // namespace console

} // namespace pelmix::cli
