// Placeholders until the core is built.
#include "common/fatal.hpp"
#include "core/core.hpp"

namespace velkaro::core {
void driverhocore(RunContext&, const double*, double, double, double&) {
    not_built("the core density table", "driverhocore");
}
void lcorecool(RunContext&, PlanetState&) { not_built("the core cooling luminosity", "lcorecool"); }
}  // namespace velkaro::core
