#pragma once

#include <QObject>

namespace pelmix::device {

// The one "shutting down" signal that every wait listens to. Triggering it resumes
// each pending wait at once, which then throws Cancelled.
class Shutdown : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool isTriggered() const { return m_triggered; }

    void trigger()
    {
        if (m_triggered)
            return;
        m_triggered = true;
        emit triggered();
    }

signals:
    void triggered();

private:
    bool m_triggered = false;
};

} // namespace pelmix::device
