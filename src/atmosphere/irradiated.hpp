// The irradiated atmosphere: a semi-grey plane-parallel atmosphere that
// carries the planet's intrinsic flux sigma Tint^4 and absorbs the light of
// its star, in the form of Guillot (2010, A&A 520, A27, eq. 29):
//
//   T^4(tau) = 3/4 Tint^4 (2/3 + tau)
//            + 3/4 Teq^4 [2/3 + 1/(gamma sqrt3) + (gamma/sqrt3 - 1/(gamma sqrt3)) exp(-gamma tau sqrt3)]
//
// tau is the thermal optical depth from the top, dtau = kappa_th dP / g;
// gamma = kappa_v / kappa_th is the ratio of the visible to the thermal mean
// opacity (kv2kth), and the stellar flux is averaged over the whole planet
// (f = 1/4, so f Tirr^4 = Teq^4). The atmosphere emits sigma (Tint^4 +
// Teq^4).
//
// Where the envelope meets it: the profile is integrated hydrostatically
// from the top down with the envelope's own equation of state and opacity,
// switching to the adiabat where the profile's gradient exceeds the
// adiabatic one. The envelope starts at a pressure that depends smoothly on
// the planet's mass and radius (the caller's p_max: deep enough that the
// radiative-convective boundary, RCB, of close-in giants lies above it,
// shallow enough that the gas above is a small part of the planet), with
// the column's temperature there. The column also gives the height of the
// levels above the boundary (1 bar, 100 bar, the photosphere).
#pragma once

#include "eos/context.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {

/// T^4 [K^4] of the Guillot (2010, eq. 29) profile at thermal optical depth
/// tau for intrinsic temperature tint, equilibrium temperature teq [K] and
/// opacity ratio gamma = kappa_v / kappa_th (> 0).
double guillot_t4(double tau, double tint, double teq, double gamma);

/// dT^4/dtau of the same profile: 3/4 [Tint^4 + Teq^4 (1 - gamma^2) exp(-sqrt3 gamma tau)].
/// Deep down (gamma tau >> 1) it is 3/4 Tint^4, the diffusion of the
/// intrinsic flux alone; the starlight only adds a constant to T^4 there.
double guillot_dt4_dtau(double tau, double tint, double teq, double gamma);

/// Temperature [K] of the profile: guillot_t4^(1/4).
double guillot_temperature(double tau, double tint, double teq, double gamma);

/// Numerics of the integration of the irradiated atmosphere.
struct IrradiatedSettings {
    double p_top = 1.0;     // pressure where the integration starts [dyn cm^-2] (1 microbar)
    double p_deep = 1e11;   // deepest pressure considered [dyn cm^-2] (100 kbar)
    double dlogp = 0.05;    // step in log10 P (100 bar and 1 bar are nodes)
    // Gas above the photosphere is held radiative, as in the grey
    // atmospheres of the entropy grid.
    double tau_convection = 2.0 / 3.0;
    // Stop at p_max: only the boundary (and the levels above it) are
    // wanted, as by the outer boundary's lattice. The steps taken are the
    // same, so those levels are too; convective and p_rcb are then left
    // unset (the gas below p_max is not integrated).
    bool boundary_only = false;
};

/// One level of the atmosphere: pressure [dyn cm^-2], temperature [K],
/// optical depth, and w = integral of dP/rho from the top [cm^2 s^-2]. The
/// height between two levels follows from w: in the gravity field of mass M,
/// 1/r_a - 1/r_b = (w_b - w_a) / (G M).
struct AtmosphereLevel {
    double P = 0, T = 0, tau = 0, w = 0;
    bool found = false;  // the level lies within the integration
};

/// The irradiated atmosphere above the outer boundary.
struct IrradiatedColumn {
    AtmosphereLevel boundary;     // where the envelope starts: p_max, held between p_boundary and p_deep
    AtmosphereLevel photosphere;  // tau = 2/3
    AtmosphereLevel one_bar;      // P = 1 bar
    AtmosphereLevel hundred_bar;  // P = 100 bar
    double p_rcb = 0;             // top of the convective layer reaching p_deep [dyn cm^-2]; 0: radiative there
    bool convective = false;      // the gas at p_deep is convective
};

/// Integrate the irradiated atmosphere of gravity g [cm s^-2] from p_top
/// down to p_deep with the run's EOS and opacity at helium
/// fraction Y: state (tau, ln T, w) against ln P, dtau/dlnP = P kappa / g,
/// dlnT/dlnP = the profile's gradient (P kappa / g) (dT^4/dtau) / (4 T^4)
/// where that is below the adiabatic one (radiative), the adiabatic one
/// otherwise (convective), dw/dlnP = P / rho. In a radiative layer this
/// keeps T^4 minus the integral of dT^4/dtau constant, i.e. follows the
/// Guillot profile; below a convective layer a radiative one continues from
/// the adiabat. The boundary is at p_max, held between p_boundary and p_deep,
/// on whatever the gas does there (adiabat or radiative profile): the state
/// the envelope starts from is then a continuous function of g and Tint,
/// also where convective layers of the column open or close. p_boundary
/// [dyn cm^-2] is also the level reported as hundred_bar. Allocates nothing.
IrradiatedColumn irradiated_column(const eos::EosContext& ec, const opacity::OpacityLaw& opa, double g, double tint, double teq, double gamma, double Y,
                                   double p_boundary, double p_max, const IrradiatedSettings& set = {});

/// Radius [cm] of a level of the column above the boundary radius R [cm]
/// of a planet of mass M [g]: 1/r = 1/R - (w_boundary - w_level)/(G M).
double level_radius(const IrradiatedColumn& c, const AtmosphereLevel& l, double R, double M);

}  // namespace velkaro::atmosphere
