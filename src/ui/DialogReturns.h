#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QDialog;
class QWidget;
class QWindow;

namespace pelmix::ui {

// Tells when the operator comes back to the main window from one of its dialogs: the
// dialog closes, or the focus moves from a dialog that stays open back to the window.
// Other windows (message boxes, other programs) do not count. Some window systems send
// no activation at all when a dialog closes, so the dialog's closing is watched itself.
class DialogReturns : public QObject
{
    Q_OBJECT
public:
    explicit DialogReturns(QWidget &window);

    void watch(QDialog *dialog);

signals:
    void returned(bool dialogStillOpen);

private:
    void onFocusWindowChanged(QWindow *window);

    QWidget &m_window;
    QList<QPointer<QDialog>> m_dialogs;
    QPointer<QWindow> m_focusWindow;
};

} // namespace pelmix::ui
