#pragma once

#include <QSvgRenderer>
#include <QToolButton>
#include <QWidget>

namespace pelmix::ui {

// An image or picture box showing one piece of artwork, scaled to the widget.
// A picture box reports a press, and a release only when the press was its own: the
// release of the click that brought it up belongs to the picture that was pressed.
class Picture : public QWidget
{
    Q_OBJECT
public:
    Picture(const QString &art, QWidget *parent);

signals:
    void pressed();
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QSvgRenderer m_renderer;
    bool m_pressed = false;
};

// A push or option button that shows only its picture; a selected option button is
// drawn pressed in.
class PictureButton : public QToolButton
{
    Q_OBJECT
public:
    PictureButton(const QString &art, QSize pictureSize, bool option, QWidget *parent);
};

} // namespace pelmix::ui
