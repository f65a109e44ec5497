#include "MessageBoxes.h"

#include "device/Errors.h"
#include "device/Shutdown.h"
#include "device/Wake.h"

#include <QMessageBox>

namespace pelmix::ui {

namespace {

QMessageBox *makeBox(QWidget &parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Pelmix"), text,
                                QMessageBox::Ok, &parent);
    box->setObjectName(QStringLiteral("message"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

} // namespace

MessageBoxes::MessageBoxes(QWidget &parent, device::Shutdown &shutdown)
    : m_parent(parent)
    , m_shutdown(shutdown)
{
}

QCoro::Task<> MessageBoxes::report(QString text)
{
    if (m_shutdown.isTriggered())
        throw device::Cancelled();
    QPointer<QMessageBox> box = makeBox(m_parent, text);
    device::Wake wake(m_shutdown);
    wake.on(box.data(), &QDialog::finished);
    box->show();
    if (co_await wake == device::Wake::Reason::Shutdown) {
        delete box.data();
        throw device::Cancelled();
    }
}

void MessageBoxes::show(const QString &text)
{
    if (!m_shutdown.isTriggered())
        makeBox(m_parent, text)->show();
}

} // namespace pelmix::ui
