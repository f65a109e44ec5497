#include "SettingsUpload.h"

#include "Clock.h"
#include "Commands.h"
#include "Link.h"
#include "StatusLine.h"

#include <functional>

namespace pelmix::device {

namespace {

// Steps one setting until the status line shows the wanted position, and stores in
// `sent` the position wanted at the last look. Each step's reply is stored before the
// budget is checked, so the step that crosses it still counts.
QCoro::Task<bool> stepUntil(Link &link, QString &lastReply, int position, char step,
                            std::function<int()> wanted, int &sent)
{
    const Clock::time_point t0 = Clock::now();
    while (statusPosition(lastReply, position) != (sent = wanted())) {
        lastReply = (co_await link.exchange(commandText(step), SettingsTimeout)).text;
        if (secondsSince(t0) > SteppingBudget)
            co_return false;
    }
    co_return true;
}

} // namespace

QCoro::Task<Upload> uploadSettings(Link &link, const InputSettings &settings, Mode mode,
                                   QString &lastReply)
{
    if (mode != Mode::Count) {
        link.pulseDtr();
        co_await link.pause(ResetPause);
    }

    Upload upload;
    Setup &sent = upload.setup;
    sent = {mode,
            settings.position(),
            settings.analog(),
            settings.level(),
            settings.fallingEdge(),
            settings.filterOn()};
    lastReply = (co_await link.exchange(modeCommand(mode, sent.analog), SettingsTimeout)).text;
    if (lastReply.size() < MinModeReply)
        co_return upload;
    if (mode == Mode::Count) {
        upload.confirmed = true;
        co_return upload;
    }

    sent.fallingEdge = settings.fallingEdge();
    lastReply = (co_await link.exchange(edgeCommand(sent.fallingEdge), SettingsTimeout)).text;
    sent.filter = settings.filterOn();
    lastReply = (co_await link.exchange(filterCommand(sent.filter), SettingsTimeout)).text;
    lastReply =
        (co_await link.exchange(calibrationCommand(mode == Mode::Calibration), SettingsTimeout))
            .text;

    if (!co_await stepUntil(
            link, lastReply, LevelPosition, Command::LevelStep,
            [&settings] { return settings.level(); }, sent.level))
        co_return upload;
    upload.confirmed = co_await stepUntil(
        link, lastReply, TimePosition, Command::TimeStep,
        [&settings] { return settings.position(); }, sent.position);
    co_return upload;
}

} // namespace pelmix::device
