#include "Pictures.h"

#include "Art.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace pelmix::ui {

namespace {

bool isPressKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
           event->key() == Qt::Key_Enter;
}

void drawFocus(QWidget *widget, QPainter &painter)
{
    QStyleOptionFocusRect option;
    option.initFrom(widget);
    option.rect = widget->rect().adjusted(1, 1, -1, -1);
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, widget);
}

// An operable picture is a button to assistive technology, with a "press" action.
class PictureAccessible : public QAccessibleWidget
{
public:
    explicit PictureAccessible(Picture *picture)
        : QAccessibleWidget(picture, QAccessible::Button)
    {
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<Picture *>(widget())->activate();
    }
};

QAccessibleInterface *accessibleFor(const QString &, QObject *object)
{
    auto *picture = qobject_cast<Picture *>(object);
    return picture && picture->isOperable() ? new PictureAccessible(picture) : nullptr;
}

} // namespace

Picture::Picture(const QString &art, QWidget *parent)
    : QWidget(parent)
    , m_renderer(QStringLiteral(":/art/%1.svg").arg(art))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(factoryInstalled)
}

void Picture::setOperable(bool operable)
{
    m_operable = operable;
    setFocusPolicy(operable ? Qt::StrongFocus : Qt::NoFocus);
}

void Picture::activate()
{
    press();
    release();
}

void Picture::press()
{
    m_pressed = true;
    emit pressed();
}

void Picture::release()
{
    if (!m_pressed)
        return;
    m_pressed = false;
    emit released();
}

void Picture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_renderer.render(&painter, QRectF(rect()));
    if (hasFocus())
        drawFocus(this, painter);
}

void Picture::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    press();
}

void Picture::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    release();
}

void Picture::keyPressEvent(QKeyEvent *event)
{
    if (!m_operable || !isPressKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        press();
}

void Picture::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_operable || !isPressKey(event)) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        release();
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
    setFocusPolicy(Qt::StrongFocus);
    // A classic raised button; pressed in while held down or, for an option, selected.
    setStyleSheet(QStringLiteral(
        "QToolButton { background-color: #c0c0c0; border: 2px solid;"
        "  border-color: #ffffff #404040 #404040 #ffffff; }"
        "QToolButton:checked, QToolButton:pressed { background-color: #b0b0b0;"
        "  border-color: #404040 #ffffff #ffffff #404040; padding-left: 2px; padding-top: 2px; }"));
}

void PictureButton::paintEvent(QPaintEvent *event)
{
    QToolButton::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        drawFocus(this, painter);
    }
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    QToolButton::keyPressEvent(event);
}

} // namespace pelmix::ui
