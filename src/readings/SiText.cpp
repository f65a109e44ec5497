#include "SiText.h"

#include "ReadingText.h"

#include "core/SiPrefix.h"

#include <cmath>

namespace pelmix::readings {

QString withSiPrefix(double value, const QString &unit)
{
    if (unit.isEmpty() || value == 0 || !std::isfinite(value)) {
        const QString number = QString::fromLatin1(formatNumber(value));
        return unit.isEmpty() ? number : number + u' ' + unit;
    }
    const SiPrefix prefix = siPrefixFor(value);
    // 15 significant digits hold every count the counter sends and drop the noise of the
    // division.
    const double scaled = value / prefix.factor();
    return QString::number(scaled, 'g', 15) + u' ' + prefix.symbol + unit;
}

} // namespace pelmix::readings
