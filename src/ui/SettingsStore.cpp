#include "SettingsStore.h"

#include "device/PortNames.h"

#include <cmath>

namespace pelmix::ui {

namespace {

const QString Group = QStringLiteral("Settings/");

QLocale numberLocale(QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(QStringLiteral("Pelmix"), QStringLiteral("Pelmix"))
{
}

std::optional<float> SettingsStore::toSingle(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = numberLocale(locale).toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 3.4e38)
        return std::nullopt;
    return float(value);
}

std::optional<qint16> SettingsStore::toPort(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = numberLocale(locale).toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // ties to even
    if (rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return qint16(rounded);
}

QString SettingsStore::fromSingle(float value, const QLocale &locale)
{
    return numberLocale(locale).toString(double(value), 'g', 7);
}

float SettingsStore::single(const QString &key, float fallback) const
{
    const QString text = m_settings.value(Group + key).toString();
    return toSingle(text, QLocale()).value_or(fallback);
}

void SettingsStore::storePosition(float left, float top)
{
    m_settings.setValue(Group + QStringLiteral("MainLeft"), fromSingle(left, QLocale()));
    m_settings.setValue(Group + QStringLiteral("MainTop"), fromSingle(top, QLocale()));
    m_settings.sync();
}

qint16 SettingsStore::port() const
{
    const QString text = m_settings.value(Group + QStringLiteral("Port")).toString();
    return toPort(text, QLocale()).value_or(DefaultPort);
}

void SettingsStore::storePort(qint16 port)
{
    m_settings.setValue(Group + QStringLiteral("Port"), QString::number(port));
    m_settings.sync();
}

QString SettingsStore::systemPortFor(int portNumber) const
{
    return device::systemPortFor(portNumber, m_settings);
}

QString SettingsStore::portDevice(int portNumber) const
{
    return m_settings.value(QStringLiteral("Ports/Com%1").arg(portNumber)).toString().trimmed();
}

void SettingsStore::storePortDevice(int portNumber, const QString &device)
{
    const QString key = QStringLiteral("Ports/Com%1").arg(portNumber);
    if (device.trimmed().isEmpty())
        m_settings.remove(key);
    else
        m_settings.setValue(key, device.trimmed());
    m_settings.sync();
}

} // namespace pelmix::ui
