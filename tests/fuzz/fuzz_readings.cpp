// Reads arbitrary bytes as a CSV reading file, as JSON lines and as plain numbers.
// Every row the reader hands out is one the writer could have written, and writing it
// again reads back as the same row; torn lines are counted once each, in order.

#include "readings/CsvReader.h"

#include "FuzzCheck.h"

#include <QBuffer>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace pelmix;
using namespace pelmix::readings;

namespace {

bool sameRow(const Row &a, const Row &b)
{
    return a.setup == b.setup && a.reading.utcMs == b.reading.utcMs &&
           std::bit_cast<quint64>(a.reading.elapsed) == std::bit_cast<quint64>(b.reading.elapsed) &&
           a.reading.status == b.reading.status &&
           (std::isnan(a.reading.value) ? std::isnan(b.reading.value)
                                        : a.reading.value == b.reading.value);
}

void checkRow(const Row &row)
{
    FUZZ_CHECK(row.setup.isValid());
    FUZZ_CHECK(std::isfinite(row.reading.elapsed));
    if (row.reading.status == Status::Ok)
        FUZZ_CHECK(std::isfinite(row.reading.value));

    QByteArray again = csvHeader() + csvLine(row.setup, row.reading);
    QBuffer buffer(&again);
    buffer.open(QIODevice::ReadOnly);
    std::vector<Row> rows;
    const ReadReport report = readCsv(&buffer, rows);
    FUZZ_CHECK(!report.error && report.tornLines.empty() && rows.size() == 1);
    // A gap's stray value is not written; the rest comes back to the bit.
    Row expected = row;
    if (!expected.reading.hasValue())
        expected.reading.value = std::numeric_limits<double>::quiet_NaN();
    FUZZ_CHECK(sameRow(rows.front(), expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const qint64 lines = text.count('\n') + 1;
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    std::size_t rows = 0;
    const ReadReport report = readCsv(&buffer, [&rows](const Row &row) {
        checkRow(row);
        ++rows;
    });
    if (report.error) {
        FUZZ_CHECK(report.error->line >= 1 && report.error->line <= lines);
        FUZZ_CHECK(
            report.error->message.startsWith(QStringLiteral("line %1: ").arg(report.error->line)));
    }
    for (std::size_t i = 0; i < report.tornLines.size(); ++i) {
        FUZZ_CHECK(report.tornLines[i] > 1 && report.tornLines[i] <= lines);
        FUZZ_CHECK(i == 0 || report.tornLines[i] > report.tornLines[i - 1]);
    }
    FUZZ_CHECK(report.warning().isEmpty() == report.tornLines.empty());

    buffer.seek(0);
    const ReadReport json = readJsonLines(&buffer, checkRow);
    if (json.error)
        FUZZ_CHECK(json.error->line >= 1 && json.error->line <= lines);
    FUZZ_CHECK(json.tornLines.size() <= 1);

    buffer.seek(0);
    std::vector<double> values;
    if (const auto error = readNumbers(&buffer, values))
        FUZZ_CHECK(error->line >= 1 && error->line <= lines);
    for (const double value : values)
        FUZZ_CHECK(std::isfinite(value));
    return 0;
}
