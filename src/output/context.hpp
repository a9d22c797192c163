// Per-run state of the output subsystem: the result files of the run, what
// is carried from one output call to the next, and the work arrays of one
// call (sized once for the full shell capacity, so that writing a model
// allocates no per-shell storage).
#pragma once

#include <array>
#include <fstream>
#include <string>

#include "common/arrays.hpp"

namespace velkaro::output {

/// Capacity of the per-shell work arrays (the planet's shell capacity).
inline constexpr int kOutputShells = 10000;

/// One level of the envelope (tau = 2/3, P = 1 bar): radius [cm],
/// luminosity [erg/s], pressure [dyn/cm2], temperature [K], optical depth,
/// enclosed mass [g].
struct Level {
    double r = 0, L = 0, P = 0, T = 0, tau = 0, m = 0;
};

/// The first radiative-convective boundary going outward: means of the two
/// shells that straddle it, the opacity [cm2/g] and the radiative and
/// adiabatic gradients there. All 0 when the envelope has no such boundary.
struct RcbValues {
    double rho = 0, r = 0, L = 0, P = 0, T = 0, m = 0, tau = 0, kappa = 0, nabla = 0, nabla_ad = 0;
};

/// The irradiated atmosphere above the outer boundary (cgs units): the
/// levels a user compares with. All 0 without the irradiated atmosphere or
/// without an envelope.
struct IrradiatedValues {
    double r100 = 0, r1bar = 0, rphot = 0, rtransit = 0;  // radii of 100 bar, 1 bar, tau = 2/3, transit [cm]
    double tint = 0, teq = 0, teff = 0;         // intrinsic, equilibrium, (Tint^4 + Teq^4)^(1/4) [K]
    double tphot = 0, pphot = 0;                // temperature [K] and pressure [dyn/cm2] at tau = 2/3
    double pbound = 0, tbound = 0, taubound = 0;  // pressure [dyn/cm2], temperature [K], optical depth of the outer boundary
    double prcb = 0;                            // pressure of the radiative-convective boundary [dyn/cm2]
    double H = 0;                               // pressure scale height at tau = 2/3 [cm]
    double mabove = 0;                          // mass of the atmosphere above the boundary, 4 pi R^2 P/g [g]
};

/// Everything one track line reports besides the model state itself
/// (cgs units), computed afresh by every output call.
struct TrackValues {
    Level l23;               // the tau = 2/3 level (photosphere)
    Level l1bar;             // the 1-bar level
    RcbValues rcb;
    int ntops = 0;           // number of tops of convective zones
    int jlumi = 1;           // shell whose -T dS/dt luminosity is reported
    double teff = 0;         // effective temperature at tau = 2/3 [K]
    double rhomean = 0;      // mean density of the planet inside tau = 2/3 [g/cm3]
    double l23lum = 0;       // 4 pi r^2 sigma T^4 at tau = 2/3 [erg/s]
    double peak = 0;         // black-body peak wavelength [cm]
    double roche = 0;        // Hill-sphere radius [cm]
    double H = 0;            // pressure scale height at tau = 2/3 [cm]
    double g = 0;            // gravity at tau = 2/3 [cm/s2]
    double rtransit = 0;     // transit radius [cm]
    double water = 0;        // phase of water at the core-envelope boundary
    double rstar = 0, teffstar = 0, lstar = 0;  // host star [cm, K, erg/s]
    std::array<double, 14> contrasts{};   // planet-to-star contrast, 1 ... 100 micron
    std::array<double, 36> magsfit{};     // fitted absolute magnitudes
    std::array<double, 16> bbmags{};      // black-body absolute magnitudes, 16 filters
    std::array<double, 16> bbfluxes{};    // black-body flux densities at 10 pc [Jy]
    std::array<double, 9> gridabs{};      // grid magnitudes with the radius term (absolute)
    std::array<double, 9> gridmags{};     // grid magnitudes of a body of radius 10 pc
    IrradiatedValues irr;                 // the irradiated atmosphere's levels
};

struct OutputContext {
    std::ofstream fort1;   // evolution track, one line per output call (opened by the driver)
    std::ofstream fort13;  // structure dumps
    std::ofstream fort14;  // one empty line per dump and the contrast spectrum
    std::ofstream irrtrack;  // track of the irradiated atmosphere's levels (irradiated runs only)

    /// Time spent with liquid water at the core-envelope boundary [s].
    double thab = 0;

    /// The column descriptions are written beside the result files once per run.
    bool columns_written = false;

    // Work arrays of one call, per shell: density [g/cm3], convection flag
    // (1 convective, 0 radiative) and the electron degeneracy F_1/2,
    // theta_e and psi.
    Vec1<double> rho{kOutputShells};
    Vec1<double> conv{kOutputShells};
    Vec1<double> fhalf{kOutputShells};
    Vec1<double> thetae{kOutputShells};
    Vec1<double> psi{kOutputShells};
    /// Shells 1..scanned of the work arrays may hold values of the last call;
    /// all others are zero (only the shell scan writes them).
    int scanned = kOutputShells;

    TrackValues v;

    /// Text of the line being written; its capacity is kept between calls.
    std::string line;
};

}  // namespace velkaro::output
