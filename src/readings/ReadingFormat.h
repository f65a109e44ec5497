#pragma once

#include "analysis/Reading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace pelmix::readings {

// The reading files Pelmix writes, one reading a line:
//   csv   RFC 4180 comma-separated values in UTF-8, a header line, CR LF line ends;
//   jsonl one JSON object a line with the CSV's columns as members and the same words,
//         null where the CSV's field is empty;
//   text  the UTC time and the value with an SI prefix, or why there is none.
// The columns:
//   time_utc,elapsed_s,mode,value,unit,secondary,secondary_unit,setting,status,
//   input,level,edge,filter
// A reading without a value has empty value and secondary fields; its status says why.
enum class Format { Csv, Jsonl, Text };

// "CSV", "JSON lines", "text": for messages.
QString formatName(Format format);

// One line of a file: the setup a reading was taken with, and the reading.
struct Row
{
    Setup setup;
    analysis::Reading reading;
};

// The header a file of this format starts with, its line end included; empty where it
// has none.
QByteArray formatHeader(Format format);
// One reading as one whole line, its line end included.
QByteArray formatReading(Format format, const Setup &setup, const analysis::Reading &reading);
QByteArray csvHeader();
QByteArray csvLine(const Setup &setup, const analysis::Reading &reading);

// The columns by their index in the header.
enum Column {
    TimeUtc,
    ElapsedS,
    ModeColumn,
    Value,
    Unit,
    Secondary,
    SecondaryUnit,
    Setting,
    StatusColumn,
    Input,
    Level,
    Edge,
    Filter,
    ColumnCount
};
QByteArrayView columnName(Column column);
// Unit and secondary follow from mode and value: a reader needs neither.
bool isRequired(Column column);

// Why a row cannot be read: the column at fault and what is wrong with it.
struct RowError
{
    Column column;
    QString message; // "level '8' is not a whole number from 0 to 7"
};
// A row from its fields' texts, or why not.
std::optional<RowError> parseRow(const std::function<QByteArrayView(Column)> &field, Row &row);
// One line of JSON lines, or why not.
std::optional<QString> parseJsonLine(QByteArrayView line, Row &row);

// Why a file whose first line is `firstLine` (line end cut) cannot take lines of
// `format`, naming the difference; nothing when it can.
std::optional<QString> differenceFrom(Format format, QByteArrayView firstLine);

// A field for messages: quoted, cut after 40 characters.
QString shown(QByteArrayView field);

} // namespace pelmix::readings
