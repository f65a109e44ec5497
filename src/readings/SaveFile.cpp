#include "SaveFile.h"

#include "ReadingFormat.h"
#include "SystemWrite.h"

namespace pelmix::readings {

SaveFile::SaveFile(const QString &path)
    : m_file(path)
{
}

std::optional<QString> SaveFile::open()
{
    // Unbuffered: every write goes to the system at once, and fails there with its reason.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        m_failure = m_file.errorString();
    return m_failure;
}

void SaveFile::write(const QByteArray &bytes)
{
    if (m_failure || !m_file.isOpen())
        return;
    if (const auto error = writeAll(m_file.handle(), bytes))
        m_failure = systemError(*error);
}

std::optional<QString> SaveFile::commit()
{
    if (!m_failure && m_file.isOpen()) {
        // QSaveFile syncs too, but does not say when that fails.
        if (const auto error = syncToDisk(m_file.handle()))
            m_failure = systemError(*error);
        else if (!m_file.commit())
            m_failure = m_file.errorString();
    }
    if (m_failure && m_file.isOpen())
        m_file.cancelWriting();
    return m_failure;
}

std::optional<QString> saveReadings(const QString &path, const Setup &setup,
                                    const std::vector<analysis::Reading> &readings)
{
    SaveFile file(path);
    if (const auto failure = file.open())
        return failure;
    // Lines go out in blocks: one system write a line costs more than the formatting.
    QByteArray block = csvHeader();
    for (const analysis::Reading &reading : readings) {
        block += csvLine(setup, reading);
        if (block.size() > 65536) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    return file.commit();
}

} // namespace pelmix::readings
