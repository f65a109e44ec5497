#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>

#include <array>
#include <optional>
#include <span>

namespace pelmix {

// What the counter measures.
enum class Mode { Calibration, Frequency, Period, Interval, Count };

// Everything the program knows about a mode, in one place: what the counter is sent, how
// its reply is read and scaled, and what the mode is called in files, the log and SCPI.
struct ModeInfo
{
    Mode mode;
    // In reading files and on the command line: "frequency".
    QLatin1StringView name;
    // The log's mode line: "Frequency".
    QLatin1StringView logName;
    // The SCPI function's long form, upper case for the short one: "FREQuency". Empty
    // where the server offers none.
    QLatin1StringView scpiFunction;
    // The SI unit of the value ("Hz", "s", or none for a count) and of the secondary value
    // beside it (none where the panel shows none).
    QLatin1StringView unit;
    QLatin1StringView secondaryUnit;
    // The mode command's letter (upper case: the digital input) and whether the measuring
    // time (or multiplier) applies; interval mode holds it at 0.
    char letter;
    bool hasPosition;
    // The data reply's count field, in hexadecimal digits, and its time-out per position.
    int digits;
    std::array<float, 5> timeouts;
    // One count in SI units at each position is numerator / denominator[position]: a
    // quotient of exact doubles, so that a value is the count's correctly rounded
    // quotient. It is also the counter's resolution.
    double numerator;
    std::array<double, 5> denominators;

    double scale(int position) const { return numerator / denominators[position]; }
    double valueOf(double count, int position) const
    {
        return count * numerator / denominators[position];
    }
};

// The positions of the measuring-time control and of the trigger level.
inline constexpr int MaxPosition = 4;
inline constexpr int MaxLevel = 7;

const ModeInfo &modeInfo(Mode mode);
std::span<const ModeInfo> modes();
std::optional<Mode> modeFromName(QByteArrayView name);

} // namespace pelmix
