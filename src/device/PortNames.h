#pragma once

#include <QString>

class QSettings;

namespace pelmix::device {

// The system device behind ComN (N from 1 to 8): the name stored under "Ports/ComN" in
// the settings, else COMN on Windows and /dev/ttyS<N-1> elsewhere. Nothing for a number
// outside 1 to 8.
QString systemPortFor(int portNumber, const QSettings &settings);
// The platform's own device for ComN: COMN on Windows, /dev/ttyS<N-1> elsewhere.
QString defaultPortFor(int portNumber);

} // namespace pelmix::device
