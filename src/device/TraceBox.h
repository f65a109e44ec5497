#pragma once

#include <QString>

namespace pelmix::device {

// The trace of raw replies, as the device link sees it: a text that grows at its end.
// The window implements it with its hidden trace box; tests and tools use TextTrace.
class TraceBox
{
public:
    virtual ~TraceBox() = default;

    virtual qsizetype length() const = 0;
    virtual void removeFront(qsizetype count) = 0;
    // Replaces the last `tail` characters (0 or 1) with `text`.
    virtual void replaceTail(qsizetype tail, const QString &text) = 0;
};

class TextTrace final : public TraceBox
{
public:
    explicit TextTrace(QString text = {})
        : m_text(std::move(text))
    {
    }

    const QString &text() const { return m_text; }
    qsizetype length() const override { return m_text.size(); }
    void removeFront(qsizetype count) override { m_text.remove(0, count); }
    void replaceTail(qsizetype tail, const QString &text) override
    {
        m_text.chop(tail);
        m_text.append(text);
    }

private:
    QString m_text;
};

} // namespace pelmix::device
