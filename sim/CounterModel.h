#pragma once

#include "Faults.h"
#include "Signal.h"

#include <QByteArray>

#include <chrono>
#include <optional>
#include <random>

namespace pelmix::sim {

// The counter's side of the protocol: one command character in, one reply out, with
// the time the counter takes before it answers.
//
// Status line, answered to "w" and to every settings command (positions from 1):
//   1  mode letter as last set: F f T t I i P p (upper case: digital input)
//   2  edge: K rising, k falling
//   3  measuring-time (or multiplier) position, 0 to 4; "C" advances it, 4 wraps to 0
//   4  filter: B off, b on
//   5  calibration: J on, j off
//   6  ':'
//   7  level position, 0 to 7; "+" advances it, 7 wraps to 0
//   then a carriage return.                               Example: "FK0Bj:0\r"
// "D" answers the mode letter, the count in upper-case hexadecimal (8 digits in
// frequency mode and calibration, 12 otherwise) and a carriage return. In frequency
// mode the answer comes after the measuring time, 10^position ms.
// Any other command is answered "?\r" and changes nothing.
class CounterModel
{
public:
    using Clock = std::chrono::steady_clock;

    struct Reply
    {
        QByteArray bytes;
        Clock::duration delay{};
    };

    explicit CounterModel(Signal signal = {}, Faults faults = {});

    Reply respond(char command, Clock::time_point now = Clock::now());

    QByteArray statusLine() const;
    // The count "D" would carry now, before noise.
    double count(Clock::time_point now = Clock::now()) const;
    int digits() const;

    char modeLetter() const { return m_mode; }
    int level() const { return m_level; }
    int time() const { return m_time; }
    bool calibration() const { return m_calibration; }
    bool fallingEdge() const { return m_falling; }
    bool filter() const { return m_filter; }
    void setLevel(int level) { m_level = level; }
    void setTime(int time) { m_time = time; }

    Signal &signal() { return m_signal; }
    Faults &faults() { return m_faults; }
    // Measuring times are multiplied by this (1 = real time).
    void setTimeScale(double scale) { m_timeScale = scale; }
    // Answers "D" with exactly these bytes from now on; nullopt returns to the signal.
    void setDataReply(std::optional<QByteArray> reply) { m_dataReply = std::move(reply); }

private:
    Reply data(Clock::time_point now);
    double noisy(double value);
    bool isFrequencyMode() const;

    Signal m_signal;
    Faults m_faults;
    std::mt19937 m_random;
    std::optional<QByteArray> m_dataReply;
    double m_timeScale = 1.0;
    char m_mode = 'F';
    bool m_falling = false;
    bool m_filter = false;
    bool m_calibration = false;
    int m_level = 0;
    int m_time = 0;
    Clock::time_point m_countingSince = Clock::now();
};

} // namespace pelmix::sim
