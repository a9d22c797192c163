// Classification of one envelope shell by the Schwarzschild criterion: the
// test the structure equations and deuterium burning make, and the gradients
// that decide it, for the structure dumps.
#pragma once

#include <limits>

#include "common/console.hpp"
#include "eos/context.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {

/// Schwarzschild test for a shell whose opacity kappa (already multiplied by
/// opacityscale) and adiabatic dT/dP are known: 'R' when nabla_ad >= nabla_rad.
/// Inline: the envelope equations make it at every evaluation.
inline char schwarzschild(double kappa, double dTdP_ad, double P, double T, double L, double m) {
    constexpr double kSchwarzschild = 3942837896.5967436;  // 3/(64 pi sigma G)
    // nabla_ad = (P/T) dT/dP_ad >= nabla_rad = kappa K L (P/T) / (T^3 m). With
    // P/T and T^3 m positive and finite (every shell of an envelope) the
    // common factor cancels and T^3 m multiplies through: no division, which
    // would wait for the opacity, the last value of the shell to be known.
    const double t3m = T * T * T * m;
    if (P > 0 && T > 0 && t3m > 0 && t3m <= std::numeric_limits<double>::max())
        return dTdP_ad * t3m >= kappa * kSchwarzschild * L ? 'R' : 'C';  // a NaN gives 'C'
    const double nabla_rad = kappa * kSchwarzschild * L * (P / T) / t3m;
    const double nabla_ad = (P / T) * dTdP_ad;
    return nabla_ad >= nabla_rad ? 'R' : 'C';
}

/// Schwarzschild test: 'R' (radiative) when the adiabatic gradient is at
/// least the radiative one, else 'C'. The opacity is the grain-law/gas
/// maximum times the run's opacityscale.
char convrad(const eos::EosContext& ec, const opacity::OpacityLaw& opa, double P, double T, double L, double m,
             double Y, double Z);

struct ShellClass {
    char cls = 'Z';              // 'R' radiative, 'C' convective
    int regime = 0;              // 5 radiative diffusion, 6 adiabat (0 until classified)
    double nabla = -9.999e99;    // radiative gradient dlnT/dlnP
    double nabla_ad = -9.999e99; // adiabatic gradient
    double dTdr = 0;             // temperature gradient actually followed [K/cm]
};

/// Classify the shell at radius r [cm] holding pressure P, temperature T,
/// luminosity L and enclosed mass m, with helium fraction Y, metallicity Z
/// and optical depth tau. The opacity is opacites' (grain law/gas maximum
/// times opacityscale). A negative tau is reported on the notes.
ShellClass calcconvradwithdb(const eos::EosContext& ec, const opacity::OpacityLaw& opa, const Console& io, double P, double T, double L, double m, double Y, double Z, double tau,
                             double r);

/// The same for a shell whose density rho, adiabatic dT/dP and opacity
/// kappa (opacites' at that density) the caller already has: the structure
/// dump's scan, which holds the run's full EOS evaluation of each shell
/// (the same density and gradient as the envelope equations used).
ShellClass calcconvradwithdb(const Console& io, double P, double T, double L, double m, double Y, double Z, double tau,
                             double r, double rho, double dtdp, double kappa);

}  // namespace velkaro::atmosphere
