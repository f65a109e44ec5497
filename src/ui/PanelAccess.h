#pragma once

#include <QObject>

class QWidget;

namespace pelmix::ui {

struct PanelControls;

// How the front panel is worked without a mouse and heard through assistive technology:
// plain-word names and descriptions, a tab order that follows the panel, the picture
// switches made operable, and the shortcuts (F5 measure once, F6 start or stop measuring
// cyclically, Ctrl+1 to Ctrl+5 the modes in the panel's order), each shown in its
// control's tooltip. A shortcut does exactly what a click on its control does.
class PanelAccess : public QObject
{
    Q_OBJECT
public:
    PanelAccess(QWidget &window, const PanelControls &controls);

    // The slider's name follows its caption: measuring time or multiplier.
    static void nameSlider2(const PanelControls &controls, bool multiplier);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void describe();
    void addShortcuts();

    QWidget &m_window;
    const PanelControls &ui;
};

} // namespace pelmix::ui
