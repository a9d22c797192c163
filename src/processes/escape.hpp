// Atmospheric escape and the bare-core phase, called by the driver.
//
// Escape: the star's X-ray and extreme-ultraviolet radiation heats the upper
// atmosphere above the level where it is absorbed (about a nanobar) and
// drives a hydrodynamic wind. Three estimates of the rate:
//   - energy limited: a fraction eps of the absorbed XUV power lifts gas
//     out of the potential well, Mdot = eps pi F R_X^3 / (G M);
//   - radiation-recombination limited: at high flux the wind is an ionised
//     isothermal flow (10^4 K) whose base density is fixed by the balance of
//     photo-ionisation and recombination;
//   - X-ray driven: young stars' X-rays drive the flow from deeper down.
// On top of that, gas beyond the Roche (Hill) radius is not bound at all and
// overflows. When the envelope falls below the smallest mass that is evolved
// it is lost completely and the planet continues as a bare core.
#pragma once

#include "common/arrays.hpp"
#include "common/console.hpp"
#include "common/modules.hpp"
#include "eos/context.hpp"
#include "processes/star.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::processes {

/// What escape reads and changes: the EOS (the energy of the gas lost), the
/// shared settings (aff, menvemin), the escape settings and bookkeeping
/// (evapmodel read, elost1 written) and the console.
struct EscapeModel {
    const eos::EosContext& eos;
    const CommonModule& common;
    GaslossModule& gasloss;
    const Console& io;
};

/// Atmospheric escape over the step (sets s.Mlost, s.Mdotevap, s.Mdotroche,
/// s.Lstatic, s.envelopeflag and em.gasloss.elost1).
void evap(const EscapeModel& em, PlanetState& s);
/// Replace the structure by a bare core at the equilibrium temperature teq [K].
void noenve(double teq, const Console& io, PlanetState& s);
/// Follow the bare core to the end of the run (tidal spiral-in when
/// common.tides is on).
void noenveend(const Star& star, const CommonModule& common, const Console& io, PlanetState& s);

/// The star's high-energy fluxes at 1 AU [erg cm^-2 s^-1] at age t [Gyr],
/// saturated below 0.1 Gyr.
struct StellarXuv {
    double fxuv = 0;   // 29.7 t^-1.23: the XUV flux of the energy-limited model 20
    double feuv1 = 0;  // c(M*) / t: the EUV flux of the default model
    double feuv2 = 0;  // two-band EUV fit of model 30
};
/// mstar_sun is the stellar mass in solar masses (it sets the EUV level).
StellarXuv stellar_xuv(double t_gyr, double mstar_sun);

/// X-ray luminosity of the star [erg/s] at age t [Gyr], saturated before
/// 0.069 Gyr.
double stellar_lx(double t_gyr);

/// Roche-lobe reduction of the potential well (Erkaev et al. 2007) for
/// xi = R_Roche / R_X: K = 1 - 3/(2 xi) + 1/(2 xi^3).
double roche_factor(double xi);

/// Radiation-recombination-limited rate [g/s] at EUV flux F at the planet
/// [erg cm^-2 s^-1], for total mass M [g] and absorption radius RX [cm]:
/// the isothermal ionised wind carried to its sonic point, averaged with the
/// simple scaling 4e12 (F/5e5)^(1/2) g/s when the two differ by more than a
/// factor ten. special is set when the average was taken.
double rr_limited_rate(double F, double M, double RX, bool& special);

/// The escape of one step from the structure masse(1..n), x(., 1..n).
struct EscapeInput {
    double Y = 0;      // helium mass fraction
    double a = 0;      // semi-major axis [cm]
    double temps = 0;  // age [s]
    double dt = 0;     // step [s]
    double mstar = 0;  // stellar mass [g]
};

struct EscapeResult {
    double dM = 0;        // envelope mass lost in the step [g]
    double Mdot = 0;      // -dM/dt [g/s]
    double Mdotover = 0;  // Roche-lobe overflow rate, negative [g/s]
    double Lnew = 0;      // luminosity at the new outer mass coordinate [erg/s] (envelope kept)
    double elost1 = 0;    // internal plus gravitational energy of the removed layers [erg] (envelope kept)
    bool lost = false;    // the envelope was lost completely
    int regime = 0;       // 1 energy limited, 2 radiation-recombination limited, 3 X-ray driven
    bool overflow = false;
    double F = 0;   // EUV flux at the planet [erg cm^-2 s^-1]
    double RX = 0;  // radius of the XUV absorption level [cm]
    double Rph = 0, Mph = 0;  // photosphere radius [cm] and mass [g]
    double RL = 0;  // Roche radius [cm]
};

/// evapV1: the rate of the model em.gasloss.evapmodel (20, 30, anything
/// else the regime-switching default), overflow and complete loss, with the
/// console diagnostics. The envelope is taken as lost when fewer than
/// em.common.menvemin grams would remain.
EscapeResult evapV1(const EscapeModel& em, const EscapeInput& in, const Vec1<double>& masse, const Mat1<double>& x, int n);

/// The bare core carried to the end: the orbit at the end and its time.
struct SpiralIn {
    double k = 0;        // decay rate of a^6.5 [cm^6.5 s^-1]
    double tspiral = 0;  // age at which the orbit reaches the stellar surface [s]
};
/// Equilibrium-tide decay of a^6.5 for a core of mass mc [g] starting at
/// a_orig [cm] at age t0 [s], around a star of mass mstar [g], radius rstar
/// [cm] and tidal quality factor qstar.
SpiralIn spiral_in(double t0, double a_orig, double mstar, double rstar, double qstar, double mc);

}  // namespace velkaro::processes
