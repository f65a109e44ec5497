#include "Pictures.h"

#include "Art.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelmix::ui {

Picture::Picture(const QString &art, QWidget *parent)
    : QWidget(parent)
    , m_renderer(QStringLiteral(":/art/%1.svg").arg(art))
{
}

void Picture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_renderer.render(&painter, QRectF(rect()));
}

void Picture::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    event->accept();
    emit pressed();
}

void Picture::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_pressed)
        return;
    m_pressed = false;
    emit released();
}

void Picture::hideEvent(QHideEvent *event)
{
    m_pressed = false;
    QWidget::hideEvent(event);
}

PictureButton::PictureButton(const QString &art, QSize pictureSize, bool option, QWidget *parent)
    : QToolButton(parent)
{
    setIcon(Art::icon(art, pictureSize));
    setIconSize(pictureSize);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Option buttons are made exclusive by the button group of their section.
    setCheckable(option);
    setAutoRaise(false);
    // A classic raised button; pressed in while held down or, for an option, selected.
    setStyleSheet(QStringLiteral(
        "QToolButton { background-color: #c0c0c0; border: 2px solid;"
        "  border-color: #ffffff #404040 #404040 #ffffff; }"
        "QToolButton:checked, QToolButton:pressed { background-color: #b0b0b0;"
        "  border-color: #404040 #ffffff #ffffff #404040; padding-left: 2px; padding-top: 2px; }"));
}

} // namespace pelmix::ui
