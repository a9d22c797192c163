// Placeholder until the opacity ratios are built.
#include "atmosphere/opacity_ratios.hpp"
#include "common/fatal.hpp"

namespace velkaro::atmosphere {
void kv2kthteq(RunContext&) { not_built("the visible-to-thermal opacity ratio", "kv2kthteq"); }
void kv2kth2teq(RunContext&) { not_built("the second-band opacity ratio", "kv2kth2teq"); }
}  // namespace velkaro::atmosphere
