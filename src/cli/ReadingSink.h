#pragma once

#include "readings/AppendFile.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pelmix::cli {

// Where the readings go: standard output, or a regular file they are appended to, each
// line flushed and synced as it is written. A line is written out in full before the
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

    // Standard output when `path` is empty. Returns why the file cannot be used.
    std::optional<QString> open(const QString &path);
    // The file already holds lines (a recording that goes on): no header then. Standard
    // output always gets one, whatever it is redirected to.
    bool holdsData() const;
    QString name() const;

    std::optional<Failure> write(const QByteArray &bytes);

private:
    readings::AppendFile m_file;
};

} // namespace pelmix::cli
