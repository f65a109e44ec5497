#include "Display.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pelmix::measure {

namespace {

constexpr int SignificantDigits = 15;

} // namespace

QString formatFixed(double value, int decimals, const QLocale &locale)
{
    if (!std::isfinite(value))
        return QStringLiteral("Overflow");
    decimals = std::max(decimals, 0);

    // The value's 15 significant digits d0.d1...d14 times 10^exponent.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", SignificantDigits - 1, std::fabs(value));
    const char *e = std::strchr(buffer, 'e');
    const int exponent = std::atoi(e + 1);
    QByteArray digits;
    for (const char *p = buffer; p != e; ++p)
        if (*p != '.')
            digits += *p;

    // Digits before the decimal point: exponent + 1. Keep that many plus the decimals
    // and round on the next digit.
    const int keep = exponent + 1 + decimals;
    QByteArray kept;
    if (keep >= 0) {
        kept = digits.left(keep);
        if (kept.size() < keep)
            kept += QByteArray(keep - kept.size(), '0');
        if (keep < digits.size() && digits.at(keep) >= '5') {
            int i = kept.size() - 1;
            for (; i >= 0 && kept.at(i) == '9'; --i)
                kept[i] = '0';
            if (i >= 0)
                kept[i] = char(kept.at(i) + 1);
            else
                kept.prepend('1');
        }
    }
    if (kept.size() < decimals + 1)
        kept.prepend(QByteArray(decimals + 1 - kept.size(), '0'));

    QByteArray integer = kept.left(kept.size() - decimals);
    while (integer.size() > 1 && integer.startsWith('0'))
        integer.remove(0, 1);
    const QByteArray fraction = kept.right(decimals);

    QString text = QString::fromLatin1(integer);
    if (decimals > 0)
        text += locale.decimalPoint() + QString::fromLatin1(fraction);
    const bool zero = kept.count('0') == kept.size();
    if (value < 0 && !zero)
        text.prepend(QLatin1Char('-'));
    return text;
}

std::optional<QString> displayField(const QString &number, const QString &unit)
{
    const qsizetype spaces = DisplayWidth - number.size() - unit.size();
    if (spaces < 0)
        return std::nullopt;
    return QString(spaces, QLatin1Char(' ')) + number + unit;
}

QString displayText(const QString &number, const QString &unit)
{
    if (auto field = displayField(number, unit))
        return *field;
    return OverflowText;
}

double decodeCount(const QString &reply, int digits)
{
    const QString field = reply.mid(1, digits);
    if (field.isEmpty())
        return 0;
    // Up to 12 digits: every count is exact in a double.
    double count = 0;
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        int digit = 0;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else
            return 0;
        count = count * 16 + digit;
    }
    return count;
}

} // namespace pelmix::measure
