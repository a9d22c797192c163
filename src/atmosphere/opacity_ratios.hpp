// Ratios of the visible to the thermal mean opacity of the upper atmosphere
// as functions of the equilibrium temperature.
#pragma once

namespace velkaro {
struct RunContext;
}

namespace velkaro::atmosphere {

/// kv2kth from teq (both in the run's shared modules).
void kv2kthteq(RunContext& ctx);
/// kv2kth2 (second visible band) from teq.
void kv2kth2teq(RunContext& ctx);

}  // namespace velkaro::atmosphere
