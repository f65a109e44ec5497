#pragma once

#include <QString>

namespace pelmix::device {

// What one exchange brought back: the text filtered as the trace shows it (no stray
// line feeds, one after every carriage return), and whether the reply was complete, that
// is, a carriage return arrived before the deadline. On a time-out the text holds
// whatever came, possibly nothing.
struct Reply
{
    QString text;
    bool complete = false;

    qsizetype size() const { return text.size(); }
};

} // namespace pelmix::device
