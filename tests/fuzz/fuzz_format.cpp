// Formats arbitrary doubles for the displays.
// Input: 8 bytes of a double, a byte for the decimals (0..6), a byte for the locale
// (C or German), an optional byte for the unit.

#include "measure/Display.h"

#include "FuzzCheck.h"

#include <QLocale>
#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

using namespace pelmix::measure;

namespace {

// The shape of a fixed number: [-]digits[<point>decimals], no leading zeros, no "-0".
void checkShape(const QString &text, int decimals, QChar point, double value)
{
    static const QRegularExpression shape(
        QRegularExpression::anchoredPattern(u"-?(?:0|[1-9][0-9]*)(?:(\\D)([0-9]+))?"_qs));
    const QRegularExpressionMatch match = shape.match(text);
    FUZZ_CHECK(match.hasMatch());
    FUZZ_CHECK(match.captured(1) == (decimals ? QString(point) : QString()));
    FUZZ_CHECK(match.captured(2).size() == decimals);
    static const QRegularExpression nonZero(u"[1-9]"_qs);
    if (text.startsWith(u'-'))
        FUZZ_CHECK(value < 0 && text.contains(nonZero));
}

void checkDisplay(const QString &number, const QString &unit)
{
    const std::optional<QString> field = displayField(number, unit);
    if (number.size() + unit.size() <= DisplayWidth) {
        FUZZ_CHECK(field.has_value());
        FUZZ_CHECK(field->size() == DisplayWidth);
        FUZZ_CHECK(field->endsWith(number + unit));
        for (qsizetype i = 0; i < DisplayWidth - number.size() - unit.size(); ++i)
            FUZZ_CHECK(field->at(i) == QLatin1Char(' '));
    } else {
        FUZZ_CHECK(!field.has_value());
    }
    const QString shown = displayText(number, unit);
    FUZZ_CHECK(shown.size() == DisplayWidth);
    FUZZ_CHECK(field ? shown == *field : shown == QStringLiteral("     Overflow"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 10)
        return 0;
    static const QLocale german(QLocale::German, QLocale::Germany);
    static const QString units[] = {QString(), QStringLiteral("Hz"), QStringLiteral("kHz"),
                                    QStringLiteral("mkS")};

    double value;
    std::memcpy(&value, data, sizeof value);
    const int decimals = data[8] % 7;
    const QLocale locale = data[9] & 1 ? german : QLocale::c();
    const QString &unit = units[size > 10 ? data[10] % 4 : 0];

    const QString text = formatFixed(value, decimals, locale);
    checkDisplay(text, unit);
    if (!std::isfinite(value)) {
        FUZZ_CHECK(text == QStringLiteral("Overflow"));
        return 0;
    }
    checkShape(text, decimals, locale.decimalPoint().at(0), value);

    if (std::fabs(value) < 1e15) {
        std::string c = text.toStdString();
        for (char &ch : c)
            if (ch == ',')
                ch = '.';
        char *end = nullptr;
        const double parsed = std::strtod(c.c_str(), &end);
        FUZZ_CHECK(end == c.c_str() + c.size());
        const double bound =
            0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-12 * std::fabs(value);
        FUZZ_CHECK(std::fabs(parsed - value) <= bound);
    }
    return 0;
}
