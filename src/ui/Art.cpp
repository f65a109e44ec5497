#include "Art.h"

#include <QPainter>
#include <QSvgRenderer>

namespace pelmix::ui::Art {

QPixmap pixmap(const QString &name, QSize size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/art/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon icon(const QString &name, QSize size)
{
    QIcon icon;
    icon.addPixmap(pixmap(name, size, 1.0));
    icon.addPixmap(pixmap(name, size, 2.0));
    return icon;
}

QIcon windowIcon()
{
    QIcon icon;
    for (const int side : {16, 32, 48, 64})
        icon.addPixmap(pixmap(QStringLiteral("icon"), QSize(side, side), 1.0));
    return icon;
}

} // namespace pelmix::ui::Art
