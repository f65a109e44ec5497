#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace pelmix::ui {

class DialogHost;
class SettingsStore;

// The options dialog: the serial port and the pause between cyclical measurements.
// Not modal. OK applies and closes (the main window then reopens the port); Cancel or
// Esc ends the program; the close box only closes.
class OptionsDialog : public QDialog
{
    Q_OBJECT
public:
    OptionsDialog(DialogHost &host, SettingsStore &settings, QWidget *parent);

    // The leading number of a text: blanks skipped, then a sign, digits, one "." and an
    // exponent, up to the first character that does not fit; 0 when there is none.
    static float leadingNumber(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load();
    void accept();
    void cancel();

    DialogHost &m_host;
    SettingsStore &m_settings;
    QComboBox *cboPort;
    QLineEdit *TimWin;
};

} // namespace pelmix::ui
