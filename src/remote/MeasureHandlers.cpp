#include "Handlers.h"

#include "Acquisition.h"
#include "Commands.h"
#include "ScpiFormat.h"
#include "Session.h"

#include <array>
#include <limits>

namespace pelmix::remote::handlers {

namespace {

// The readings taken; a measurement aborted before its first reading gives 9.91E37, so
// that the waiting query still gets its response (the error says why).
QString readingsText(const Acquisition &acquisition)
{
    QStringList texts;
    for (const double reading : acquisition.readings())
        texts << formatNumber(reading);
    if (texts.isEmpty())
        texts << formatNumber(NotANumber);
    return texts.join(u',');
}

// The function's short form: the upper-case letters of its long form.
QString shortForm(Mode mode)
{
    QString name;
    for (const char c : modeInfo(mode).scpiFunction) {
        if (c >= 'A' && c <= 'Z')
            name += QLatin1Char(c);
    }
    return name;
}

void start(Call &call)
{
    const Settings &settings = call.shared.settings;
    Session &session = *call.session;
    session.completionArmed = false;
    session.acquisition =
        call.shared.trigger->start(settings.setup, settings.sampleCount, call.session);
}

QCoro::Task<Reply> fetched(std::shared_ptr<Acquisition> acquisition)
{
    co_await waitFor(acquisition);
    co_return readingsText(*acquisition);
}

} // namespace

// As other counters do, choosing a function also sets one reading a measurement.
QCoro::Task<Reply> configure(Call &call)
{
    call.shared.settings.setup.mode = call.command.function;
    call.shared.settings.sampleCount = 1;
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> configuration(Call &call)
{
    co_return u'"' + shortForm(call.shared.settings.setup.mode) + u'"';
}

QCoro::Task<Reply> measure(Call &call)
{
    co_await configure(call);
    co_return co_await read(call);
}

// A READ? after this connection's INITiate waits for that measurement first.
QCoro::Task<Reply> read(Call &call)
{
    if (call.session->isBusy())
        co_await waitFor(call.session->acquisition);
    start(call);
    co_return co_await fetched(call.session->acquisition);
}

QCoro::Task<Reply> initiate(Call &call)
{
    if (call.session->isBusy()) {
        call.fail(ErrorCode::InitIgnored);
        co_return std::nullopt;
    }
    start(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> fetch(Call &call)
{
    if (!call.session->acquisition) {
        call.fail(ErrorCode::DataStale, u"nothing measured since the last change"_qs);
        co_return std::nullopt;
    }
    co_return co_await fetched(call.session->acquisition);
}

// Any connection's ABORt ends the measurement under way, whoever started it, and those
// waiting: the instrument has one trigger system.
QCoro::Task<Reply> abort(Call &call)
{
    call.shared.trigger->abort();
    co_return std::nullopt;
}

QCoro::Task<Reply> averages(Call &call)
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const analysis::RunningStatistics &statistics = call.shared.trigger->statistics();
    const bool empty = statistics.count() == 0;
    const std::array<double, 4> values{
        empty ? NaN : statistics.mean(),
        empty ? NaN : statistics.stddev(),
        empty ? NaN : statistics.min(),
        empty ? NaN : statistics.max(),
    };
    QStringList texts;
    for (const double value : values)
        texts << formatNumber(value);
    co_return texts.join(u',');
}

} // namespace pelmix::remote::handlers
