#include "structure/roche.hpp"

#include <cmath>

namespace velkaro::structure {

double roche(double mp, double mstar, double a) { return a * std::cbrt(mp / (3.0 * mstar)); }

}  // namespace velkaro::structure
