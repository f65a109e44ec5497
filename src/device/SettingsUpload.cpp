#include "SettingsUpload.h"

#include "Clock.h"
#include "Commands.h"
#include "InputSettings.h"
#include "Link.h"
#include "Messenger.h"
#include "StatusLine.h"

#include <functional>

namespace pelmix::device {

namespace {

// Steps one setting until the status line shows the slider's position. Each step's
// reply is stored before the budget is checked, so the step that crosses it still counts.
QCoro::Task<bool> stepUntil(Link &link, QString &lastReply, int position, char step,
                            std::function<int()> slider)
{
    const Clock::time_point t0 = Clock::now();
    while (statusPosition(lastReply, position) != slider()) {
        lastReply = co_await link.exchange(commandText(step), SettingsTimeout);
        if (secondsSince(t0) > SteppingBudget)
            co_return false;
    }
    co_return true;
}

} // namespace

QCoro::Task<> uploadSettings(Link &link, const InputSettings &panel, Messenger &messenger,
                             QString &lastReply)
{
    if (panel.mode() != Mode::Count) {
        link.pulseDtr();
        co_await link.pause(ResetPause);
    }

    lastReply = co_await link.exchange(modeCommand(panel.mode(), panel.input()), SettingsTimeout);
    if (lastReply.size() < MinModeReply) {
        co_await messenger.message(ConnectionError);
        co_return;
    }
    if (panel.mode() == Mode::Count)
        co_return;

    lastReply = co_await link.exchange(edgeCommand(panel.edge()), SettingsTimeout);
    lastReply = co_await link.exchange(filterCommand(panel.filterOn()), SettingsTimeout);
    lastReply = co_await link.exchange(calibrationCommand(panel.mode() == Mode::Calibration),
                                       SettingsTimeout);

    const bool levelSet = co_await stepUntil(link, lastReply, LevelPosition, Command::LevelStep,
                                             [&panel] { return panel.level(); });
    if (!levelSet) {
        co_await messenger.message(ConnectionError);
        co_return;
    }
    const bool timeSet = co_await stepUntil(link, lastReply, TimePosition, Command::TimeStep,
                                            [&panel] { return panel.position(); });
    if (!timeSet)
        co_await messenger.message(ConnectionError);
}

} // namespace pelmix::device
