#include "SimulatedCounter.h"

#ifdef PELMIX_SIMULATOR
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"
#endif

namespace pelmix::platform {

#ifdef PELMIX_SIMULATOR

struct SimulatedCounter::Parts
{
    explicit Parts(double noise)
        : model(signal(noise))
    {
    }
    static sim::Signal signal(double noise)
    {
        sim::Signal s;
        s.noise = noise;
        return s;
    }
    sim::CounterModel model;
    sim::PtyServer server{model};
};

SimulatedCounter::SimulatedCounter() = default;
SimulatedCounter::~SimulatedCounter() = default;

std::optional<QString> SimulatedCounter::start(double timeScale, double noise)
{
    m_parts = std::make_unique<Parts>(noise);
    m_parts->model.setTimeScale(timeScale);
    // A long run must not keep every command in memory.
    m_parts->server.setKeepRecord(false);
    if (auto error = m_parts->server.start())
        return QStringLiteral("cannot start the simulated counter: %1").arg(*error);
    return std::nullopt;
}

QString SimulatedCounter::devicePath() const
{
    return m_parts ? m_parts->server.devicePath() : QString();
}

#else

struct SimulatedCounter::Parts
{
};

SimulatedCounter::SimulatedCounter() = default;
SimulatedCounter::~SimulatedCounter() = default;

std::optional<QString> SimulatedCounter::start(double, double)
{
    return QStringLiteral("this build has no simulated counter");
}

QString SimulatedCounter::devicePath() const
{
    return {};
}

#endif

} // namespace pelmix::platform
