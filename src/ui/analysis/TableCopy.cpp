#include "TableCopy.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeySequence>
#include <QSaveFile>
#include <QShortcut>
#include <QTableWidget>

#include <set>

namespace pelmix::ui {

namespace {

QString headerText(const QTableWidget &table, int column)
{
    const QTableWidgetItem *item = table.horizontalHeaderItem(column);
    return item ? item->text() : QString();
}

QString cellText(const QTableWidget &table, int row, int column)
{
    const QTableWidgetItem *item = table.item(row, column);
    return item ? item->text() : QString();
}

QString quoted(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    return u'"' + QString(text).replace(u'"', u"\"\""_qs) + u'"';
}

QString joined(const QTableWidget &table, const std::set<int> &rows, QChar separator,
               const QString &lineEnd, bool quote)
{
    auto line = [&](auto cell) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << (quote ? quoted(cell(column)) : cell(column));
        return cells.join(separator) + lineEnd;
    };
    QString text = line([&](int column) { return headerText(table, column); });
    for (const int row : rows)
        text += line([&](int column) { return cellText(table, row, column); });
    return text;
}

std::set<int> allRows(const QTableWidget &table)
{
    std::set<int> rows;
    for (int row = 0; row < table.rowCount(); ++row)
        rows.insert(row);
    return rows;
}

} // namespace

QString tableText(const QTableWidget &table)
{
    std::set<int> rows;
    for (const QTableWidgetItem *item : table.selectedItems())
        rows.insert(item->row());
    return joined(table, rows.empty() ? allRows(table) : rows, u'\t', u"\n"_qs, false);
}

QString tableCsv(const QTableWidget &table)
{
    return joined(table, allRows(table), u',', u"\r\n"_qs, true);
}

void enableCopy(QTableWidget &table)
{
    auto *copy = new QShortcut(QKeySequence::Copy, &table);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(copy, &QShortcut::activated, &table,
                     [&table] { QApplication::clipboard()->setText(tableText(table)); });
}

std::optional<QString> saveTableCsv(const QTableWidget &table, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(tableCsv(table).toUtf8()) < 0 ||
        !file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace pelmix::ui
