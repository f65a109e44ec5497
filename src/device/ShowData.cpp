#include "ShowData.h"

#include "TraceBox.h"

namespace pelmix::device {

void ShowData(TraceBox &Term, QString &Data)
{
    if (Term.length() > TraceLimit)
        Term.removeFront(TraceTrim);

    // A backspace removes the character before it. One with nothing before it selects
    // the trace's last character instead, which the append then replaces; with an
    // empty trace there is nothing to erase.
    qsizetype erase = 0;
    QString filtered;
    filtered.reserve(Data.size() + Data.count(QChar(13)));
    for (const QChar c : std::as_const(Data)) {
        if (c != QChar(8))
            filtered.append(c);
        else if (!filtered.isEmpty())
            filtered.chop(1);
        else
            erase = Term.length() > 0 ? 1 : 0;
    }
    filtered.remove(QChar(10));
    filtered.replace(QChar(13), QStringLiteral("\r\n"));
    Data = filtered;
    Term.replaceTail(erase, Data);
}

} // namespace pelmix::device
