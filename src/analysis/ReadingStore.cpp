#include "ReadingStore.h"

namespace pelmix::analysis {

qsizetype ReadingStore::append(const Setup &setup, const Reading &reading, const QString &reply)
{
    if (m_series.empty() || m_ended || m_series.back()->setup() != setup)
        m_series.push_back(std::make_unique<Series>(setup));
    m_ended = false;
    m_series.back()->append(reading, reply);
    ++m_readings;
    return qsizetype(m_series.size()) - 1;
}

void ReadingStore::clear()
{
    m_series.clear();
    m_readings = 0;
    m_ended = false;
}

const Series &ReadingStore::series(qsizetype index) const
{
    Q_ASSERT(index >= 0 && index < seriesCount());
    return *m_series[std::size_t(index)];
}

const Series *ReadingStore::current() const
{
    return m_series.empty() ? nullptr : m_series.back().get();
}

std::size_t ReadingStore::memoryBytes() const
{
    std::size_t bytes = sizeof(ReadingStore) + m_series.capacity() * sizeof(m_series[0]);
    for (const auto &series : m_series)
        bytes += series->memoryBytes();
    return bytes;
}

} // namespace pelmix::analysis
