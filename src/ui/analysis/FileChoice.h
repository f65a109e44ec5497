#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;
class QWidget;

namespace pelmix::ui {

// What a file dialog of the analysis asks for.
struct FileRequest
{
    QString title;
    QString objectName;
    // "PNG Image (*.png)": the first is selected; a name typed without a suffix takes the
    // selected filter's.
    QStringList filters;
    QString folder;
    // Saving asks before replacing a file; otherwise an existing file is chosen to go on
    // in, or a new one named.
    bool saving = true;
};

// Shows a file dialog over `parent` without waiting for it; `chosen` gets the path when
// the user accepts one. Starts in the documents folder when the request names none.
QFileDialog *chooseFile(QWidget *parent, const FileRequest &request,
                        std::function<void(const QString &path)> chosen);

} // namespace pelmix::ui
