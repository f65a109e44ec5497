#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;

namespace pelmix::ui {

class SettingsStore;

// Where the main window stands: its frame's top-left corner, restored at start from the
// settings (twips) and stored at exit. The frame, not the client area: a window manager
// adds its frame only once the window is shown, so the position is applied again then,
// or every start would move the window by the height of its title bar.
class WindowPlacement : public QObject
{
    Q_OBJECT
public:
    WindowPlacement(QWidget &window, SettingsStore &settings);

    // Before the first show.
    void restore();
    // At exit, unless the window is minimised.
    void store();

    // A top-left corner for a frame of `size` that keeps the whole frame on `screen`
    // where it fits; where it does not, its top-left corner stays on the screen.
    static QPoint keptOnScreen(QPoint wanted, QSize size, const QRect &screen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_window;
    SettingsStore &m_settings;
    QPoint m_wanted;
    bool m_placed = false;
};

} // namespace pelmix::ui
