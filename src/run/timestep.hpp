// Time step control.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;

/// Length of the next evolution step from the Kelvin-Helmholtz time.
void timestep(RunContext& ctx, PlanetState& s);

}  // namespace velkaro
