// Atmospheric escape and the bare-core phase, called by the driver.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::processes {

/// Atmospheric escape over the step (sets Mlost, Lstatic, envelopeflag).
void evap(RunContext& ctx, PlanetState& s);
/// Replace the structure by a bare core at the equilibrium temperature.
void noenve(RunContext& ctx, PlanetState& s);
/// Follow the bare core to the end of the run.
void noenveend(RunContext& ctx, PlanetState& s);

}  // namespace velkaro::processes
