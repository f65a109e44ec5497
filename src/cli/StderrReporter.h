#pragma once

#include "measure/Reporter.h"

#include <functional>

namespace pelmix::cli {

// Tells of a failure on standard error and goes on at once: nobody is there to acknowledge
// it. Each message names the port and its device, as the window's messages do.
class StderrReporter final : public measure::Reporter
{
public:
    explicit StderrReporter(std::function<QString()> portLabel)
        : m_portLabel(std::move(portLabel))
    {
    }

    QCoro::Task<> report(QString message) override;

private:
    std::function<QString()> m_portLabel;
};

} // namespace pelmix::cli
