#pragma once

#include "remote/Instrument.h"

#include <QObject>

namespace pelmix::measure {
class Session;
class ValuePanel;
} // namespace pelmix::measure

namespace pelmix::cli {

// The counter of a measuring session as the SCPI server drives it: each measurement sets
// the panel's values from the remote configuration and measures once, as the hand button
// does.
class SessionInstrument final : public QObject, public remote::Instrument
{
    Q_OBJECT
public:
    SessionInstrument(measure::Session &session, measure::ValuePanel &panel, QString model,
                      QString version, QObject *parent = nullptr);

    QString model() const override { return m_model; }
    QString port() const override;
    QString version() const override { return m_version; }

    QCoro::Task<remote::Measurement> measure(remote::Configuration configuration) override;

private:
    measure::Session &m_session;
    measure::ValuePanel &m_panel;
    QString m_model;
    QString m_version;
};

} // namespace pelmix::cli
