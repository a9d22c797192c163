// Placeholders until these processes are built.
#include "common/fatal.hpp"
#include "processes/later.hpp"

namespace velkaro::processes {
void dburnnuvo(RunContext&, PlanetState&) { not_built("deuterium burning", "dburnnuvo"); }
void evap(RunContext&, PlanetState&) { not_built("atmospheric escape", "evap"); }
void noenve(RunContext&, PlanetState&) { not_built("the bare-core model", "noenve"); }
void noenveend(RunContext&, PlanetState&) { not_built("the bare-core evolution", "noenveend"); }
}  // namespace velkaro::processes
