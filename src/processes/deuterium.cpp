// Deuterium burning p + d -> 3He in the envelope and the electron-degeneracy
// conversion F_1/2 -> (psi, thetae).
#include "processes/deuterium.hpp"

#include <algorithm>

#include "processes/fermi_dirac_tables.hpp"

namespace velkaro::processes {

// Inverse of F_1/2 on the built-in grid by linear interpolation, and the
// electron factor thetae = F_-1/2 / (2 F_1/2): 1 for a Boltzmann gas, where
// F_-1/2 -> 2 F_1/2 (both ~ Gamma(j+1) e^psi), falling as 3/(2 psi) for
// complete degeneracy. The tables hold the integrals without 1/Gamma(j+1).
void calctheta(double fhalf, double& thetae, double& psi) {
    using fdtab::kPoints;
    const auto& f = fdtab::fhalf;
    if (fhalf < f.front()) {
        thetae = 1.0;
        psi = -1e90;
        return;
    }
    if (fhalf > f.back()) {
        thetae = 0.0;
        psi = 1e90;
        return;
    }
    // j (0-based here): the last entry with f[j] <= fhalf; the value of the
    // last entry itself uses the last interval.
    auto j = static_cast<std::size_t>(std::upper_bound(f.begin(), f.end(), fhalf) - f.begin()) - 1;
    j = std::min<std::size_t>(j, kPoints - 2);
    const double p0 = fdtab::psi[j], p1 = fdtab::psi[j + 1];
    psi = p0 + (fhalf - f[j]) * (p1 - p0) / (f[j + 1] - f[j]);
    const double h0 = 0.5 * fdtab::fmhalf[j], h1 = 0.5 * fdtab::fmhalf[j + 1];
    thetae = (h0 + (psi - p0) * (h1 - h0) / (p1 - p0)) / fhalf;
}

}  // namespace velkaro::processes
