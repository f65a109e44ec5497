#include "WindowPlacement.h"

#include "SettingsStore.h"
#include "Twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace pelmix::ui {

WindowPlacement::WindowPlacement(QWidget &window, SettingsStore &settings)
    : QObject(&window)
    , m_window(window)
    , m_settings(settings)
{
}

QPoint WindowPlacement::keptOnScreen(QPoint wanted, QSize size, const QRect &screen)
{
    const int x = std::max(screen.left(), std::min(wanted.x(), screen.right() + 1 - size.width()));
    const int y = std::max(screen.top(), std::min(wanted.y(), screen.bottom() + 1 - size.height()));
    return {x, y};
}

void WindowPlacement::restore()
{
    QPoint wanted(qRound(m_settings.mainLeft() / TwipsPerPixel),
                  qRound(m_settings.mainTop() / TwipsPerPixel));
    // A position on no screen (a monitor since removed) is replaced by a centred one.
    const QSize size = m_window.sizeHint();
    QScreen *screen = QGuiApplication::screenAt(wanted + QPoint(40, 10));
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        wanted = screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2);
    }
    m_wanted = keptOnScreen(wanted, size, screen->availableGeometry());
    m_window.move(m_wanted);
    m_window.installEventFilter(this);
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    // The frame is known once the window is mapped in it, at its first exposure: then the
    // frame itself goes where it belongs, whole on its screen.
    if (watched == &m_window && event->type() == QEvent::Show && m_window.windowHandle())
        m_window.windowHandle()->installEventFilter(this);
    if (watched == m_window.windowHandle() && event->type() == QEvent::Expose && !m_placed) {
        QWindow *window = m_window.windowHandle();
        m_placed = true;
        window->removeEventFilter(this);
        m_window.removeEventFilter(this);
        const QMargins frame = window->frameMargins();
        const QSize size = window->size().grownBy(frame);
        QScreen *screen = window->screen();
        const QPoint place =
            screen ? keptOnScreen(m_wanted, size, screen->availableGeometry()) : m_wanted;
        // Placed by its client area: some window managers ignore a frame position asked
        // for once the window is mapped.
        if (window->framePosition() != place)
            window->setPosition(place + QPoint(frame.left(), frame.top()));
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::store()
{
    if (!m_window.isMinimized())
        m_settings.storePosition(float(m_window.x() * TwipsPerPixel),
                                 float(m_window.y() * TwipsPerPixel));
}

} // namespace pelmix::ui
