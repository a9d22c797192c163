// Ratios of the visible to the thermal mean opacity of the upper atmosphere
// as functions of the equilibrium temperature.
#pragma once

#include "common/console.hpp"
#include "common/modules.hpp"

namespace velkaro::atmosphere {

/// kv2kth at equilibrium temperature teq [K]: tabulated 260..2777 K, 0.005
/// below, growing as teq^2 above.
double kv2kth_of_teq(double teq);
/// kv2kth2 (second visible band): 0 up to 1460 K, 1.45 from 2777 K.
double kv2kth2_of_teq(double teq);

/// d.kv2kth from the equilibrium temperature teq [K], with its notes.
void kv2kthteq(DualbandModule& d, double teq, const Console& io);
/// d.kv2kth2 from teq, with its notes.
void kv2kth2teq(DualbandModule& d, double teq, const Console& io);

}  // namespace velkaro::atmosphere
