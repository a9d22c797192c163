#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;

/// Put the planet state into its start condition once the input files are
/// read: age tstart, arrays cleared, primordial deuterium everywhere, first
/// guesses of core density and radius; echo the total mass.
void initialize(RunContext& ctx, PlanetState& s);

}  // namespace velkaro
