#pragma once

#include "device/TraceBox.h"

class QPlainTextEdit;

namespace pelmix::ui {

// The trace box dbgout as the device link writes it.
class TraceView final : public device::TraceBox
{
public:
    explicit TraceView(QPlainTextEdit &box)
        : m_box(box)
    {
    }

    qsizetype length() const override;
    void removeFront(qsizetype count) override;
    void replaceTail(qsizetype tail, const QString &text) override;

private:
    QPlainTextEdit &m_box;
};

} // namespace pelmix::ui
