#include "Mode.h"

namespace pelmix {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array<float, 5> FrequencyTimeouts = {1.0f, 1.0f, 1.0f, 1.1f, 11.0f};
constexpr std::array<float, 5> PeriodTimeouts = {20.5f, 20.5f, 20.5f, 20.5f, 20.5f};
constexpr std::array<float, 5> CountTimeouts = {2.0f, 2.0f, 2.0f, 2.0f, 2.0f};
// The count over 10^position ms.
constexpr std::array<double, 5> MeasuringTimes = {1, 10, 100, 1000, 10000};
// Units of 10^-(position+1) microseconds.
constexpr std::array<double, 5> PeriodUnits = {1e7, 1e8, 1e9, 1e10, 1e11};
// Tenths of a microsecond.
constexpr std::array<double, 5> Tenths = {1e7, 1e7, 1e7, 1e7, 1e7};
constexpr std::array<double, 5> Ones = {1, 1, 1, 1, 1};

const ModeInfo Modes[] = {
    {Mode::Calibration,
     "calibration"_L1,
     "Calibration"_L1,
     {},
     "Hz"_L1,
     "s"_L1,
     'F',
     true,
     8,
     FrequencyTimeouts,
     1000,
     MeasuringTimes},
    {Mode::Frequency, "frequency"_L1, "Frequency"_L1, "FREQuency"_L1, "Hz"_L1, "s"_L1, 'F', true, 8,
     FrequencyTimeouts, 1000, MeasuringTimes},
    {Mode::Period, "period"_L1, "Period"_L1, "PERiod"_L1, "s"_L1, "Hz"_L1, 'T', true, 12,
     PeriodTimeouts, 1, PeriodUnits},
    {Mode::Interval,
     "interval"_L1,
     "Time"_L1,
     "TINTerval"_L1,
     "s"_L1,
     {},
     'I',
     false,
     12,
     PeriodTimeouts,
     1,
     Tenths},
    {Mode::Count,
     "count"_L1,
     "Quantity"_L1,
     "TOTalize"_L1,
     {},
     {},
     'P',
     true,
     12,
     CountTimeouts,
     1,
     Ones},
};

} // namespace

const ModeInfo &modeInfo(Mode mode)
{
    return Modes[int(mode)];
}

std::span<const ModeInfo> modes()
{
    return Modes;
}

std::optional<Mode> modeFromName(QByteArrayView name)
{
    for (const ModeInfo &info : Modes) {
        if (name == QByteArrayView(info.name.data(), info.name.size()))
            return info.mode;
    }
    return std::nullopt;
}

} // namespace pelmix
