// The solid core: density from mass, pressure, temperature and ice fraction.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::core {

/// Mean core density rho [g/cm3] of a core of mass M [g] and ice fraction
/// fice under the innermost envelope shell; shell points to that shell's
/// (r, L, P, T, tau), of which P and T at the core surface are used.
void driverhocore(RunContext& ctx, const double* shell, double M, double fice, double& rho);

/// Core luminosities from the change of the core and envelope energies.
void lcorecool(RunContext& ctx, PlanetState& s);

}  // namespace velkaro::core
