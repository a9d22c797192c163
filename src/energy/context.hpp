// Per-run state of the energy subsystem: work arrays and the diagnostics
// one call keeps for the next. One instance lives in each run.
#pragma once

#include "common/arrays.hpp"
#include "common/model_state.hpp"

namespace velkaro::energy {

/// Energies of the previous budget, printed when a budget comes out
/// positive (an unbound planet) to show what changed.
struct PreviousBudget {
    double Eint = 0, Eintideal = 0, Egrav = 0, Egravsimp = 0;
};

struct EnergyContext {
    PreviousBudget previous;
    /// -T dS/dt per shell of the last lumivar call [erg g^-1 s^-1].
    Vec1<double> dldm{kMaxShells};
};

}  // namespace velkaro::energy
