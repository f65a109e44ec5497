#pragma once

#include "PanelControls.h"

#include "device/InputSettings.h"
#include "measure/Result.h"

namespace pelmix::ui {

// The front panel's controls as the measurement reads them, and what the panel shows:
// results, the mode's layout, the filter switch, the cycle pictures.
class FrontPanel final : public device::InputSettings
{
public:
    explicit FrontPanel(const PanelControls &controls)
        : ui(controls)
    {
    }

    pelmix::Mode mode() const override;
    bool analog() const override;
    bool fallingEdge() const override;
    bool filterOn() const override { return m_filterOn; }
    int level() const override;
    int position() const override;
    // The measuring-time control as the mode of the settings just sent wants it.
    void showSettingsSent(const Setup &setup);

    // Both displays cleared, the second line and the measuring-time slider shown or hidden,
    // the slider's caption as the mode names it.
    void prepareForMode(pelmix::Mode mode);
    void showResult(const measure::Result &result);
    // The filter switch: the raised picture when off, the pressed one when on.
    void setFilter(bool on);
    // The stop picture while a cycle runs, the start picture otherwise.
    void showCycleRunning(bool running);

private:
    const PanelControls &ui;
    bool m_filterOn = false;
};

} // namespace pelmix::ui
