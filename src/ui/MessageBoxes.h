#pragma once

#include "measure/Reporter.h"

#include <QPointer>

class QWidget;

namespace pelmix::device {
class Shutdown;
}

namespace pelmix::ui {

// Message boxes with an OK button and the caption "Pelmix". A box is awaited, never
// run in a nested event loop; closing the program resumes the wait with Cancelled.
class MessageBoxes final : public measure::Reporter
{
public:
    MessageBoxes(QWidget &parent, device::Shutdown &shutdown);

    QCoro::Task<> report(QString text) override;
    // Shows a box without waiting for its answer.
    void show(const QString &text);

private:
    QWidget &m_parent;
    device::Shutdown &m_shutdown;
};

} // namespace pelmix::ui
