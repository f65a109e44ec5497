#pragma once

#include <QSvgRenderer>
#include <QToolButton>
#include <QWidget>

namespace pelmix::ui {

// An image or picture box showing one piece of artwork, scaled to the widget.
// A picture box reports a press, and a release only when the press was its own: the
// release of the click that brought it up belongs to the picture that was pressed.
// An operable picture box takes the keyboard focus, shows it, answers Space and Enter as
// a mouse button, and presents itself to assistive technology as a button.
class Picture : public QWidget
{
    Q_OBJECT
public:
    Picture(const QString &art, QWidget *parent);

    void setOperable(bool operable);
    bool isOperable() const { return m_operable; }
    // A press and its release, as a click or a screen reader's "press" does it.
    void activate();

signals:
    void pressed();
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void press();
    void release();

    QSvgRenderer m_renderer;
    bool m_pressed = false;
    bool m_operable = false;
};

// A push or option button that shows only its picture; a selected option button is
// drawn pressed in. Space and Enter press it; the keyboard focus is drawn on it.
class PictureButton : public QToolButton
{
    Q_OBJECT
public:
    PictureButton(const QString &art, QSize pictureSize, bool option, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace pelmix::ui
