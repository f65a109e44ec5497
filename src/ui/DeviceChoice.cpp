#include "DeviceChoice.h"

#include "device/PortNames.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSerialPortInfo>

namespace pelmix::ui {

DeviceChoice::DeviceChoice(QComboBox &devices, QLabel &status)
    : QObject(&devices)
    , m_devices(devices)
    , m_status(status)
{
    m_devices.setEditable(true);
    m_devices.setInsertPolicy(QComboBox::NoInsert);
    connect(&m_devices, &QComboBox::currentTextChanged, this, &DeviceChoice::showPresence);
}

QString DeviceChoice::describe(const QString &systemLocation, const QString &description,
                               const QString &manufacturer, const QString &serialNumber)
{
    QStringList details;
    for (const QString &detail : {description, manufacturer})
        if (!detail.isEmpty())
            details.append(detail);
    if (!serialNumber.isEmpty())
        details.append(tr("serial %1").arg(serialNumber));
    return details.isEmpty() ? systemLocation
                             : systemLocation + QStringLiteral(": ") + details.join(u", "_qs);
}

void DeviceChoice::show(int portNumber, const QString &current)
{
    m_portNumber = portNumber;
    const QSignalBlocker blocker(m_devices);
    m_devices.clear();
    if (portNumber < 1 || portNumber > 8) {
        m_devices.setEnabled(false);
        m_status.clear();
        return;
    }
    m_devices.setEnabled(true);
    const QString standard = device::defaultPortFor(portNumber);
    m_devices.addItem(tr("%1 (standard)").arg(standard), QString());
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        if (port.systemLocation() == standard)
            continue;
        m_devices.addItem(describe(port.systemLocation(), port.description(), port.manufacturer(),
                                   port.serialNumber()),
                          port.systemLocation());
    }
    int index = current.isEmpty() ? 0 : m_devices.findData(current);
    if (index < 0) {
        m_devices.addItem(current, current);
        index = m_devices.count() - 1;
    }
    m_devices.setCurrentIndex(index);
    showPresence();
}

QString DeviceChoice::chosen() const
{
    // A listed entry stands for its device; anything typed is a path.
    const int index = m_devices.currentIndex();
    if (index >= 0 && m_devices.currentText() == m_devices.itemText(index))
        return m_devices.itemData(index).toString();
    return m_devices.currentText().trimmed();
}

void DeviceChoice::showPresence()
{
    if (m_portNumber < 1)
        return;
    QString device = chosen();
    if (device.isEmpty())
        device = device::defaultPortFor(m_portNumber);
    bool present = false;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        present = present || port.systemLocation() == device || port.portName() == device;
#ifndef Q_OS_WIN
    present = present || QFileInfo::exists(device);
#endif
    m_status.setText(present ? tr("Present") : tr("Missing: %1 is not there").arg(device));
}

} // namespace pelmix::ui
