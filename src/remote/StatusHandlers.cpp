#include "Handlers.h"

#include "Acquisition.h"
#include "Commands.h"
#include "Instrument.h"
#include "ScpiFormat.h"
#include "Session.h"

namespace pelmix::remote::handlers {

namespace {

// An *IDN? field may not carry the separators of the reply itself.
QString identityField(const QString &text)
{
    QString field;
    for (const QChar c : text) {
        const bool printable = c.unicode() >= 0x20 && c.unicode() < 0x7f;
        field += printable && c != u',' && c != u';' ? c : QChar(u' ');
    }
    return field.simplified();
}

// Bit 6 of the service request enable register is ignored, as IEEE 488.2 says.
constexpr quint8 ServiceEnableMask = quint8(~StatusBit::ServiceRequest);

} // namespace

QCoro::Task<Reply> identify(Call &call)
{
    const Instrument &instrument = call.shared.instrument;
    co_return u"Pelmix,"_qs + identityField(instrument.model()) + u',' +
        identityField(instrument.port()) + u',' + identityField(instrument.version());
}

// The instrument's reset: every connection's measurement ends, the settings are the
// defaults again.
QCoro::Task<Reply> reset(Call &call)
{
    call.shared.trigger->abort();
    call.shared.settings = defaultSettings();
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> clearStatus(Call &call)
{
    call.session->clearStatus();
    call.shared.trigger->statistics().clear();
    co_return std::nullopt;
}

QCoro::Task<Reply> eventEnable(Call &call)
{
    if (call.isQuery())
        co_return formatInteger(call.session->eventEnable);
    call.session->eventEnable = quint8(call.value.number);
    co_return std::nullopt;
}

// Reading the event status register clears it.
QCoro::Task<Reply> eventStatus(Call &call)
{
    co_return formatInteger(std::exchange(call.session->events, quint8(0)));
}

QCoro::Task<Reply> serviceEnable(Call &call)
{
    if (call.isQuery())
        co_return formatInteger(call.session->serviceEnable);
    call.session->serviceEnable = quint8(call.value.number) & ServiceEnableMask;
    co_return std::nullopt;
}

QCoro::Task<Reply> statusByte(Call &call)
{
    co_return formatInteger(call.session->statusByte(call.messageAvailable));
}

// Operation complete is set once this connection's measurement has ended: at once when
// none runs.
QCoro::Task<Reply> operationComplete(Call &call)
{
    Session &session = *call.session;
    session.completionArmed = session.isBusy();
    if (!session.completionArmed)
        session.events |= EventBit::OperationComplete;
    co_return std::nullopt;
}

QCoro::Task<Reply> operationCompleteQuery(Call &call)
{
    if (call.session->isBusy())
        co_await waitFor(call.session->acquisition);
    co_return u"1"_qs;
}

QCoro::Task<Reply> wait(Call &call)
{
    if (call.session->isBusy())
        co_await waitFor(call.session->acquisition);
    co_return std::nullopt;
}

// The server tests nothing of the counter here: a status query is part of every
// measurement, and a failed one is reported with it.
QCoro::Task<Reply> selfTest(Call &)
{
    co_return formatInteger(0);
}

QCoro::Task<Reply> nextError(Call &call)
{
    co_return formatError(call.session->errors.pop());
}

QCoro::Task<Reply> errorCount(Call &call)
{
    co_return formatInteger(call.session->errors.size());
}

QCoro::Task<Reply> version(Call &)
{
    co_return u"1999.0"_qs;
}

// Bit 4, measuring: a measurement runs or waits, whichever connection started it.
QCoro::Task<Reply> operationCondition(Call &call)
{
    constexpr int Measuring = 0x10;
    co_return formatInteger(call.shared.trigger->isBusy() ? Measuring : 0);
}

// A definite-length block, one form a line, as other instruments list their headers.
QCoro::Task<Reply> helpHeaders(Call &)
{
    const QString text = commandForms().join(u'\n') + u'\n';
    const QString length = QString::number(text.size());
    co_return u'#' + QString::number(length.size()) + length + text;
}

} // namespace pelmix::remote::handlers
