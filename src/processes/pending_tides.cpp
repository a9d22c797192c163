// Placeholder until tidal migration is built.
#include "common/fatal.hpp"
#include "processes/tides.hpp"

namespace velkaro::processes {
void migratetides(RunContext&, PlanetState&) { not_built("tidal migration", "migratetides"); }
}  // namespace velkaro::processes
