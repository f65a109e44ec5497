#include "ReadingText.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace pelmix::readings {

namespace {

constexpr qint64 MsPerDay = 86400000;

} // namespace

QByteArray formatNumber(double value)
{
    if (std::isnan(value))
        return QByteArray();
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    Q_ASSERT(error == std::errc());
    return QByteArray(buffer, end - buffer);
}

std::optional<double> parseNumber(QByteArrayView text)
{
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

QByteArray formatUtc(qint64 utcMs)
{
    using namespace std::chrono;
    const qint64 day = utcMs >= 0 ? utcMs / MsPerDay : -((-utcMs - 1) / MsPerDay) - 1;
    qint64 ms = utcMs - day * MsPerDay;
    const year_month_day date{sys_days{days{day}}};
    char buffer[40];
    const int length =
        std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                      int(date.year()), unsigned(date.month()), unsigned(date.day()),
                      int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60), int(ms % 1000));
    return QByteArray(buffer, length);
}

std::optional<qint64> parseUtc(QByteArrayView text)
{
    using namespace std::chrono;
    // YYYY-MM-DDTHH:MM:SS, a fraction, Z
    auto digits = [&text](qsizetype from, qsizetype count) -> std::optional<int> {
        if (from + count > text.size())
            return std::nullopt;
        int value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2);
    const auto h = digits(11, 2), mi = digits(14, 2), s = digits(17, 2);
    if (!y || !mo || !d || !h || !mi || !s || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != 't') || text[13] != ':' || text[16] != ':' || *h > 23 ||
        *mi > 59 || *s > 59)
        return std::nullopt;
    const year_month_day date{year(*y), month(unsigned(*mo)), day(unsigned(*d))};
    if (!date.ok())
        return std::nullopt;

    qsizetype i = 19;
    int ms = 0;
    if (i < text.size() && text[i] == '.') {
        const qsizetype first = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        if (i == first || i - first > 9)
            return std::nullopt;
        for (qsizetype k = first; k < first + 3; ++k)
            ms = ms * 10 + (k < i ? text[k] - '0' : 0);
    }
    if (i + 1 != text.size() || (text[i] != 'Z' && text[i] != 'z'))
        return std::nullopt;
    const qint64 day = sys_days(date).time_since_epoch().count();
    return day * MsPerDay + (*h * 3600 + *mi * 60 + *s) * qint64(1000) + ms;
}

} // namespace pelmix::readings
