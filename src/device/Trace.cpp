#include "Trace.h"

#include "TraceBox.h"

namespace pelmix::device {

void appendToTrace(TraceBox &trace, QString &reply)
{
    if (trace.length() > TraceLimit)
        trace.removeFront(TraceTrim);

    // A backspace removes the character before it. One with nothing before it selects
    // the trace's last character instead, which the append then replaces; with an
    // empty trace there is nothing to erase.
    qsizetype erase = 0;
    QString filtered;
    filtered.reserve(reply.size() + reply.count(QChar(13)));
    for (const QChar c : std::as_const(reply)) {
        if (c != QChar(8))
            filtered.append(c);
        else if (!filtered.isEmpty())
            filtered.chop(1);
        else
            erase = trace.length() > 0 ? 1 : 0;
    }
    filtered.remove(QChar(10));
    filtered.replace(QChar(13), QStringLiteral("\r\n"));
    reply = filtered;
    trace.replaceTail(erase, reply);
}

} // namespace pelmix::device
