#include "Handlers.h"

#include "Acquisition.h"
#include "ScpiFormat.h"
#include "Session.h"

#include <algorithm>
#include <cmath>

namespace pelmix::remote::handlers {

namespace {

// The counter's one time control: 10^position ms of measuring time, or a period
// multiplier of 10^position. A value between two takes the nearest on a log scale.
int decade(double value, double first)
{
    return std::clamp(int(std::lround(std::log10(value / first))), 0, MaxPosition);
}

Setup &setup(Call &call)
{
    return call.shared.settings.setup;
}

} // namespace

void settingsChanged(Call &call)
{
    Session &session = *call.session;
    if (session.acquisition && session.acquisition->isFinished())
        session.acquisition.reset();
    call.shared.trigger->statistics().clear();
}

QCoro::Task<Reply> sampleCount(Call &call)
{
    if (call.isQuery())
        co_return formatInteger(call.shared.settings.sampleCount);
    call.shared.settings.sampleCount = int(call.value.number);
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> gateTime(Call &call)
{
    if (call.isQuery())
        co_return formatNumber(std::pow(10.0, setup(call).position - 3));
    setup(call).position = decade(call.value.number, 1e-3);
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> multiplier(Call &call)
{
    if (call.isQuery())
        co_return formatInteger(qint64(std::lround(std::pow(10.0, setup(call).position))));
    setup(call).position = decade(call.value.number, 1);
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> level(Call &call)
{
    if (call.isQuery())
        co_return formatInteger(setup(call).level);
    setup(call).level = int(call.value.number);
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> slope(Call &call)
{
    if (call.isQuery())
        co_return setup(call).fallingEdge ? u"NEG"_qs : u"POS"_qs;
    setup(call).fallingEdge = call.value.index == 1;
    settingsChanged(call);
    co_return std::nullopt;
}

QCoro::Task<Reply> filter(Call &call)
{
    if (call.isQuery())
        co_return setup(call).filter ? u"1"_qs : u"0"_qs;
    setup(call).filter = call.value.index == 1;
    settingsChanged(call);
    co_return std::nullopt;
}

// DC is the digital input, AC the analog one.
QCoro::Task<Reply> coupling(Call &call)
{
    if (call.isQuery())
        co_return setup(call).analog ? u"AC"_qs : u"DC"_qs;
    setup(call).analog = call.value.index == 1;
    settingsChanged(call);
    co_return std::nullopt;
}

} // namespace pelmix::remote::handlers
