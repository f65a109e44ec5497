#pragma once

#include "PanelControls.h"

#include "measure/Panel.h"
#include "measure/Result.h"

namespace pelmix::ui {

// The front panel's controls as the measurement reads them, and what the panel shows:
// results, the mode's layout, the filter switch, the cycle pictures.
class FrontPanel final : public measure::Panel
{
public:
    explicit FrontPanel(const PanelControls &controls)
        : ui(controls)
    {
    }

    device::Mode mode() const override;
    device::Input input() const override;
    device::Edge edge() const override;
    bool filterOn() const override { return m_filterOn; }
    int level() const override;
    int position() const override;
    void setPosition(int position) override;
    void setPositionEnabled(bool enabled) override;

    // Both displays cleared, the second line and the measuring-time slider shown or hidden,
    // the slider's caption as the mode names it.
    void prepareForMode(device::Mode mode);
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
