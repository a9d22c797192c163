// Ideal-gas equation of state of a mixture of molecular hydrogen and
// helium, used where the H/He tables do not reach (low pressures and
// temperatures, and above the tables). Both species have their
// translational degrees of freedom; H2 in addition its rotational and
// vibrational levels through the tabulated internal partition function
// q(T). No dissociation, no ionisation, no metals: X = 1 - Y.
//
// The entropy zero point: q has the nuclear-spin degeneracy divided out
// (q -> 1/4 as T -> 0), so the entropy contains no nuclear-spin term. The
// H/He tables are built with the same zero point.
#pragma once

#include <iosfwd>

namespace velkaro::eos {

/// Physical constants of the ideal-gas mixture (cgs), as the model uses them.
namespace ig {
inline constexpr double k = 1.38062e-16;                     // Boltzmann [erg/K]
inline constexpr double mu_amu = 1.660531e-24;               // atomic mass unit [g]
inline constexpr double muH2 = 2.006;                        // molecular weight of H2
inline constexpr double muHe = 4.008;                        // molecular weight of He
inline constexpr double mH2 = 3.331025186e-24;               // mass of an H2 molecule [g]
inline constexpr double mHe = 6.655408248e-24;               // mass of a He atom [g]
inline constexpr double twopi_mH2_k = 2.889561520084511e-39; // 2 pi m_H2 k
inline constexpr double twopi_mHe_k = 5.773361202641435e-39; // 2 pi m_He k
inline constexpr double h2 = 4.390652644e-53;                // Planck constant squared
}  // namespace ig

/// Full ideal-gas state at helium fraction y, pressure p [dyn cm^-2] and
/// temperature t [K]: entropy s [erg g^-1 K^-1], density rho [g cm^-3],
/// adiabatic dT/dP [K per dyn cm^-2], drho/dP, drho/dT, dS/dP, dS/dT and
/// internal energy u [erg g^-1] (T S plus the Helmholtz free energy).
/// Pure gases: at y = 0 the helium terms vanish, at y = 1 the hydrogen
/// terms (their limits x ln x -> 0). For y >= 0.9999 the H2 entropy term is
/// dropped (a helium gas), while its dS/dT and energy terms are kept.
void entro_gp_newfast(double y, double p, double t, double& s, double& rho, double& dtdp, double& drhodp,
                      double& drhodt, double& dsdp, double& dsdt, double& u);

/// Density and adiabatic dT/dP only (same formulas as entro_gp_newfast).
void entro_gp_newfast2(double y, double p, double t, double& rho, double& dtdp);

/// Internal partition function q of H2 at t [K], from the constant table.
/// The temperature is clamped to 0.1 .. 6000 K (tc); below 10 K the table is
/// extrapolated linearly in 5040/T. out1 = tc dq/dT, out2 = tc^2 d2q/dT2,
/// out3 = 4.4781 (the dissociation energy of H2 in eV).
double sqh2sc(double t, double& out1, double& out2, double& out3);

/// Three-point interpolation of ytab(xtab) at x for an ascending table of
/// n points (xtab, ytab point to element 1): rational where the data run
/// monotonically (keeps them monotonic), a parabola otherwise, linear at
/// and beyond the ends.
double fipol(double x, const double* xtab, const double* ytab, int n);

/// Bisection on a monotonic table xtab(1..n): lo with xtab(lo) < x <=
/// xtab(lo+1) (ascending), 1 below the table, n-1 above it. For n = 1 the
/// note "  n=1 in search" goes to con (when given).
void search(int& lo, double x, int& hi, const double* xtab, int n, std::ostream* con = nullptr);

}  // namespace velkaro::eos
