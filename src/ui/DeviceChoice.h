#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QLabel;

namespace pelmix::ui {

// The serial device behind one ComN, chosen from the devices the system has (USB adapters
// included) or typed as a path, with a word beside it when the device is missing.
class DeviceChoice : public QObject
{
    Q_OBJECT
public:
    DeviceChoice(QComboBox &devices, QLabel &status);

    // Lists the system's devices for ComN, the one it maps to now selected; empty `current`
    // stands for the platform's own device.
    void show(int portNumber, const QString &current);
    // The chosen device; empty for the platform's own.
    QString chosen() const;

    // "ttyUSB0: FT232R USB UART, FTDI, serial A50285BI"
    static QString describe(const QString &systemLocation, const QString &description,
                            const QString &manufacturer, const QString &serialNumber);

private:
    void showPresence();

    QComboBox &m_devices;
    QLabel &m_status;
    int m_portNumber = 0;
};

} // namespace pelmix::ui
