// Placeholders until escape and the bare-core phase are built.
#include "common/fatal.hpp"
#include "processes/escape.hpp"

namespace velkaro::processes {
void evap(RunContext&, PlanetState&) { not_built("atmospheric escape", "evap"); }
void noenve(RunContext&, PlanetState&) { not_built("the bare-core model", "noenve"); }
void noenveend(RunContext&, PlanetState&) { not_built("the bare-core evolution", "noenveend"); }
}  // namespace velkaro::processes
