#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace pelmix::sim {

// Named misbehaviours of the simulated counter, for tests.
struct Faults
{
    bool silent = false;      // never answers
    int slowMs = 0;           // each reply starts this late
    bool split = false;       // each reply goes out a byte at a time, 2 ms apart
    bool noCr = false;        // replies lack the carriage return
    bool garbage = false;     // NUL, LF, BS, 0xFF and random bytes mixed into replies
    bool shortStatus = false; // status lines cut to three characters
    bool stuckLevel = false;  // "+" does not move the level
    bool stuckTime = false;   // "C" does not move the measuring time
    bool flood = false;       // "D" is answered with 1 MiB of digits and no carriage return
    int hangUpAfter = -1;     // answers this many commands, then hangs up on the next
    double random = 0;        // each reply, with this probability, silent, slow, split,
                              // without its carriage return or with garbage

    // Parses one --fault value ("slow", "slow=500", "hang-up-after=3", ...).
    // Returns an error text when the name is unknown.
    std::optional<QString> parse(const QString &text);

    static QStringList names();
};

} // namespace pelmix::sim
