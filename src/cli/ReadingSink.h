#pragma once

#include "readings/ReadingAppender.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pelmix::cli {

// Where the readings go: standard output, or a file they are appended to, each line
// synced as it is written, whole or not at all. A line is written out in full before the
// program does anything else, so no signal handled in the event loop leaves half a line.
class ReadingSink
{
public:
    struct Failure
    {
        QString reason;
        // Standard output was closed by its reader (a pipe into `head`): no error to report.
        bool closedPipe = false;
    };

    // Standard output when `path` is empty. Returns why the file cannot take readings of
    // `format`: another kind of file, or one that another program writes.
    std::optional<QString> open(const QString &path, readings::Format format);
    // The file has its header already (written when it was opened, or earlier). Standard
    // output always gets one, whatever it is redirected to.
    bool holdsData() const { return m_file.isOpen(); }
    QString name() const;

    std::optional<Failure> write(const QByteArray &line);

private:
    readings::ReadingAppender m_file;
};

} // namespace pelmix::cli
