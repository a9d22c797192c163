// Placeholder until the EOS tables are built.
#include "common/fatal.hpp"
#include "eos/eos.hpp"

namespace velkaro::eos {
void loadeos(RunContext&) { not_built("the H/He equation-of-state tables", "loadeos"); }
}  // namespace velkaro::eos
