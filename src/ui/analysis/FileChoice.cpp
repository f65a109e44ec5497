#include "FileChoice.h"

#include "ui/PlainIcons.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QStandardPaths>

namespace pelmix::ui {

namespace {

// "png" from "PNG Image (*.png)"; nothing from "All Files (*.*)".
QString suffixOf(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

} // namespace

QFileDialog *chooseFile(QWidget *parent, const FileRequest &request,
                        std::function<void(const QString &path)> chosen)
{
    auto *dialog = new QFileDialog(parent, request.title);
    dialog->setObjectName(request.objectName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(request.saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(request.filters);
    // Looking into device files to pick their icons can block.
    static PlainIcons plainIcons;
    dialog->setIconProvider(&plainIcons);
    dialog->setDirectory(request.folder.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                             : request.folder);
    if (!request.filters.isEmpty())
        dialog->setDefaultSuffix(suffixOf(request.filters.constFirst()));
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString &filter) {
        dialog->setDefaultSuffix(suffixOf(filter));
    });
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString &path) { chosen(path); });
    dialog->open();
    return dialog;
}

} // namespace pelmix::ui
