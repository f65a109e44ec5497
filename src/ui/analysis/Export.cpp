#include "Export.h"

#include "readings/SaveFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QGraphicsView>
#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>

namespace pelmix::ui {

std::optional<QString> writeChart(QGraphicsView &view, const QString &path)
{
    // Drawn in memory first: the file's writes then fail with the system's reason.
    QBuffer image;
    image.open(QIODevice::WriteOnly);
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator generator;
        generator.setOutputDevice(&image);
        generator.setSize(view.viewport()->size());
        generator.setViewBox(QRect(QPoint(0, 0), view.viewport()->size()));
        generator.setTitle(view.accessibleName());
        QPainter painter(&generator);
        view.render(&painter);
    } else if (!view.viewport()->grab().save(&image, "PNG")) {
        return QCoreApplication::translate("pelmix::ui::Export", "the image cannot be drawn");
    }
    readings::SaveFile file(path);
    if (const auto failure = file.open())
        return failure;
    file.write(image.data());
    return file.commit();
}

} // namespace pelmix::ui
