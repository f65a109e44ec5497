#include "Trace.h"

#include "TraceBox.h"

namespace pelmix::device {

FilteredReply filterReply(const QString &raw)
{
    FilteredReply reply;
    reply.text.reserve(raw.size() + raw.count(QChar(13)));
    for (const QChar c : raw) {
        if (c != QChar(8))
            reply.text.append(c);
        else if (!reply.text.isEmpty())
            reply.text.chop(1);
        else
            reply.erasesPrevious = true;
    }
    reply.text.remove(QChar(10));
    reply.text.replace(QChar(13), QStringLiteral("\r\n"));
    return reply;
}

void appendToTrace(TraceBox &trace, const FilteredReply &reply)
{
    if (trace.length() > TraceLimit)
        trace.removeFront(TraceTrim);
    // With an empty trace there is nothing to erase.
    trace.replaceTail(reply.erasesPrevious && trace.length() > 0 ? 1 : 0, reply.text);
}

} // namespace pelmix::device
