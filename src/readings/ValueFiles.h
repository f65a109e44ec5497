#pragma once

#include "analysis/Reading.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace pelmix::readings {

// Values read from files to analyse, in the order of the files and their lines.
struct LoadedValues
{
    std::vector<double> values;
    // Seconds, one per value, from reading files; none for plain numbers.
    std::vector<double> elapsed;
    qint64 gaps = 0;
    // The setup every reading was taken with; none for plain numbers.
    std::optional<pelmix::Setup> setup;
    bool plainNumbers = false;
    // The first file loaded, to name beside one of another kind.
    QString firstFile;
    // "skipped a torn row (line 7)", with the file's name, one a file that had any.
    QStringList warnings;
};

// Appends the values of one file: a reading file (CSV or JSON lines, as Pelmix writes
// them), or plain
// numbers, one a line, blank lines and '#' comments skipped. "-" is standard input.
// Returns why it cannot, naming the file and the line. Values that do not belong in one
// series with those loaded before are refused, naming both files and the difference:
// plain numbers beside readings, or readings of another setup.
std::optional<QString> loadValues(const QString &path, LoadedValues &into);

} // namespace pelmix::readings
