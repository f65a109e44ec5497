#include "Quantity.h"

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

struct PrefixEntry
{
    int exponent;
    char16_t symbol;
};

constexpr PrefixEntry Prefixes[] = {{-12, u'p'}, {-9, u'n'}, {-6, u'\u00b5'}, {-3, u'm'},
                                    {0, 0},      {3, u'k'},  {6, u'M'},       {9, u'G'}};

QString withUnit(const QString &number, const Prefix &prefix, QLatin1String unit)
{
    const QString suffix = prefix.symbol + unit;
    return suffix.isEmpty() ? number : number + u' ' + suffix;
}

} // namespace

Prefix prefixFor(double magnitude, QLatin1String unit)
{
    magnitude = std::fabs(magnitude);
    if (unit.isEmpty() || !std::isfinite(magnitude) || magnitude == 0)
        return {};
    // A little below 1 still counts as 1, so that 999.9996 rounded to 1000 reads "1.000 k".
    const int exponent = int(std::floor(std::log10(magnitude) + 1e-9));
    const PrefixEntry *chosen = &Prefixes[0];
    for (const PrefixEntry &entry : Prefixes) {
        if (entry.exponent <= exponent)
            chosen = &entry;
    }
    Prefix prefix;
    prefix.factor = std::pow(10.0, chosen->exponent);
    if (chosen->symbol)
        prefix.symbol = QChar(chosen->symbol);
    return prefix;
}

double resolution(const analysis::Setup &setup)
{
    switch (setup.mode) {
    case analysis::Mode::Calibration:
    case analysis::Mode::Frequency:
        // One count in a measuring time of 10^position ms.
        return 1000.0 / std::pow(10.0, setup.position);
    case analysis::Mode::Period:
        return std::pow(10.0, -(setup.position + 7));
    case analysis::Mode::Interval:
        return 1e-7;
    case analysis::Mode::Count:
        break;
    }
    return 1;
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
    for (const PrefixEntry &entry : Prefixes) {
        if (!prefix.isEmpty() &&
            (prefix.front() == QChar(entry.symbol) ||
             (entry.exponent == -6 && (prefix.front() == u'u' || prefix.front() == u'\u03bc'))))
            value *= std::pow(10.0, entry.exponent);
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

QString quantityName(analysis::Mode mode)
{
    switch (mode) {
    case analysis::Mode::Calibration:
    case analysis::Mode::Frequency:
        return tr("Frequency");
    case analysis::Mode::Period:
        return tr("Period");
    case analysis::Mode::Interval:
        return tr("Time interval");
    case analysis::Mode::Count:
        break;
    }
    return tr("Count");
}

QString describeMeasurement(const analysis::Setup &setup)
{
    static const char *const MeasuringTimes[] = {"1 ms", "10 ms", "100 ms", "1 s", "10 s"};
    const int position = std::clamp(setup.position, 0, 4);
    switch (setup.mode) {
    case analysis::Mode::Calibration:
        return tr("Calibration, measuring time %1").arg(QLatin1String(MeasuringTimes[position]));
    case analysis::Mode::Frequency:
        return tr("Frequency, measuring time %1").arg(QLatin1String(MeasuringTimes[position]));
    case analysis::Mode::Period:
        return tr("Period, multiplier %1").arg(int(std::pow(10, position)));
    case analysis::Mode::Interval:
        return tr("Time interval");
    case analysis::Mode::Count:
        break;
    }
    return tr("Pulse count");
}

QString describeSetup(const analysis::Setup &setup)
{
    return tr("%1, %2 input, level %3, %4 edge, filter %5")
        .arg(describeMeasurement(setup), setup.analog ? tr("analog") : tr("digital"))
        .arg(setup.level)
        .arg(setup.fallingEdge ? tr("falling") : tr("rising"), setup.filter ? tr("on") : tr("off"));
}

bool hasAllanDeviation(analysis::Mode mode)
{
    return mode == analysis::Mode::Frequency || mode == analysis::Mode::Calibration ||
           mode == analysis::Mode::Period;
}

} // namespace pelmix::ui
