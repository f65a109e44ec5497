#include "CsvRecorder.h"

#include "analysis/Csv.h"

namespace pelmix::readings {

bool CsvRecorder::start(const QString &path)
{
    stop();
    if (const auto failure = m_file.open(path)) {
        fail(tr("The readings cannot be recorded in %1: %2").arg(path, *failure));
        return false;
    }
    if (m_file.size() == 0) {
        if (const auto failure = m_file.append(analysis::csvHeader())) {
            fail(tr("The readings cannot be recorded in %1: %2").arg(path, *failure));
            return false;
        }
    }
    emit recordingChanged(true);
    return true;
}

void CsvRecorder::stop()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    emit recordingChanged(false);
}

void CsvRecorder::record(const pelmix::Setup &setup, const analysis::Reading &reading)
{
    if (!m_file.isOpen())
        return;
    if (const auto failure = m_file.append(analysis::csvLine(setup, reading)))
        fail(tr("The readings cannot be recorded in %1: %2\nRecording has stopped; measuring "
                "goes on.")
                 .arg(m_file.path(), *failure));
}

void CsvRecorder::fail(const QString &message)
{
    stop();
    emit failed(message);
}

} // namespace pelmix::readings
