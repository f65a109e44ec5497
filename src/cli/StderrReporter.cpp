#include "StderrReporter.h"

#include "Console.h"

namespace pelmix::cli {

QCoro::Task<> StderrReporter::report(QString message)
{
    // A lost port's message names the port already; "Connection Error" does not.
    const QString label = m_portLabel();
    if (!message.startsWith(label))
        message = label + QStringLiteral(": ") + message;
    console::error(message);
    co_return;
}

} // namespace pelmix::cli
