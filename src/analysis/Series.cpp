#include "Series.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace pelmix::analysis {

namespace {

// The first chunks double from 256 readings to 4096, so that the many short series a
// session of setting changes leaves behind stay small; from then on every chunk holds
// 8192 readings (200 kB).
constexpr qsizetype FirstChunk = 256;
constexpr int GrowingChunks = 5;
constexpr qsizetype FullChunk = FirstChunk << GrowingChunks;
constexpr qsizetype InGrowingChunks = FirstChunk * ((qsizetype(1) << GrowingChunks) - 1);

qsizetype chunkCapacity(qsizetype chunk)
{
    return chunk < GrowingChunks ? FirstChunk << chunk : FullChunk;
}

} // namespace

Series::Chunk::Chunk(qsizetype capacity)
    : capacity(capacity)
    , utcMs(std::make_unique_for_overwrite<qint64[]>(std::size_t(capacity)))
    , elapsed(std::make_shared_for_overwrite<double[]>(std::size_t(capacity)))
    , value(std::make_shared_for_overwrite<double[]>(std::size_t(capacity)))
    , status(std::make_shared_for_overwrite<Status[]>(std::size_t(capacity)))
{
}

Series::Series(const Setup &setup)
    : m_setup(setup)
{
}

Series::Place Series::place(qsizetype index)
{
    if (index < InGrowingChunks) {
        const auto chunk = qsizetype(std::bit_width(std::size_t(index / FirstChunk + 1))) - 1;
        return {chunk, index - FirstChunk * ((qsizetype(1) << chunk) - 1)};
    }
    const qsizetype rest = index - InGrowingChunks;
    return {GrowingChunks + rest / FullChunk, rest % FullChunk};
}

Reading Series::at(qsizetype index) const
{
    Q_ASSERT(index >= 0 && index < m_size);
    const auto [chunk, offset] = place(index);
    const Chunk &c = m_chunks[std::size_t(chunk)];
    return {c.utcMs[offset], c.elapsed[offset], c.value[offset], c.status[offset]};
}

qsizetype Series::count(Status status) const
{
    return m_statusCounts[std::size_t(status)];
}

void Series::append(const Reading &reading, const QString &reply)
{
    const auto [chunk, offset] = place(m_size);
    if (std::size_t(chunk) == m_chunks.size())
        m_chunks.emplace_back(chunkCapacity(chunk));
    Chunk &c = m_chunks.back();
    c.utcMs[offset] = reading.utcMs;
    c.elapsed[offset] = reading.elapsed;
    // Only a reading with a value carries a number, whatever the caller left in it.
    c.value[offset] = reading.hasValue() ? reading.value : std::numeric_limits<double>::quiet_NaN();
    c.status[offset] = reading.status;
    ++m_size;
    ++m_statusCounts[std::size_t(reading.status)];
    if (!reading.isGap()) {
        m_statistics.add(reading.value);
        m_trend.add(reading.elapsed, reading.value);
    }
    m_lastReply = reply;
}

template<typename Visit> void Series::forEach(qsizetype from, qsizetype to, Visit visit) const
{
    while (from < to) {
        const auto [chunk, offset] = place(from);
        const Chunk &c = m_chunks[std::size_t(chunk)];
        const qsizetype end = std::min(c.capacity, offset + (to - from));
        for (qsizetype i = offset; i < end; ++i)
            visit(c, i);
        from += end - offset;
    }
}

std::vector<double> Series::values() const
{
    return snapshot().values();
}

std::vector<double> Series::elapsed() const
{
    return snapshot().elapsed();
}

Series::Snapshot Series::snapshot() const
{
    Snapshot snapshot;
    snapshot.m_ok = count(Status::Ok);
    qsizetype left = m_size;
    for (const Chunk &c : m_chunks) {
        const qsizetype taken = std::min(left, c.capacity);
        if (taken <= 0)
            break;
        snapshot.m_parts.push_back({taken, c.elapsed, c.value, c.status});
        left -= taken;
    }
    return snapshot;
}

std::vector<double> Series::Snapshot::values() const
{
    return collect(&Part::value);
}

std::vector<double> Series::Snapshot::elapsed() const
{
    return collect(&Part::elapsed);
}

std::vector<double> Series::Snapshot::collect(std::shared_ptr<const double[]> Part::*field) const
{
    std::vector<double> out;
    out.reserve(std::size_t(m_ok));
    for (const Part &part : m_parts) {
        const double *in = (part.*field).get();
        for (qsizetype i = 0; i < part.count; ++i) {
            if (part.status[i] == Status::Ok)
                out.push_back(in[i]);
        }
    }
    return out;
}

std::vector<Reading> Series::readings(qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, m_size);
    const qsizetype to = count < 0 ? m_size : std::min(m_size, from + count);
    std::vector<Reading> out;
    out.reserve(std::size_t(to - from));
    forEach(from, to, [&out](const Chunk &c, qsizetype i) {
        out.push_back({c.utcMs[i], c.elapsed[i], c.value[i], c.status[i]});
    });
    return out;
}

Series::Block Series::block(qsizetype index) const
{
    if (index < 0 || index >= m_size)
        return {};
    const auto [chunk, offset] = place(index);
    const Chunk &c = m_chunks[std::size_t(chunk)];
    return {std::min(c.capacity - offset, m_size - index), c.elapsed.get() + offset,
            c.value.get() + offset, c.status.get() + offset};
}

std::size_t Series::memoryBytes() const
{
    std::size_t bytes = sizeof(Series) + m_chunks.capacity() * sizeof(Chunk) +
                        std::size_t(m_lastReply.capacity()) * sizeof(QChar);
    for (const Chunk &c : m_chunks)
        bytes += std::size_t(c.capacity) * BytesPerReading;
    return bytes;
}

} // namespace pelmix::analysis
