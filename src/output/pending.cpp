// Placeholder until the result files are built.
#include "common/fatal.hpp"
#include "output/output.hpp"

namespace velkaro::output {
void ecriture(RunContext&, PlanetState&) { not_built("the result files", "ecriture"); }
}  // namespace velkaro::output
