// Placeholder until the host star is built.
#include "atmosphere/irradiation.hpp"
#include "common/fatal.hpp"

namespace velkaro::atmosphere {
void cal_tirr(RunContext&, double, double, double, double&, double&) {
    not_built("the host star's irradiation", "cal_tirr");
}
}  // namespace velkaro::atmosphere
