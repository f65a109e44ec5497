#pragma once

#include <QList>
#include <QString>

#include <memory>

class QSettings;

namespace pelmix::cli {

// The port the window uses until another is chosen.
inline constexpr int DefaultPortNumber = 2;

// A port to measure on: the device, and the ComN that messages call it by.
struct PortChoice
{
    // 0 for a device that no ComN of the settings names.
    int number = DefaultPortNumber;
    QString device;
};

// The settings the window keeps, with its port names ("Ports/ComN").
std::unique_ptr<QSettings> windowSettings();

// "ComN" (N from 1 to 8, in any case) names the device the settings map it to, as in the
// window; anything else is a device path, used as it is. Throws UsageError for a ComN
// outside 1 to 8.
PortChoice portChoiceOf(const QString &text, const QSettings &settings);
// The numbers N of every ComN whose device is `device`, symbolic links followed.
QList<int> comNumbersFor(const QString &device, const QSettings &settings);

} // namespace pelmix::cli
