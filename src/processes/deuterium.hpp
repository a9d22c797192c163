// Deuterium burning (p + d -> 3He) in the envelope, once per time step, and
// the electron-degeneracy conversion it shares with the output.
#pragma once

#include "common/console.hpp"
#include "common/modules.hpp"
#include "eos/context.hpp"
#include "opacity/opacity.hpp"
#include "processes/context.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::processes {

/// What deuterium burning reads and changes: the EOS and the opacity of the
/// previous structure's shells, its own work arrays, and the console (when
/// verbose).
struct DeuteriumModel {
    const eos::EosContext& eos;
    opacity::OpacityLaw opacity;
    DeuteriumWork& work;
    bool verbose;  // the running account (common.aff)
    const Console& io;
};

/// Deuterium burning over the step just taken, on the previous step's grid
/// (s.xold, s.masseold, s.nfold, s.xdeuold, s.lumitdsold, s.dtold). Sets
/// s.lburnold (cumulative burning luminosity per shell), s.xdeu, s.Lburntot
/// and the diagnostics s.tburn, s.tmix, s.Neddy.
void dburnnuvo(const DeuteriumModel& dm, PlanetState& s);

/// Electron degeneracy from the Fermi-Dirac integral F_1/2 of the electrons:
/// degeneracy parameter psi and the factor thetae = F_-1/2 / (2 F_1/2)
/// (1 when non-degenerate, 0 when fully degenerate).
void calctheta(double fhalf, double& thetae, double& psi);

// ---------------------------------------------------------------------------
// The physical laws of the burning, one function each (cgs).

/// Thermally averaged cross-section <sigma v> [cm^3 s^-1] of p + d -> 3He at
/// temperature T [K]: the non-resonant rate in the Gamow-peak (saddle-point)
/// approximation with a constant astrophysical factor S = 0.2 eV barn,
///   <sigma v> = (4 sqrt(2) / 3) mu_r^-1/2 S tau^1/2 (kT)^-1/2 exp(-tau),
/// tau = 3 E0 / kT, E0 = (b kT / 2)^(2/3) the Gamow peak energy.
double sigmav_pd(double T);

/// Energy generation [erg g^-1 s^-1] of the reaction for deuterium and
/// hydrogen mass fractions xd, X, at density rho and rate sigv, unscreened:
/// n_p n_d <sigma v> Q / rho.
double eps_pd(double xd, double X, double sigv, double rho);

/// Plasma screening of the ion pair: the enhancement exponent H (rate times
/// exp(H)) from the weak-screening parameter Lambda = Lambda0 zeta, its
/// ion part Lambda0, the electron-and-ion factor zeta, the mean charge zbar
/// and the composition: weak (H = Lambda) below Lambda = 0.1, intermediate
/// up to 2, strong from 5, the smaller of intermediate and strong between.
struct Screening {
    double lambda0 = 0, zeta = 1, zbar = 1;
};
double screening_exponent(const Screening& sc, double X, double Y);

/// Ion-sphere screening quantities of hydrogen-helium gas (mass fractions
/// X = 1 - Y) at density rho [g cm^-3] and temperature T [K], with the
/// electron degeneracy factor thetae (1 non-degenerate, 0 degenerate).
Screening screening(double rho, double T, double Y, double thetae);

/// F_1/2 of the electrons of hydrogen-helium gas (fully ionised) at rho, T:
/// n_e h^3 / (4 pi (2 m_e k T)^(3/2)).
double electron_fhalf(double rho, double T, double Y);

/// Mixing-length convection at one interface (mixing length = pressure
/// scale height): the real root xi of (xi - U)^3 + (8U/9)(xi^2 - U^2 - D) = 0,
/// U the inverse efficiency and D = grad_rad - grad_ad, with the actual
/// gradient grad = xi^2 + grad_ad - U^2 and the gradient of the rising
/// elements; cuberoot is the cube-root term of the closed-form root.
struct MltGradients {
    double xi = 0, cuberoot = 0, grad = 0, grad_e = 0;
};
MltGradients mlt_gradients(double U, double D, double grad_ad);

}  // namespace velkaro::processes
