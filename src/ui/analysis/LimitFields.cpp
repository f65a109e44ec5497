#include "LimitFields.h"

#include "Quantity.h"

#include <QFormLayout>
#include <QLineEdit>

namespace pelmix::ui {

LimitFields::LimitFields(QWidget *parent)
    : QGroupBox(tr("Limits"), parent)
    , m_unit(QString(pelmix::modeInfo(m_mode).unit))
{
    setObjectName(QStringLiteral("fraLimits"));
    m_upper = new QLineEdit(this);
    m_upper->setObjectName(QStringLiteral("txtUpper"));
    m_upper->setAccessibleName(tr("Upper limit"));
    m_lower = new QLineEdit(this);
    m_lower->setObjectName(QStringLiteral("txtLower"));
    m_lower->setAccessibleName(tr("Lower limit"));
    auto *form = new QFormLayout(this);
    form->addRow(tr("&Upper:"), m_upper);
    form->addRow(tr("&Lower:"), m_lower);
    for (QLineEdit *field : {m_upper, m_lower}) {
        field->setPlaceholderText(tr("none"));
        connect(field, &QLineEdit::editingFinished, this, [this, field] { edited(field); });
        read(field);
    }
}

bool LimitFields::setMode(pelmix::Mode mode)
{
    m_mode = mode;
    const QString unit(pelmix::modeInfo(mode).unit);
    if (unit == m_unit)
        return false;
    const Limits before = limits();
    Entry &left = m_entries[m_unit];
    left.upper = m_upper->text();
    left.lower = m_lower->text();
    m_unit = unit;
    const Entry &entered = m_entries[m_unit];
    m_upper->setText(entered.upper);
    m_lower->setText(entered.lower);
    read(m_upper);
    read(m_lower);
    return !(limits() == before);
}

std::optional<QString> LimitFields::read(QLineEdit *field)
{
    const QLatin1String unit = pelmix::modeInfo(m_mode).unit;
    std::optional<double> &limit =
        field == m_upper ? m_entries[m_unit].limits.upper : m_entries[m_unit].limits.lower;
    bool ok = false;
    limit = parseQuantity(field->text(), unit, &ok);
    std::optional<QString> problem;
    if (!ok) {
        problem = tr("\u201c%1\u201d is not a value.").arg(field->text());
        // A value of another quantity: say which.
        for (const pelmix::ModeInfo &other : pelmix::modes()) {
            bool isOther = false;
            if (other.unit != unit && !other.unit.isEmpty() &&
                parseQuantity(field->text(), other.unit, &isOther) && isOther) {
                problem = tr("%1 is a %2; this series is a %3.")
                              .arg(field->text().trimmed(), quantityName(other.mode).toLower(),
                                   quantityName(m_mode).toLower());
                break;
            }
        }
    }
    // A marked field: red text, and the reason where a pointer or a screen reader finds it.
    QPalette palette;
    if (problem)
        palette.setColor(QPalette::Text, Qt::red);
    field->setPalette(palette);
    field->setToolTip(problem.value_or(tr("A value such as 12.5 kHz or 81 \u00b5s; empty for "
                                          "none. Readings beyond a limit are marked and counted "
                                          "as failures.")));
    field->setAccessibleDescription(problem.value_or(QString()));
    return problem;
}

void LimitFields::edited(QLineEdit *field)
{
    const Limits before = limits();
    const std::optional<QString> problem = read(field);
    if (problem || !(limits() == before))
        emit limitsChanged(problem.value_or(QString()));
}

} // namespace pelmix::ui
