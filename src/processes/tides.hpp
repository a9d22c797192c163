// Tidal migration of the orbit.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::processes {

/// Advance the semi-major axis over the step just taken (s.aold -> s.aplanete).
void migratetides(RunContext& ctx, PlanetState& s);

}  // namespace velkaro::processes
