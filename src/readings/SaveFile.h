#pragma once

#include "analysis/Reading.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <optional>
#include <vector>

namespace pelmix::readings {

// Saving over a file: the new one is written under a temporary name in the same folder,
// every write checked, synced to disk and only then renamed over the old one. On any
// failure the old file is as it was, and the error says why in the system's words.
class SaveFile
{
public:
    explicit SaveFile(const QString &path);

    // Why the temporary file cannot be made, when it cannot.
    std::optional<QString> open();
    // Does nothing after a failure; commit() then reports it.
    void write(const QByteArray &bytes);
    // Why the file was not saved, when it was not.
    std::optional<QString> commit();

private:
    QSaveFile m_file;
    std::optional<QString> m_failure;
};

// The readings of a series as a CSV reading file. Works on a copy, on any thread.
std::optional<QString> saveReadings(const QString &path, const Setup &setup,
                                    const std::vector<analysis::Reading> &readings);

} // namespace pelmix::readings
