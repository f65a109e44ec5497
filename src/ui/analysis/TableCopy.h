#pragma once

#include <QString>

#include <optional>

class QTableWidget;

namespace pelmix::ui {

// A table as a spreadsheet takes it from the clipboard: the headers, then the selected
// rows (all rows when none is selected), cells separated by tabs.
QString tableText(const QTableWidget &table);
// The whole table as comma-separated values with a header line (RFC 4180 quoting).
QString tableCsv(const QTableWidget &table);
// Ctrl+C (the platform's Copy key) on the table puts tableText() on the clipboard.
void enableCopy(QTableWidget &table);
// Writes tableCsv() to `path` whole or not at all; returns why it failed.
std::optional<QString> saveTableCsv(const QTableWidget &table, const QString &path);

} // namespace pelmix::ui
