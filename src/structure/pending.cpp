// Placeholders until the structure solvers are built.
#include "common/fatal.hpp"
#include "structure/solvers.hpp"

namespace velkaro::structure {
void iterater(RunContext&, PlanetState&) { not_built("the evolution structure solver", "iterater"); }
void iteraterstatic(RunContext&, PlanetState&) { not_built("the static structure solver", "iteraterstatic"); }
}  // namespace velkaro::structure
