#pragma once

#include <QDialog>

namespace pelmix::ui {

class DialogHost;

// The about box: name, version, author. Not modal. Closing it, by whatever way,
// releases the serial port; the main window reopens it when it is active again.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    AboutDialog(DialogHost &host, QWidget *parent);

    void done(int result) override;

private:
    DialogHost &m_host;
    bool m_unloaded = false;
};

} // namespace pelmix::ui
