#include "Decimation.h"

#include "analysis/Series.h"

#include <algorithm>

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
    QPointF min;
    QPointF max;
    double minValue = 0;
    double maxValue = 0;

    void add(qsizetype index, const QPointF &point, double value)
    {
        if (count == 0 || value < minValue) {
            minAt = index;
            min = point;
            minValue = value;
        }
        if (count == 0 || value > maxValue) {
            maxAt = index;
            max = point;
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
    auto flush = [&] {
        if (column.count == 0)
            return;
        const bool minFirst = column.minAt <= column.maxAt;
        out.line.append(minFirst ? column.min : column.max);
        if (column.minAt != column.maxAt)
            out.line.append(minFirst ? column.max : column.min);
        if (columnIndex < 0 || columnIndex >= request.columns)
            return;
        const Limits &limits = request.limits;
        if (limits.upper && column.maxValue > *limits.upper)
            out.outside.append(column.max);
        if (limits.lower && column.minValue < *limits.lower)
            out.outside.append(column.min);
    };

    for (qsizetype i = begin; i < end;) {
        const analysis::Series::Block block = series.block(i);
        const qsizetype count = std::min(block.count, end - i);
        for (qsizetype k = 0; k < count; ++k) {
            if (block.status[k] != analysis::Status::Ok)
                continue;
            const double value = block.value[k];
            const double x = block.elapsed[k] - request.origin;
            const double y = value / request.unitScale;
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
            column.add(i + k, QPointF(x, y), value);
            if (index >= 0 && index < request.columns) {
                if (!(y >= out.low))
                    out.low = y;
                if (!(y <= out.high))
                    out.high = y;
            }
        }
        i += count;
    }
    flush();
    return out;
}

} // namespace pelmix::ui
