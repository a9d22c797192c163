// Placeholder until deuterium burning is built.
#include "common/fatal.hpp"
#include "processes/deuterium.hpp"

namespace velkaro::processes {
void dburnnuvo(RunContext&, PlanetState&) { not_built("deuterium burning", "dburnnuvo"); }
}  // namespace velkaro::processes
