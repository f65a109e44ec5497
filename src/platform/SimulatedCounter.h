#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace pelmix::platform {

// The built-in simulated counter. It runs in this process behind a real pseudo-terminal, so
// the whole serial path is the one a real counter uses.
class SimulatedCounter
{
public:
    SimulatedCounter();
    ~SimulatedCounter();
    SimulatedCounter(const SimulatedCounter &) = delete;
    SimulatedCounter &operator=(const SimulatedCounter &) = delete;

    // Measuring times are multiplied by `timeScale`; every reading carries relative noise
    // of `noise`. Returns why the counter cannot start; a build without the simulator says
    // so.
    std::optional<QString> start(double timeScale = 1.0, double noise = 0.0);
    QString devicePath() const;

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace pelmix::platform
