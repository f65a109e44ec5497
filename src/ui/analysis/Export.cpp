#include "Export.h"

#include "analysis/Csv.h"

#include <QCoreApplication>
#include <QGraphicsView>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QSvgGenerator>

namespace pelmix::ui {

std::optional<QString> writeReadings(const QString &path, const pelmix::Setup &setup,
                                     const std::vector<analysis::Reading> &readings)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    analysis::CsvWriter writer(&file);
    for (const analysis::Reading &reading : readings) {
        if (!writer.write(setup, reading)) {
            file.cancelWriting();
            return writer.errorString();
        }
    }
    if (readings.empty() && file.write(analysis::csvHeader()) < 0) {
        file.cancelWriting();
        return file.errorString();
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

std::optional<QString> writeChart(QGraphicsView &view, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(view.viewport()->size());
        generator.setViewBox(QRect(QPoint(0, 0), view.viewport()->size()));
        generator.setTitle(view.accessibleName());
        QPainter painter(&generator);
        view.render(&painter);
    } else if (!view.viewport()->grab().save(&file, "PNG")) {
        file.cancelWriting();
        return QCoreApplication::translate("pelmix::ui::Export", "the image cannot be written");
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace pelmix::ui
