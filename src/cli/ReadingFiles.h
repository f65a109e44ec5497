#pragma once

#include "analysis/Reading.h"

#include <QString>

#include <optional>
#include <vector>

namespace pelmix::cli {

// Values read from files to analyse, in the order of the files and their lines.
struct LoadedValues
{
    std::vector<double> values;
    // Seconds, one per value, from reading files; none when any file was plain numbers.
    std::vector<double> elapsed;
    qint64 gaps = 0;
    // The setup every reading was taken with; none for plain numbers.
    std::optional<pelmix::Setup> setup;
    bool plainNumbers = false;
};

// Appends the values of one file: a reading file (CSV, as Pelmix writes it), or plain
// numbers, one a line, blank lines and '#' comments skipped. "-" is standard input.
// Returns why it cannot, naming the file and the line; readings of another setup than
// those before them are refused, since their values do not belong in one series.
std::optional<QString> loadValues(const QString &path, LoadedValues &into);

} // namespace pelmix::cli
