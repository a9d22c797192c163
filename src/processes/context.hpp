// Per-run state of the planet-environment processes: loaded tables (shared,
// immutable), saved search hints and work arrays. One instance lives in each
// run.
#pragma once

#include <memory>

#include "common/arrays.hpp"

namespace velkaro::processes {

class StellarTracks;

/// Where the last age searches in the two bracketing stellar tracks ended.
/// They are kept from call to call so that a run moving forward in time finds
/// its rows in a few compares. They belong to whatever mass interval the
/// current call uses and are not reset when that interval changes.
struct TrackHints {
    int jlolm = 1;  // age row in the lower-mass track
    int jlohm = 0;  // age row in the upper-mass track
};

/// Deuterium burning, per shell: the structure of the previous step, the
/// EOS and opacity there, and the rate with its screening.
struct DeutShell {
    double r = 0, L = 0, P = 0, T = 0;  // structure [cm, erg/s, dyn/cm2, K]
    double rho = 0, kappa = 0;          // density [g/cm3], opacity [cm2/g]
    int iconv = 0;                      // 1 convective, 0 radiative (Schwarzschild)
    double drhodt = 0, entro = 0, dtdp = 0, u = 0;  // EOS: (drho/dT)_P, S, (dT/dP)_S, internal energy
    double e0 = 0, taug = 0;            // Gamow peak energy [erg], tau = 3 E0 / kT
    double sigv = 0, eps = 0;           // <sigma v> [cm3/s], energy generation [erg/g/s]
    double fhalf = 0, thetae = 0, psi = 0;  // electron degeneracy
    double lambda = 0, gamma = 0;       // screening parameter, ion coupling
    double ltot = 0;                    // burning plus -T dS/dt luminosity [erg/s]
};

/// Deuterium burning, per interface i+1 (between shells i and i+1): the
/// mixing-length convection there.
struct DeutInterface {
    double dr = 0, hp = 0;           // shell spacing, pressure scale height [cm]
    double gradrad = 0;              // radiative gradient
    double xi = 0, cuberoot = 0;     // mixing-length cubic: its root and cube-root term
    double grad = 0, grad_e = 0;     // actual and element gradients
    double vconv = 0;                // convective velocity [cm/s], -5 where there is none
    int iconv = 0;                   // 1 where grad_rad > grad_ad
};

/// Work arrays of deuterium burning, sized on first use to the grid (in
/// steps of 1024 shells up to the capacity), grown when a grid outgrows
/// them, and kept for the run; every entry used is recomputed in each call.
struct DeuteriumWork {
    Vec1<DeutShell> shell;
    Vec1<DeutInterface> face;
};

struct ProcessesContext {
    /// The stellar evolution tracks, each read from the data directory on
    /// its first use. Shareable (every track is read once, whichever run or
    /// thread asks first); a caller running many planets may pre-set it.
    std::shared_ptr<const StellarTracks> tracks;
    TrackHints trackhints;
    DeuteriumWork deut;
};

}  // namespace velkaro::processes
