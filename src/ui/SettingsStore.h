#pragma once

#include <QLocale>
#include <QSettings>
#include <QString>

#include <optional>

namespace pelmix::ui {

// The per-user settings: the main window's position in twips and the port number,
// stored as text in group "Settings"; the system port behind each ComN in group
// "Ports". A value that does not convert reads as its default.
class SettingsStore
{
public:
    static constexpr float DefaultPosition = 1000;
    static constexpr qint16 DefaultPort = 2;

    SettingsStore();

    float mainLeft() const { return single(QStringLiteral("MainLeft"), DefaultPosition); }
    float mainTop() const { return single(QStringLiteral("MainTop"), DefaultPosition); }
    void storePosition(float left, float top);
    qint16 port() const;
    void storePort(qint16 port);

    // The device behind ComN: a name stored under "Ports/ComN", else COMN on Windows
    // and /dev/ttyS<N-1> elsewhere. Nothing for a number outside 1 to 8.
    QString systemPortFor(int portNumber) const;
    // The device chosen for ComN, empty where the platform's own is used.
    QString portDevice(int portNumber) const;
    void storePortDevice(int portNumber, const QString &device);

    static std::optional<float> toSingle(const QString &text, const QLocale &locale);
    // Fractions round half to even: 2.5 gives 2, 3.5 gives 4.
    static std::optional<qint16> toPort(const QString &text, const QLocale &locale);
    // The shortest form with up to 7 significant digits, no group separators.
    static QString fromSingle(float value, const QLocale &locale);

private:
    float single(const QString &key, float fallback) const;

    mutable QSettings m_settings;
};

} // namespace pelmix::ui
