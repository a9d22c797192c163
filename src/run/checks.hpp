// Start checks and stop criteria.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;

/// Can the planet be evolved at all? Sets isdone, stopcode, envelopeflag and
/// a bare-core model when it cannot.
void checkinitcond(RunContext& ctx, PlanetState& s);
/// Has the evolution reached a stop criterion?
void checkisdone(RunContext& ctx, PlanetState& s);

}  // namespace velkaro
