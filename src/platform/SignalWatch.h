#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <optional>

namespace pelmix::platform {

// SIGINT, SIGTERM and SIGHUP, delivered in the event loop. The handler itself only writes a byte to
// a socket pair that a notifier watches. One at a time in a program.
class SignalWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SignalWatch() override;

    // Installs the handlers. Returns why it cannot.
    std::optional<QString> start();

signals:
    // Once per signal, in the order they came.
    void received(int signalNumber);

private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace pelmix::platform
