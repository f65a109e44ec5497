#include "LogDialog.h"

#include "PlainIcons.h"

#include "device/Wake.h"

#include <QFileDialog>
#include <QPointer>
#include <QStandardPaths>

namespace pelmix::ui {

QCoro::Task<std::optional<QString>> chooseLogFile(QWidget *parent, QString folder,
                                                  device::Shutdown &shutdown)
{
    auto *dialog = new QFileDialog(parent, QStringLiteral("Open Log File"));
    dialog->setObjectName(QStringLiteral("OpenLog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // A log that does not exist yet is created.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(
        {QStringLiteral("Log Files (*.log)"), QStringLiteral("All Files (*.*)")});
    // Looking into device files to pick their icons can block: icons by kind only, and
    // never start where a device file was last chosen.
    static PlainIcons plainIcons;
    dialog->setIconProvider(&plainIcons);
    dialog->setDirectory(folder.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                             : folder);
    QPointer<QFileDialog> guard = dialog;
    device::Wake wake(shutdown);
    wake.on(dialog, &QDialog::finished);
    dialog->open();
    const auto reason = co_await wake;
    if (!guard)
        co_return std::nullopt;
    guard->deleteLater();
    if (reason == device::Wake::Reason::Shutdown || guard->result() != QDialog::Accepted ||
        guard->selectedFiles().isEmpty())
        co_return std::nullopt;
    co_return guard->selectedFiles().constFirst();
}

} // namespace pelmix::ui
