// Right-hand side of the envelope structure equations, integrated in radius
// from the outer boundary inward:
//   dP/dr   = -G m rho / r^2                        hydrostatic equilibrium
//   dT/dr   = radiative diffusion or the adiabat     (Schwarzschild test)
//   dm/dr   = 4 pi r^2 rho                          mass continuity
//   dL/dr   = 0                                     L follows the mass profile
//   dtau/dr = -kappa rho                            optical depth, counted inward
// State y = (P, T, m, L, tau), cgs.
#pragma once

#include "structure/odeint.hpp"

namespace velkaro {
struct RunContext;
}

namespace velkaro::structure {

/// Luminosity as a function of enclosed mass, lumi(1..n) at mass(1..n)
/// (pointers to element 1). A flat profile (lumi(1) == lumi(n)) gives a
/// constant luminosity through the envelope.
struct LuminosityProfile {
    const double* lumi = nullptr;
    const double* mass = nullptr;
    int n = 0;
};

/// Schwarzschild test for a shell whose opacity kappa (already multiplied by
/// opacityscale) and adiabatic dT/dP are known: 'R' when nabla_ad >= nabla_rad.
char schwarzschild(double kappa, double dTdP_ad, double P, double T, double L, double m);

/// Schwarzschild test: 'R' (radiative) when the adiabatic gradient is at
/// least the radiative one, else 'C'. The opacity is the grain-law/gas
/// maximum times the run's opacityscale.
char convrad(RunContext& ctx, double P, double T, double L, double m, double Y, double Z);

/// Temperature gradient dT/dr: the adiabat dTdP_ad dP/dr where the shell is
/// convective, radiative diffusion -3 kappa L rho / (64 pi sigma r^2 T^3)
/// elsewhere.
double calcdtdr(RunContext& ctx, double rho, double rinv2, double kappa, double L, double dPdr, double dTdP_ad,
                double tau, double P, double T, double m, double Y, double Z, double dtaudr);

/// dy/dr at radius r. Writes the luminosity it used into y(4) (and repairs
/// a non-positive P or T, with a report).
void derivee_enveloppe_new(RunContext& ctx, double r, State& y, State& dydx, double Y, const LuminosityProfile& prof);

}  // namespace velkaro::structure
