#pragma once

#include "analysis/Reading.h"

#include <QByteArray>

namespace pelmix::cli {

enum class Format { Csv, Jsonl, Text };

// The header a file of this format starts with; empty where it has none.
QByteArray formatHeader(Format format);
// One reading as one whole line, its line end included:
//   csv   the reading file's line (CR LF);
//   jsonl an object with the CSV's columns as members, in the same order and with the
//         same words; numbers as in the CSV, null where its field is empty;
//   text  the UTC time and the value with an SI prefix, or why there is none.
QByteArray formatReading(Format format, const pelmix::Setup &setup,
                         const analysis::Reading &reading);

} // namespace pelmix::cli
