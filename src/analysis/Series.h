#pragma once

#include "LinearTrend.h"
#include "Reading.h"
#include "Statistics.h"

#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace pelmix::analysis {

// The readings of one setup, in the order they were taken, with running statistics of
// their values. Storage grows by whole chunks that never move, so an append costs the
// same at the ten-millionth reading as at the first; a reading takes 25 bytes (time,
// elapsed time, value, status). Only the last reply text is kept.
//
// Not thread-safe: another thread analyses a copy (values(), elapsed(), readings()) taken
// on the thread that appends, or a snapshot(), which shares the stored readings instead of
// copying them: a stored reading never changes, and the storage a snapshot holds outlives
// the series.
class Series
{
public:
    // Bytes a stored reading takes, the chunk bookkeeping aside.
    static constexpr std::size_t BytesPerReading =
        sizeof(qint64) + 2 * sizeof(double) + sizeof(Status);

    explicit Series(const Setup &setup);

    const Setup &setup() const { return m_setup; }
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    Reading at(qsizetype index) const;

    // Readings with this status; gapCount() is all but Ok.
    qsizetype count(Status status) const;
    qsizetype gapCount() const { return m_size - count(Status::Ok); }
    // Of the values only, gaps left out.
    const RunningStatistics &statistics() const { return m_statistics; }
    // The values against their elapsed times, gaps left out: the drift.
    const LinearTrend &trend() const { return m_trend; }
    // The reply of the last reading as received: empty after a time-out.
    const QString &lastReply() const { return m_lastReply; }

    void append(const Reading &reading, const QString &reply = QString());

    // The values, gaps left out, and their elapsed times in the same order.
    std::vector<double> values() const;
    std::vector<double> elapsed() const;
    // The readings stored so far, without copying them. Taken on the thread that appends;
    // read on any thread.
    class Snapshot
    {
    public:
        // The values, gaps left out, and their elapsed times in the same order.
        std::vector<double> values() const;
        std::vector<double> elapsed() const;

    private:
        friend class Series;
        struct Part
        {
            qsizetype count;
            std::shared_ptr<const double[]> elapsed;
            std::shared_ptr<const double[]> value;
            std::shared_ptr<const Status[]> status;
        };
        // The field of the readings with a value, in order.
        std::vector<double> collect(std::shared_ptr<const double[]> Part::*field) const;

        std::vector<Part> m_parts;
        qsizetype m_ok = 0;
    };
    Snapshot snapshot() const;

    // `count` readings from `from` (all to the end when negative), gaps included.
    std::vector<Reading> readings(qsizetype from = 0, qsizetype count = -1) const;

    // The readings from `index` to the end of the storage chunk that holds it, as arrays
    // in place: a long series is walked chunk by chunk, without finding each reading's
    // place. Valid until the next append; empty past the end.
    struct Block
    {
        qsizetype count = 0;
        const double *elapsed = nullptr;
        const double *value = nullptr;
        const Status *status = nullptr;
    };
    Block block(qsizetype index) const;

    // Memory held by the series, its own object included.
    std::size_t memoryBytes() const;

private:
    struct Chunk
    {
        explicit Chunk(qsizetype capacity);
        qsizetype capacity;
        std::unique_ptr<qint64[]> utcMs;
        // Shared, so that a snapshot keeps them.
        std::shared_ptr<double[]> elapsed;
        std::shared_ptr<double[]> value;
        std::shared_ptr<Status[]> status;
    };
    struct Place
    {
        qsizetype chunk;
        qsizetype offset;
    };
    static Place place(qsizetype index);

    template<typename Visit> void forEach(qsizetype from, qsizetype to, Visit visit) const;

    Setup m_setup;
    std::vector<Chunk> m_chunks;
    qsizetype m_size = 0;
    std::array<qsizetype, StatusCount> m_statusCounts{};
    RunningStatistics m_statistics;
    LinearTrend m_trend;
    QString m_lastReply;
};

} // namespace pelmix::analysis
