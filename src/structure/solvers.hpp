// The three structure solvers of the envelope.
#pragma once

#include "structure/model.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::structure {

/// Initial hydrostatic structure for the outer-radius guess s.Routguess and
/// core density s.rhocore; fills s.nf, s.masse, s.x.
void iteraterinit(const EnvelopeModel& m, PlanetState& s);
/// Structure of the new step under the energy constraint.
void iterater(const EnvelopeModel& m, PlanetState& s);
/// Structure of the lighter planet after mass loss.
void iteraterstatic(const EnvelopeModel& m, PlanetState& s);

}  // namespace velkaro::structure
