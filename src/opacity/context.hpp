// Per-run state of the opacity subsystem. The opacity laws themselves are
// pure functions of (rho, T) and of the run's settings; the only thing worth
// keeping between calls is the choice of gas tables for the metallicity in
// use, which costs a power of ten and a search to make and changes at most
// when the run's metallicity does.
#pragma once

#include <limits>

namespace velkaro::opacity {

/// How the built-in gas tables are combined for one metallicity [M/H]:
/// kappa = factor * (linear interpolation in z between the tables lo and hi,
/// placed at their linear metal factors zlo and zhi).
struct GasBracket {
    int lo = 1, hi = 2;          // table numbers 1..6 ([M/H] 0.0 .. 1.7)
    double zlo = 1, zhi = 1;     // their metal factors 10^[M/H]
    double z = 1;                // interpolation abscissa, a metal factor
    double factor = 1;           // extra factor outside the tabulated range
};

struct OpacityContext {
    /// [M/H] for which `gas` was made; NaN until the first call.
    double gasmetallicity = std::numeric_limits<double>::quiet_NaN();
    GasBracket gas;
};

}  // namespace velkaro::opacity
