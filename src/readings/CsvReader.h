#pragma once

#include "ReadingFormat.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace pelmix::readings {

// No line of a reading file comes near this; a longer one is no reading file.
inline constexpr qsizetype MaxLineLength = 65536;

// Where reading a file stopped. The message names the line, counted from 1.
struct ReadError
{
    qint64 line = 0;
    QString message;
};

// What reading a file found besides its rows.
struct ReadReport
{
    std::optional<ReadError> error;
    // Lines of rows cut short by a crash or a full disk while they were written: skipped.
    std::vector<qint64> tornLines;

    // "skipped 2 torn rows (lines 7, 12)"; empty when none was.
    QString warning() const;
};

// Reads a CSV reading file: columns found by their header names, in any order, with any
// others ignored; quoted fields; CR LF or LF line ends; a UTF-8 byte order mark. A row
// cut short while it was written is torn: fewer fields than the header, a last field that
// cannot be read, or a last line without its line end that cannot be read. Torn rows are
// skipped and counted; reading stops at the first other line it cannot read.
ReadReport readCsv(QIODevice *device, const std::function<void(const Row &)> &onRow);
ReadReport readCsv(QIODevice *device, std::vector<Row> &rows);

// Reads JSON lines as `measure --format jsonl` writes them: one object a line, blank lines
// skipped; a last line without its line end that cannot be read is torn.
ReadReport readJsonLines(QIODevice *device, const std::function<void(const Row &)> &onRow);

// Reads one number a line; blank lines and lines starting with '#' are skipped.
std::optional<ReadError> readNumbers(QIODevice *device, std::vector<double> &values);

} // namespace pelmix::readings
