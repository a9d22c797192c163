// The three structure solvers of the envelope.
#pragma once

#include "structure/model.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::structure {

/// Initial hydrostatic structure for the outer-radius guess s.Routguess and
/// core density s.rhocore; fills s.nf, s.masse, s.x. With the slope of the
/// mismatch from the search before (< 0), the search starts by secant steps
/// from s.Routguess. Returns the slope this search saw (0: none).
double iteraterinit(const EnvelopeModel& m, PlanetState& s, double slope = 0);
/// Structure of the new step under the energy constraint.
void iterater(const EnvelopeModel& m, PlanetState& s);
/// Structure of the lighter planet after mass loss.
void iteraterstatic(const EnvelopeModel& m, PlanetState& s);

}  // namespace velkaro::structure
