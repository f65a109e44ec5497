#include "SessionInstrument.h"

#include "measure/Session.h"

namespace pelmix::cli {

SessionInstrument::SessionInstrument(measure::Session &session, QString model, QString version)
    : m_session(session)
    , m_model(std::move(model))
    , m_version(std::move(version))
{
}

QString SessionInstrument::port() const
{
    return m_session.link().portLabel();
}

QCoro::Task<measure::Result> SessionInstrument::measure(Setup setup)
{
    return m_session.meter().measure(setup);
}

void SessionInstrument::abort()
{
    m_session.meter().abort();
}

} // namespace pelmix::cli
