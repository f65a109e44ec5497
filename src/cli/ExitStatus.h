#pragma once

namespace pelmix::cli {

// What the program's exit status tells a script.
namespace ExitStatus {
inline constexpr int Ok = 0;
// Some measurement gave no value (every one is written all the same), the output could
// not be written, or a file to analyse could not be read.
inline constexpr int Incomplete = 1;
inline constexpr int Usage = 2;
// The port cannot be opened, or it was lost while measuring.
inline constexpr int PortFailure = 3;
} // namespace ExitStatus

} // namespace pelmix::cli
