#pragma once

#include "CounterModel.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace pelmix::sim {

// Serves a CounterModel on a pseudo-terminal, so the program's whole serial path runs
// against it. Applies the transport faults (silence, delays, split or paced output,
// missing carriage returns, garbage, hang-up), records every command with its time,
// and counts commands that arrive while a reply is still going out.
class PtyServer : public QObject
{
    Q_OBJECT
public:
    using Clock = CounterModel::Clock;

    struct Received
    {
        double seconds; // since the server started
        char command;
    };

    explicit PtyServer(CounterModel &model, QObject *parent = nullptr);
    ~PtyServer() override;

    // Opens a new pseudo-terminal. Returns an error text on failure.
    std::optional<QString> start();
    QString devicePath() const { return m_devicePath; }
    // Points a symbolic link at the device, now and after every comeBack().
    std::optional<QString> makeLink(const QString &path);
    std::optional<QString> setRecordFile(const QString &path);
    // Keeps the commands and replies in memory for received(), commands() and sent();
    // a long-running server turns this off.
    void setKeepRecord(bool keep) { m_keepRecord = keep; }
    // Paces output at 9600 baud, 8N1: about 1.04 ms a character.
    void setLineRate(bool on) { m_lineRate = on; }

    // Sends bytes nobody asked for, as a counter that babbles.
    void send(const QByteArray &bytes) { schedule(bytes, {}); }
    // Replies the random fault has spoilt so far.
    int injectedFaults() const { return m_injected; }

    // The device disappears, as when a USB adapter is pulled out.
    void hangUp();
    // A new device appears at the same link path.
    std::optional<QString> comeBack();
    bool isUp() const { return m_master >= 0; }

    const std::vector<Received> &received() const { return m_received; }
    QByteArray commands() const;
    const QByteArray &sent() const { return m_sent; }
    int overlaps() const { return m_overlaps; }
    void clearRecord();
    double secondsSinceStart() const;

signals:
    void commandReceived(char command);
    // Bytes just written to the line, emitted right after the write.
    void sentBytes(const QByteArray &bytes);
    void hungUp();

private:
    struct Segment
    {
        Clock::time_point due;
        QByteArray bytes;
        Clock::duration perByte{};
    };

    void onReadable();
    void handle(char command);
    QByteArray distort(QByteArray reply, const Faults &faults);
    void schedule(const QByteArray &bytes, Clock::duration delay, bool split = false);
    void pump();
    void closeDevice();

    CounterModel &m_model;
    Clock::time_point m_started = Clock::now();
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_linkPath;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QTimer m_pumpTimer;
    std::deque<Segment> m_out;
    Clock::time_point m_lineFree = Clock::now();
    bool m_lineRate = false;
    bool m_keepRecord = true;
    std::mt19937 m_random;
    std::vector<Received> m_received;
    QByteArray m_sent;
    int m_overlaps = 0;
    int m_injected = 0;
    int m_commandCount = 0;
    std::unique_ptr<QFile> m_record;
};

} // namespace pelmix::sim
