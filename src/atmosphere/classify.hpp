// Classification of one envelope shell by the Schwarzschild criterion, with
// the gradients that decide it, for the structure dumps.
#pragma once

namespace velkaro {
struct RunContext;
}

namespace velkaro::atmosphere {

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
/// times opacityscale).
ShellClass calcconvradwithdb(RunContext& ctx, double P, double T, double L, double m, double Y, double Z, double tau,
                             double r);

}  // namespace velkaro::atmosphere
