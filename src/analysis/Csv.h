#pragma once

#include "Reading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace pelmix::analysis {

class ReadingStore;
class Series;

// The one reading file the window, the recorder and the command line write and read:
// RFC 4180 comma-separated values in UTF-8 with a header line, CR LF line ends, '.' as
// the decimal point whatever the locale, and every number in the shortest form that reads
// back as the same double. Columns:
//   time_utc,elapsed_s,mode,value,unit,secondary,secondary_unit,setting,status,
//   input,level,edge,filter
// A gap has empty value and secondary fields and its reason as the status.

// One line of a file: the setup a reading was taken with, and the reading.
struct CsvRow
{
    Setup setup;
    Reading reading;
};

// Where reading a file stopped. The message names the line, counted from 1.
struct ReadError
{
    qint64 line = 0;
    QString message;
};

QByteArray csvHeader();
QByteArray csvLine(const Setup &setup, const Reading &reading);

// The shortest form that reads back as the same double; empty for NaN.
QByteArray formatNumber(double value);
// ISO 8601 in UTC with milliseconds: 2024-05-01T12:34:56.789Z.
QByteArray formatUtc(qint64 utcMs);
// That form back; a fraction of up to nine digits is cut to milliseconds.
std::optional<qint64> parseUtc(QByteArrayView text);

// Appends lines to a device, the header first unless the device is a file that already
// holds data (a recording that goes on).
class CsvWriter
{
public:
    explicit CsvWriter(QIODevice *device);

    bool write(const Setup &setup, const Reading &reading);
    bool write(const Series &series);
    bool write(const ReadingStore &store);
    // Why the last write failed.
    QString errorString() const { return m_error; }

private:
    bool put(const QByteArray &bytes);

    QIODevice *m_device;
    bool m_headerWritten;
    QString m_error;
};

// Reads a file written as above: columns found by their header names, in any order, with
// any others ignored; quoted fields; CR LF or LF line ends; a UTF-8 byte order mark.
// Stops at the first line it cannot read.
std::optional<ReadError> readCsv(QIODevice *device,
                                 const std::function<void(const CsvRow &)> &onRow);
std::optional<ReadError> readCsv(QIODevice *device, std::vector<CsvRow> &rows);

// Reads one number a line; blank lines and lines starting with '#' are skipped.
std::optional<ReadError> readNumbers(QIODevice *device, std::vector<double> &values);

} // namespace pelmix::analysis
