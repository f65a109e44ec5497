// Formats arbitrary doubles for the displays.
// Input: 8 bytes of a double, a byte for the decimals (0..6), a byte for the locale
// (C or German), an optional byte for the unit.

#include "measure/Display.h"

#include "FuzzCheck.h"

#include <QLocale>
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

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The shape of a fixed number: [-]digits[<point>decimals], no leading zeros, no "-0".
void checkShape(const QString &text, int decimals, const QString &point, double value)
{
    FUZZ_CHECK(point.size() == 1);
    qsizetype i = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative) {
        FUZZ_CHECK(value < 0);
        ++i;
    }
    const qsizetype integerStart = i;
    while (i < text.size() && isDigit(text.at(i)))
        ++i;
    const qsizetype integerDigits = i - integerStart;
    FUZZ_CHECK(integerDigits >= 1);
    FUZZ_CHECK(integerDigits == 1 || text.at(integerStart) != QLatin1Char('0'));
    if (decimals == 0) {
        FUZZ_CHECK(i == text.size());
    } else {
        FUZZ_CHECK(i < text.size() && text.at(i) == point.at(0));
        ++i;
        FUZZ_CHECK(text.size() - i == decimals);
        for (; i < text.size(); ++i)
            FUZZ_CHECK(isDigit(text.at(i)));
    }
    if (negative) {
        bool allZero = true;
        for (const QChar c : text)
            allZero = allZero && (!isDigit(c) || c == QLatin1Char('0'));
        FUZZ_CHECK(!allZero);
    }
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
    checkShape(text, decimals, locale.decimalPoint(), value);

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
