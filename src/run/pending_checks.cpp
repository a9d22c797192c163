// Placeholders until the start checks and stop criteria are built.
#include "common/fatal.hpp"
#include "run/checks.hpp"

namespace velkaro {
void checkinitcond(RunContext&, PlanetState&) { not_built("the start checks", "checkinitcond"); }
void checkisdone(RunContext&, PlanetState&) { not_built("the stop criteria", "checkisdone"); }
}  // namespace velkaro
