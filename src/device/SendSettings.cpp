#include "SendSettings.h"

#include "Clock.h"
#include "Commands.h"
#include "Link.h"
#include "Messenger.h"
#include "SettingsPanel.h"
#include "StatusLine.h"

#include <functional>

namespace pelmix::device {

namespace {

// Steps one setting until the status line shows the slider's position. Each step's
// reply is stored before the budget is checked, so the step that crosses it still counts.
QCoro::Task<bool> stepUntil(Link &link, QString &LastReply, int position, char step,
                            std::function<int()> slider)
{
    const Clock::time_point t0 = Clock::now();
    while (statusPosition(LastReply, position) != slider()) {
        LastReply = co_await link.ZpOtv(commandText(step), SettingsTimeout);
        if (secondsSince(t0) > SteppingBudget)
            co_return false;
    }
    co_return true;
}

} // namespace

QCoro::Task<> SendSettings(Link &link, const SettingsPanel &panel, Messenger &messenger,
                           QString &LastReply)
{
    if (panel.mode() != Mode::Count) {
        link.pulseDtr();
        co_await link.DelayS(ResetPause);
    }

    LastReply = co_await link.ZpOtv(modeCommand(panel.mode(), panel.input()), SettingsTimeout);
    if (LastReply.size() < MinModeReply) {
        co_await messenger.message(ConnectionError);
        co_return;
    }
    if (panel.mode() == Mode::Count)
        co_return;

    LastReply = co_await link.ZpOtv(edgeCommand(panel.edge()), SettingsTimeout);
    LastReply = co_await link.ZpOtv(filterCommand(panel.FilterOn()), SettingsTimeout);
    LastReply =
        co_await link.ZpOtv(calibrationCommand(panel.mode() == Mode::Calibration), SettingsTimeout);

    const bool levelSet = co_await stepUntil(link, LastReply, LevelPosition, Command::LevelStep,
                                             [&panel] { return panel.Slider1(); });
    if (!levelSet) {
        co_await messenger.message(ConnectionError);
        co_return;
    }
    const bool timeSet = co_await stepUntil(link, LastReply, TimePosition, Command::TimeStep,
                                            [&panel] { return panel.Slider2(); });
    if (!timeSet)
        co_await messenger.message(ConnectionError);
}

} // namespace pelmix::device
