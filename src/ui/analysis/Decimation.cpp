#include "Decimation.h"

#include "analysis/Series.h"

#include <algorithm>
#include <limits>

namespace pelmix::ui {

namespace {

// The first index whose time is not before `time` (`orAfter` false), or after it (true).
qsizetype firstIndex(const analysis::Series &series, double time, bool orAfter)
{
    qsizetype low = 0;
    qsizetype high = series.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        const double at = series.at(middle).elapsed;
        if (orAfter ? at <= time : at < time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// The readings of one pixel column: its extremes and where they were taken.
struct Column
{
    qsizetype count = 0;
    qsizetype minAt = 0;
    qsizetype maxAt = 0;
    double minX = 0;
    double maxX = 0;
    double minValue = 0;
    double maxValue = 0;

    void add(qsizetype index, double x, double value)
    {
        if (count == 0 || value < minValue) {
            minAt = index;
            minX = x;
            minValue = value;
        }
        if (count == 0 || value > maxValue) {
            maxAt = index;
            maxX = x;
            maxValue = value;
        }
        ++count;
    }
};

} // namespace

Envelope decimate(const analysis::Series &series, const EnvelopeRequest &request)
{
    Envelope out;
    if (series.isEmpty() || !(request.to > request.from) || request.columns < 1)
        return out;
    const qsizetype first = firstIndex(series, request.origin + request.from, false);
    const qsizetype last = firstIndex(series, request.origin + request.to, true);
    const qsizetype begin = std::max<qsizetype>(0, first - 1);
    const qsizetype end = std::min(series.size(), last + 1);
    const double perColumn = double(request.columns) / (request.to - request.from);
    out.line.reserve(2 * request.columns + 4);

    Column column;
    qint64 columnIndex = -2;
    // Values are scaled only as they are drawn: a column's two, not all of its readings.
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = low;
    auto flush = [&] {
        if (column.count == 0)
            return;
        const QPointF min(column.minX, column.minValue / request.unitScale);
        const QPointF max(column.maxX, column.maxValue / request.unitScale);
        const bool minFirst = column.minAt <= column.maxAt;
        out.line.append(minFirst ? min : max);
        if (column.minAt != column.maxAt)
            out.line.append(minFirst ? max : min);
        if (columnIndex < 0 || columnIndex >= request.columns)
            return;
        if (!(column.minValue >= low))
            low = column.minValue;
        if (!(column.maxValue <= high))
            high = column.maxValue;
        const Limits &limits = request.limits;
        if (limits.upper && column.maxValue > *limits.upper)
            out.outside.append(max);
        if (limits.lower && column.minValue < *limits.lower)
            out.outside.append(min);
    };

    for (qsizetype i = begin; i < end;) {
        const analysis::Series::Block block = series.block(i);
        const qsizetype count = std::min(block.count, end - i);
        for (qsizetype k = 0; k < count; ++k) {
            if (block.status[k] != pelmix::Status::Ok)
                continue;
            const double x = block.elapsed[k] - request.origin;
            qint64 index = -1;
            if (x > request.to)
                index = request.columns;
            else if (x >= request.from)
                index =
                    std::min<qint64>(request.columns - 1, qint64((x - request.from) * perColumn));
            if (index != columnIndex) {
                flush();
                column = Column();
                columnIndex = index;
            }
            column.add(i + k, x, block.value[k]);
        }
        i += count;
    }
    flush();
    out.low = low / request.unitScale;
    out.high = high / request.unitScale;
    return out;
}

} // namespace pelmix::ui
