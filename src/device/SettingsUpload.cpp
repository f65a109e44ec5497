#include "SettingsUpload.h"

#include "Clock.h"
#include "Commands.h"
#include "Link.h"
#include "StatusLine.h"

#include <functional>

namespace pelmix::device {

namespace {

// Steps one setting until the status line shows the wanted position. Each step's reply
// is stored before the budget is checked, so the step that crosses it still counts.
QCoro::Task<bool> stepUntil(Link &link, QString &lastReply, int position, char step,
                            std::function<int()> wanted)
{
    const Clock::time_point t0 = Clock::now();
    while (statusPosition(lastReply, position) != wanted()) {
        lastReply = (co_await link.exchange(commandText(step), SettingsTimeout)).text;
        if (secondsSince(t0) > SteppingBudget)
            co_return false;
    }
    co_return true;
}

} // namespace

QCoro::Task<bool> uploadSettings(Link &link, const InputSettings &settings, Mode mode,
                                 QString &lastReply)
{
    if (mode != Mode::Count) {
        link.pulseDtr();
        co_await link.pause(ResetPause);
    }

    lastReply = (co_await link.exchange(modeCommand(mode, settings.input()), SettingsTimeout)).text;
    if (lastReply.size() < MinModeReply)
        co_return false;
    if (mode == Mode::Count)
        co_return true;

    lastReply = (co_await link.exchange(edgeCommand(settings.edge()), SettingsTimeout)).text;
    lastReply = (co_await link.exchange(filterCommand(settings.filterOn()), SettingsTimeout)).text;
    lastReply =
        (co_await link.exchange(calibrationCommand(mode == Mode::Calibration), SettingsTimeout))
            .text;

    if (!co_await stepUntil(link, lastReply, LevelPosition, Command::LevelStep,
                            [&settings] { return settings.level(); }))
        co_return false;
    co_return co_await stepUntil(link, lastReply, TimePosition, Command::TimeStep,
                                 [&settings] { return settings.position(); });
}

} // namespace pelmix::device
