#pragma once

// The main window measuring cyclically against the in-process simulated counter, with a
// record of every command, reply and finished measurement, each with its time.

#include "BenchCommon.h"

#include "measure/Meter.h"
#include "sim/CounterModel.h"
#include "sim/PtyServer.h"
#include "ui/MainWindow.h"

#include "device/Link.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace pelmix::bench {

// The application as the program's main() sets it up.
inline void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Pelmix"));
    QApplication::setOrganizationName(QStringLiteral("Pelmix"));
    QApplication::setApplicationVersion(QStringLiteral("1.4"));
    QApplication::setStyle(QStringLiteral("Fusion"));
}

// Turns the event loop until `done` holds or `timeoutMs` passes; false on time-out.
inline bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    // The tick bounds each blocking turn, so the wait itself costs no processor time.
    QTimer tick;
    tick.start(5);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (SteadyClock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct CycleRecord
{
    struct Command
    {
        SteadyClock::time_point at;
        char command;
    };
    struct Reply
    {
        SteadyClock::time_point end; // the write of its last byte
        qsizetype bytes;
    };
    struct Finish
    {
        SteadyClock::time_point at;
        std::size_t commands; // counts so far, at this moment
        std::size_t replies;
        qint64 sentBytes;
    };

    std::vector<Command> commands;
    std::vector<Reply> replies;
    std::vector<Finish> finishes;
    qint64 sentBytes = 0;
    qsizetype replyBytes = 0;
};

// Shows the window and waits for its port to open (a queued call after the first show).
inline bool showAndOpen(ui::MainWindow &window)
{
    window.show();
    return spinUntil([&window] { return window.session().link().isOpen(); }, 10000);
}

// Measures cyclically until `measurements` have finished, then stops the cycle and
// waits until it has ended. False when that takes longer than `timeoutMs`.
inline bool measureCyclically(ui::MainWindow &window, sim::PtyServer &server, int measurements,
                              CycleRecord &record, int timeoutMs)
{
    QEventLoop loop;
    std::vector<QMetaObject::Connection> connections;
    connections.push_back(
        QObject::connect(&server, &sim::PtyServer::commandReceived, [&record](char c) {
            record.commands.push_back({SteadyClock::now(), c});
        }));
    connections.push_back(
        QObject::connect(&server, &sim::PtyServer::sentBytes, [&record](const QByteArray &b) {
            const auto now = SteadyClock::now();
            record.sentBytes += b.size();
            record.replyBytes += b.size();
            if (b.contains('\r')) {
                record.replies.push_back({now, record.replyBytes});
                record.replyBytes = 0;
            }
        }));
    measure::Meter &meter = window.session().meter();
    connections.push_back(QObject::connect(&meter, &measure::Meter::measurementFinished, [&] {
        record.finishes.push_back(
            {SteadyClock::now(), record.commands.size(), record.replies.size(), record.sentBytes});
        if (int(record.finishes.size()) == measurements) {
            meter.stopCycle();
            loop.quit();
        }
    }));
    bool timedOut = false;
    QTimer::singleShot(timeoutMs, &loop, [&] {
        timedOut = true;
        meter.stopCycle();
        loop.quit();
    });

    meter.startCycle();
    loop.exec();
    const bool ended = spinUntil([&meter] { return meter.activeTasks() == 0; }, 10000);
    for (const auto &connection : connections)
        QObject::disconnect(connection);
    return !timedOut && ended;
}

} // namespace pelmix::bench
