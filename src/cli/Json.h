#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace pelmix::cli {

// One JSON object, written with its members in the order they are added, and numbers in
// the shortest form that reads back as the same double, as the CSV files have them.
class JsonObject
{
public:
    // null when the value is not finite: JSON has no NaN.
    JsonObject &number(const char *key, double value);
    JsonObject &integer(const char *key, qint64 value);
    // null for a null string.
    JsonObject &string(const char *key, const QString &text);
    // A value already in JSON, such as an array.
    JsonObject &raw(const char *key, const QByteArray &json);

    QByteArray toJson() const { return '{' + m_members + '}'; }

private:
    void key(const char *name);

    QByteArray m_members;
};

QByteArray jsonArray(const std::vector<QByteArray> &items);
// A string with its quotes, escaped as JSON needs.
QByteArray jsonString(const QString &text);

} // namespace pelmix::cli
