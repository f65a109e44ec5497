#include "DialogReturns.h"

#include <QDialog>
#include <QGuiApplication>
#include <QWindow>

namespace pelmix::ui {

DialogReturns::DialogReturns(QWidget &window)
    : QObject(&window)
    , m_window(window)
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &DialogReturns::onFocusWindowChanged);
}

void DialogReturns::watch(QDialog *dialog)
{
    m_dialogs.removeAll(nullptr);
    m_dialogs.append(dialog);
    connect(dialog, &QDialog::finished, this, [this] { emit returned(false); });
}

void DialogReturns::onFocusWindowChanged(QWindow *window)
{
    const QPointer<QWindow> previous = m_focusWindow;
    m_focusWindow = window;
    if (!window || window != m_window.windowHandle() || !previous)
        return;
    for (const QPointer<QDialog> &dialog : std::as_const(m_dialogs)) {
        if (dialog && dialog->isVisible() && dialog->windowHandle() == previous) {
            emit returned(true);
            return;
        }
    }
}

} // namespace pelmix::ui
