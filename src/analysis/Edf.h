#pragma once

#include "Deviations.h"

#include <QtGlobal>

namespace pelmix::analysis {

// Equivalent degrees of freedom of a deviation at averaging factor m of n phase points,
// for the noise type alpha (2 .. -2): C. A. Greenhall and W. J. Riley, "Uncertainty of
// stability variances based on finite differences" (2003), for all but the total
// deviation; NIST SP 1065's formulas for that. NaN where none can be had.
double equivalentDegreesOfFreedom(Deviation kind, int alpha, qint64 m, qint64 n);

// Greenhall and Riley's algorithm itself: d = 2 for the Allan, 3 for the Hadamard
// variances; `overlapping` estimators advance by tau0, the others by tau; `modified`
// averages the phase over m before differencing.
double greenhallEdf(int alpha, int d, qint64 m, qint64 n, bool overlapping, bool modified);

} // namespace pelmix::analysis
