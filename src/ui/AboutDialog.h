#pragma once

#include <QDialog>

namespace pelmix::ui {

// The about box: name, version, author. Not modal.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent);
};

} // namespace pelmix::ui
