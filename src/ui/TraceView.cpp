#include "TraceView.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace pelmix::ui {

qsizetype TraceView::length() const
{
    // The document counts one more character than its text: the final block separator.
    return m_box.document()->characterCount() - 1;
}

void TraceView::removeFront(qsizetype count)
{
    QTextCursor cursor(m_box.document());
    cursor.setPosition(int(std::min(count, length())), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TraceView::replaceTail(qsizetype tail, const QString &text)
{
    QTextCursor cursor(m_box.document());
    cursor.movePosition(QTextCursor::End);
    if (tail > 0)
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, int(tail));
    cursor.insertText(text);
    m_box.setTextCursor(cursor);
}

} // namespace pelmix::ui
