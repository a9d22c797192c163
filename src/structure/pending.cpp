// Placeholder until the static structure solver is built.
#include "common/fatal.hpp"
#include "structure/solvers.hpp"

namespace velkaro::structure {
void iteraterstatic(RunContext&, PlanetState&) { not_built("the static structure solver", "iteraterstatic"); }
}  // namespace velkaro::structure
