#pragma once

#include "remote/Instrument.h"

namespace pelmix::measure {
class Session;
} // namespace pelmix::measure

namespace pelmix::cli {

// The counter of a measuring session as the SCPI server drives it: a setup in, a result
// out, one measurement at a time.
class SessionInstrument final : public remote::Instrument
{
public:
    SessionInstrument(measure::Session &session, QString model, QString version);

    QString model() const override { return m_model; }
    QString port() const override;
    QString version() const override { return m_version; }

    QCoro::Task<measure::Result> measure(Setup setup) override;
    void abort() override;

private:
    measure::Session &m_session;
    QString m_model;
    QString m_version;
};

} // namespace pelmix::cli
