#pragma once

#include "Limits.h"

#include "core/Mode.h"

#include <QGroupBox>

#include <map>

class QLineEdit;

namespace pelmix::ui {

// The upper and lower limit fields. Limits belong to a quantity: a series of another unit
// shows its own (none at first), and the earlier ones come back with a series of theirs.
// An entry that is not a value of the series' quantity is marked, says why, and leaves its
// field without a limit until a valid one is typed.
class LimitFields : public QGroupBox
{
    Q_OBJECT
public:
    explicit LimitFields(QWidget *parent = nullptr);

    const Limits &limits() const { return m_entries[m_unit].limits; }
    // The series shown measures `mode`. Returns whether that changed the limits.
    bool setMode(pelmix::Mode mode);

signals:
    // The user changed a limit; `problem` says why an entry was refused, when it was.
    void limitsChanged(const QString &problem);

private:
    struct Entry
    {
        QString upper;
        QString lower;
        Limits limits;
    };

    // Reads a field into its limit; why it cannot, when it cannot.
    std::optional<QString> read(QLineEdit *field);
    void edited(QLineEdit *field);

    QLineEdit *m_upper = nullptr;
    QLineEdit *m_lower = nullptr;
    pelmix::Mode m_mode = pelmix::Mode::Frequency;
    QString m_unit;
    mutable std::map<QString, Entry> m_entries;
};

} // namespace pelmix::ui
