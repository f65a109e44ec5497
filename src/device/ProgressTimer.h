#pragma once

#include <QObject>
#include <QTimer>

namespace pelmix::device {

class Link;

// Copies the exchange's progress to the display every 300 ms, whatever the link is
// doing. A value above 100 is clamped to 100.
class ProgressTimer : public QObject
{
    Q_OBJECT
public:
    static constexpr int Interval = 300;

    explicit ProgressTimer(Link &link, QObject *parent = nullptr);

    void tick();

signals:
    void show(int percent);

private:
    Link &m_link;
    QTimer m_timer;
};

} // namespace pelmix::device
