// Right-hand side of the envelope structure equations, integrated in radius
// from the outer boundary inward:
//   dP/dr   = -G m rho / r^2                        hydrostatic equilibrium
//   dT/dr   = radiative diffusion or the adiabat     (Schwarzschild test)
//   dm/dr   = 4 pi r^2 rho                          mass continuity
//   dL/dr   = 0                                     L follows the mass profile
//   dtau/dr = -kappa rho                            optical depth, counted inward
// State y = (P, T, m, L, tau), cgs.
#pragma once

#include "common/console.hpp"
#include "eos/context.hpp"
#include "opacity/opacity.hpp"
#include "structure/context.hpp"
#include "structure/odeint.hpp"

namespace velkaro::structure {

/// Luminosity as a function of enclosed mass, lumi(1..n) at mass(1..n)
/// (pointers to element 1). A flat profile (lumi(1) == lumi(n)) gives a
/// constant luminosity through the envelope.
struct LuminosityProfile {
    const double* lumi = nullptr;
    const double* mass = nullptr;
    int n = 0;
};

/// Temperature gradient dT/dr: the adiabat dTdP_ad dP/dr where the shell is
/// convective (the Schwarzschild test), radiative diffusion
/// -3 kappa L rho / (64 pi sigma r^2 T^3) elsewhere. A negative tau is
/// reported on the notes.
double calcdtdr(const Console& io, double rho, double rinv2, double kappa, double L, double dPdr, double dTdP_ad,
                double tau, double P, double T, double m, double Y, double Z, double dtaudr);

struct EnvelopeEquations;

/// dy/dr at radius r. Writes the luminosity it used into y(4) (and repairs
/// a non-positive P or T, with a report).
void derivee_enveloppe_new(const EnvelopeEquations& eq, double r, State& y, State& dydx);

/// The right-hand side as the integrator calls it, f(r, y, dydx), with the
/// physics it evaluates as members: the EOS, the opacity law, the helium
/// fraction and the luminosity profile; it changes only the lookup hint and
/// the evaluation counter of the structure's state.
struct EnvelopeEquations {
    const eos::EosContext& eos;
    opacity::OpacityLaw opacity;
    StructureContext& state;  // itmp (lookup hint), nderiv (counter)
    bool lconst;              // the luminosity is constant through the envelope
    const Console& io;
    double Y;                 // helium mass fraction
    LuminosityProfile prof;

    void operator()(double r, State& y, State& dydx) const { derivee_enveloppe_new(*this, r, y, dydx); }
};

}  // namespace velkaro::structure
