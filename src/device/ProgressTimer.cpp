#include "ProgressTimer.h"

#include "Link.h"

namespace pelmix::device {

ProgressTimer::ProgressTimer(Link &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    connect(&m_timer, &QTimer::timeout, this, &ProgressTimer::tick);
    m_timer.start(Interval);
}

void ProgressTimer::tick()
{
    qint16 Progress = m_link.progress();
    if (Progress > 100) {
        Progress = 100;
        m_link.setProgress(Progress);
    }
    emit show(Progress);
}

} // namespace pelmix::device
