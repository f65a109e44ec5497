#pragma once

#include "Series.h"

#include <memory>
#include <vector>

namespace pelmix::analysis {

// The readings of a session: one series per run of equal setups, the earlier series kept
// until the user clears them. A plain class the window polls or wraps; like Series it is
// not thread-safe, so heavy analysis works on copies taken where the readings come in.
class ReadingStore
{
public:
    // Appends to the current series, or starts a new one when the setup differs from it
    // (also when it equals an earlier series'). Returns the index of the series.
    qsizetype append(const Setup &setup, const Reading &reading, const QString &reply = QString());
    // The next reading starts a new series whatever its setup: readings from a file stay
    // apart from those measured before and after them.
    void endSeries() { m_ended = true; }
    void clear();

    bool isEmpty() const { return m_series.empty(); }
    qsizetype seriesCount() const { return qsizetype(m_series.size()); }
    // Stays valid, at the same address, until clear().
    const Series &series(qsizetype index) const;
    // The series the next reading of the same setup goes to; null when empty.
    const Series *current() const;
    qint64 readingCount() const { return m_readings; }
    std::size_t memoryBytes() const;

private:
    std::vector<std::unique_ptr<Series>> m_series;
    qint64 m_readings = 0;
    bool m_ended = false;
};

} // namespace pelmix::analysis
