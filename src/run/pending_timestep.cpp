// Placeholder until the time step control is built.
#include "common/fatal.hpp"
#include "run/timestep.hpp"

namespace velkaro {
void timestep(RunContext&, PlanetState&) { not_built("the time step control", "timestep"); }
}  // namespace velkaro
