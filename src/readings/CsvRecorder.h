#pragma once

#include "ReadingAppender.h"

#include <QObject>

namespace pelmix::readings {

// Streams readings to a CSV file as they arrive, one line each, synced, so a crash or a
// power cut loses at most the reading being written. A recording goes on in an earlier
// file of the same columns; another file is refused. A failure is reported once, and
// recording stops.
class CsvRecorder : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool start(const QString &path);
    void stop();
    bool isRecording() const { return m_file.isOpen(); }
    QString path() const { return m_file.path(); }

    void record(const pelmix::Setup &setup, const analysis::Reading &reading);

signals:
    void recordingChanged(bool recording);
    void failed(const QString &message);

private:
    void fail(const QString &message);

    ReadingAppender m_file;
};

} // namespace pelmix::readings
