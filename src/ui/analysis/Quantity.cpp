#include "Quantity.h"

#include "core/SiPrefix.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace pelmix::ui {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pelmix::ui::Quantity", text);
}

QString withUnit(const QString &number, const Prefix &prefix, QLatin1String unit)
{
    const QString suffix = prefix.symbol + unit;
    return suffix.isEmpty() ? number : number + u' ' + suffix;
}

} // namespace

Prefix prefixFor(double magnitude, QLatin1String unit)
{
    if (unit.isEmpty())
        return {};
    const SiPrefix si = siPrefixFor(magnitude);
    return {si.factor(), si.symbol};
}

double resolution(const Setup &setup)
{
    return modeInfo(setup.mode).scale(std::clamp(setup.position, 0, MaxPosition));
}

QString formatQuantity(double value, QLatin1String unit, double step)
{
    if (!std::isfinite(value))
        return QStringLiteral("\u2013");
    if (!(step > 0) || !std::isfinite(step))
        return formatSignificant(value, unit, 6);
    // Adding zero turns a rounded -0 into 0.
    const double rounded = std::round(value / step) * step + 0.0;
    if (rounded == 0)
        return withUnit(QStringLiteral("0"), {}, unit);
    const Prefix prefix = prefixFor(rounded, unit);
    const int decimals = std::max(0, int(std::ceil(std::log10(prefix.factor / step) - 1e-9)));
    return withUnit(QString::number(rounded / prefix.factor, 'f', decimals), prefix, unit);
}

QString formatQuantity(double value, QLatin1String unit, double step, const Prefix &prefix)
{
    if (!std::isfinite(value) || !(step > 0) || !std::isfinite(step) || !(prefix.factor > 0))
        return formatQuantity(value, unit, step);
    const double rounded = std::round(value / step) * step + 0.0;
    const int decimals = std::max(0, int(std::ceil(std::log10(prefix.factor / step) - 1e-9)));
    return withUnit(QString::number(rounded / prefix.factor, 'f', decimals), prefix, unit);
}

QString formatSignificant(double value, QLatin1String unit, int digits)
{
    if (!std::isfinite(value))
        return QStringLiteral("\u2013");
    const Prefix prefix = prefixFor(value, unit);
    const double scaled = value / prefix.factor;
    const int magnitude = scaled != 0 ? int(std::floor(std::log10(std::fabs(scaled)))) : 0;
    const int decimals = std::max(0, digits - 1 - magnitude);
    return withUnit(QString::number(scaled, 'f', decimals), prefix, unit);
}

std::optional<double> parseQuantity(const QString &text, QLatin1String unit, bool *ok)
{
    *ok = true;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    static const QRegularExpression form(QStringLiteral(
        "^([-+]?(?:\\d+[.,]?\\d*|[.,]\\d+)(?:[eE][-+]?\\d+)?)\\s*([pnu\u00b5\u03bcmkMG]?)"
        "\\s*([A-Za-z]*)$"));
    const QRegularExpressionMatch match = form.match(trimmed);
    const QString unitText = match.captured(3);
    if (!match.hasMatch() || (!unitText.isEmpty() && unitText.compare(unit, Qt::CaseInsensitive))) {
        *ok = false;
        return std::nullopt;
    }
    QString number = match.captured(1);
    number.replace(u',', u'.');
    bool isNumber = false;
    double value = QLocale::c().toDouble(number, &isNumber);
    if (!isNumber || !std::isfinite(value)) {
        *ok = false;
        return std::nullopt;
    }
    const QString prefix = match.captured(2);
    if (!prefix.isEmpty()) {
        if (const std::optional<int> exponent = siExponentOf(prefix.front()))
            value *= std::pow(10.0, *exponent);
    }
    return value;
}

double niceStep(double span, int ticks)
{
    if (!(span > 0) || !std::isfinite(span) || ticks < 1)
        return 1;
    const double rough = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * power >= rough)
            return multiple * power;
    }
    return 10 * power;
}

int decimalsFor(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    return std::max(0, int(std::ceil(-std::log10(step) - 1e-9)));
}

QString quantityName(pelmix::Mode mode)
{
    switch (mode) {
    case pelmix::Mode::Calibration:
    case pelmix::Mode::Frequency:
        return tr("Frequency");
    case pelmix::Mode::Period:
        return tr("Period");
    case pelmix::Mode::Interval:
        return tr("Time interval");
    case pelmix::Mode::Count:
        break;
    }
    return tr("Count");
}

QString describeMeasurement(const pelmix::Setup &setup)
{
    static const char *const MeasuringTimes[] = {"1 ms", "10 ms", "100 ms", "1 s", "10 s"};
    const int position = std::clamp(setup.position, 0, 4);
    switch (setup.mode) {
    case pelmix::Mode::Calibration:
        return tr("Calibration, measuring time %1").arg(QLatin1String(MeasuringTimes[position]));
    case pelmix::Mode::Frequency:
        return tr("Frequency, measuring time %1").arg(QLatin1String(MeasuringTimes[position]));
    case pelmix::Mode::Period:
        return tr("Period, multiplier %1").arg(int(std::pow(10, position)));
    case pelmix::Mode::Interval:
        return tr("Time interval");
    case pelmix::Mode::Count:
        break;
    }
    return tr("Pulse count");
}

QString describeSetup(const pelmix::Setup &setup)
{
    return tr("%1, %2 input, level %3, %4 edge, filter %5")
        .arg(describeMeasurement(setup), setup.analog ? tr("analog") : tr("digital"))
        .arg(setup.level)
        .arg(setup.fallingEdge ? tr("falling") : tr("rising"), setup.filter ? tr("on") : tr("off"));
}

bool hasAllanDeviation(pelmix::Mode mode)
{
    return mode == pelmix::Mode::Frequency || mode == pelmix::Mode::Calibration ||
           mode == pelmix::Mode::Period;
}

} // namespace pelmix::ui
