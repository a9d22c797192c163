// Irradiation of the planet by its star.
#pragma once

#include "processes/star.hpp"

namespace velkaro::processes {

/// Irradiation temperature tirr = T* (R*/a)^1/2 and equilibrium temperature
/// teq = T* (R*/2a)^1/2 at age [s] for a star of mass mstar [g] at orbital
/// distance a [cm].
void cal_tirr(const Star& star, double age, double mstar, double a, double& tirr, double& teq);

}  // namespace velkaro::processes
