#pragma once

#include <QDialog>

#include <array>

class QComboBox;
class QLineEdit;

namespace pelmix::ui {

class DeviceChoice;

// What the options dialog sets: the port ComN (0 when no entry is chosen), the pause
// between cyclical measurements, seconds, and the device each ComN stands for (empty for
// the platform's own).
struct Options
{
    qint16 port = 2;
    float pause = 1.0f;
    std::array<QString, 8> devices;
    // Every ComN is one device (the simulated counter): nothing to choose.
    bool devicesFixed = false;
};

// The options dialog. Not modal. OK applies and closes; Cancel or Esc asks to end the
// program; the close box only closes.
class OptionsDialog : public QDialog
{
    Q_OBJECT
public:
    OptionsDialog(const Options &initial, QWidget *parent);

    // The options as chosen, once accepted.
    Options options() const { return m_options; }
    void accept() override;

    // The leading number of a text: blanks skipped, then a sign, digits, one "." and an
    // exponent, up to the first character that does not fit; 0 when there is none.
    static float leadingNumber(const QString &text);

signals:
    void quitRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void cancel();

    void showDevice();

    Options m_options;
    DeviceChoice *m_deviceChoice = nullptr;
    int m_shownPort = 0;
    QComboBox *cboPort;
    QLineEdit *TimWin;
};

} // namespace pelmix::ui
