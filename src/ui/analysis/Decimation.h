#pragma once

#include "Limits.h"

#include <QList>
#include <QPointF>

#include <limits>

namespace pelmix::analysis {
class Series;
}

namespace pelmix::ui {

// What a chart draws of a series between two times: at most the smallest and the largest
// value of each pixel column, in the order they were taken, so a million readings become
// a few thousand points that trace the same outline.
struct Envelope
{
    // Plus the nearest reading on each side of the range, so the line runs to the edges.
    QList<QPointF> line;
    // Readings beyond the limits: the extreme one of each column that has any.
    QList<QPointF> outside;
    // The extremes of the values inside the range; NaN when it holds none.
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = std::numeric_limits<double>::quiet_NaN();
};

// A point's x is its elapsed time less `origin`, its y its value over `unitScale`. Gaps
// have no value and are left out. The series' elapsed times never decrease.
struct EnvelopeRequest
{
    double from = 0;
    double to = 1;
    int columns = 1;
    double origin = 0;
    double unitScale = 1;
    Limits limits;
};

Envelope decimate(const analysis::Series &series, const EnvelopeRequest &request);

} // namespace pelmix::ui
