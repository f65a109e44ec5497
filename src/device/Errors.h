#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

namespace pelmix::device {

// Thrown out of every wait once the program is shutting down, so that a pending
// measurement unwinds to its top-level handler and sends nothing more.
class Cancelled : public std::exception
{
public:
    const char *what() const noexcept override { return "shutting down"; }
};

// Thrown out of the next exchange or pause after the measurement was asked to stop
// (Link::stopBeforeNext): the measurement ends there, and the port stays as it is.
class Stopped : public std::exception
{
public:
    const char *what() const noexcept override { return "stopped"; }
};

// The port failed during an exchange: write refused, port closed while waiting,
// device gone. Distinct from a time-out, which is not an error.
class PortFailure : public std::runtime_error
{
public:
    explicit PortFailure(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {
    }
    QString description() const { return m_description; }

private:
    QString m_description;
};

} // namespace pelmix::device
