#include "CsvRecorder.h"

namespace pelmix::readings {

bool CsvRecorder::start(const QString &path)
{
    stop();
    if (const auto failure = m_file.open(path, Format::Csv)) {
        fail(tr("The readings cannot be recorded in %1: %2").arg(path, *failure));
        return false;
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
    if (const auto failure = m_file.append(setup, reading))
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
