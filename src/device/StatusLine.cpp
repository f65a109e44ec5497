#include "StatusLine.h"

namespace pelmix::device {

int statusPosition(const QString &line, int position)
{
    if (position < 1 || position > line.size())
        return 0;
    const char16_t c = line.at(position - 1).unicode();
    return c >= u'0' && c <= u'9' ? int(c - u'0') : 0;
}

} // namespace pelmix::device
