#pragma once

#include "Call.h"

namespace pelmix::remote {

// Checks a call's parameters against what its command takes and fills Call::value; on a
// mismatch, fails the call with the standard's error and returns false.
//
// Numbers as SCPI has them: a whole-number setting rounds first, then checks its range
// (-0.5 rounds to -1); infinities are out of range (-222), NAN is illegal (-224); an
// exponent too large for a double is an infinity.
bool checkParameters(Call &call);

// A setting's query naming a limit (LEV? MAX): its response. Nothing when the query names
// none, or on an error (the call then fails).
Reply limitQuery(Call &call, bool &named);

} // namespace pelmix::remote
