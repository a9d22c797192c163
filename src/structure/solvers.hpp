// The three structure solvers of the envelope.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::structure {

/// Initial hydrostatic structure for the outer-radius guess s.Routguess and
/// core density s.rhocore; fills s.nf, s.masse, s.x.
void iteraterinit(RunContext& ctx, PlanetState& s);
/// Structure of the new step under the energy constraint.
void iterater(RunContext& ctx, PlanetState& s);
/// Structure of the lighter planet after mass loss.
void iteraterstatic(RunContext& ctx, PlanetState& s);

}  // namespace velkaro::structure
