// The planet model: one solid core under a hydrogen-helium envelope resolved
// into spherical shells. Shell 1 is the core-envelope boundary, shell nf the
// outer boundary; radius and enclosed mass grow with the shell index.
// The evolution driver owns the one instance of this state for a run.
#pragma once

#include "common/arrays.hpp"

namespace velkaro {

/// Capacity of every per-shell array.
inline constexpr int kMaxShells = 10000;

/// Rows of the structure array x(k, i).
enum XRow : int { kR = 1, kL = 2, kP = 3, kT = 4, kTau = 5 };

struct PlanetState {
    // Current structure and its previous-step copy.
    Vec1<double> masse{kMaxShells};
    Mat1<double> x{5, kMaxShells};
    Vec1<double> entro{kMaxShells};
    Vec1<double> lumitds{kMaxShells};
    Vec1<double> xdeu{kMaxShells};
    Vec1<double> masseold{kMaxShells};
    Mat1<double> xold{5, kMaxShells};
    Vec1<double> entroold{kMaxShells};
    Vec1<double> lumitdsold{kMaxShells};
    Vec1<double> xdeuold{kMaxShells};
    Vec1<double> lburnold{kMaxShells};  // deuterium-burning luminosity on the previous grid [erg/s]

    // Static solver after mass loss (escape on only).
    Vec1<double> massestatic{kMaxShells};
    Vec1<double> lumitdsstatic{kMaxShells};
    Vec1<double> massestaticold{kMaxShells};
    Vec1<double> lumitdsstaticold{kMaxShells};

    // Time [s].
    double temps = 0, dt = 0, dtold = 0, tstart = 0, tmax = 0;

    // Shell counts.
    int nf = 0, nfold = 0, nf2to3 = 0, nf2to3old = 0, nfnewM = 0, nfnewMold = 0;
    int istep = 0;

    // Planet and star [g, erg/s, cm].
    double Mcore = 0, Menve = 0, Mtotale = 0;
    double YHe = 0, fract_ice = 0, xDeuPrim = 0;
    double Linit = 0, Mstar = 0;
    double aplanete = 0, aold = 0;
    double divisorTKH = 0;
    bool Noevo = false;

    double rhocore = 5.0;       // mean core density [g/cm3]
    double Routguess = 7.14e9;  // outer-radius guess of the initial search [cm]
    double Routold = 0;
    double TKH = 0;             // Kelvin-Helmholtz time [s]

    // Energies [erg] and the energy-loop correction.
    double Etot = 0, Etot2 = 0, Etotold = 0, kenerg = 0, kenerg2 = 0, Etotesti = 0;
    double Eintenv = 0, Egravenv = 0, Eintenvold = 0, Egravenvold = 0;
    Arr1<double, 4> cLv{{1.0, 1.0, 1.0, 1.0}};
    double cLesti = 1.0;
    double cEratio = 1.0;
    double cEratio_min = 0.001, cEratio_max = 1000.0;  // clamp of cEratio
    double cLv_min = 1e-4, cLv_max = 100.0;            // clamp of a new cLv

    // Luminosities [erg/s].
    double Lradio = 0, Lburntot = 0, Lcoolcore = 0, Lact = 0;
    double Lintenv = 0, Lgravenv = 0;
    double Tcentral = 0, Pcentral = 0;
    double EgravCore = 0, EthermCore = 0, EgravCoreold = 0, EthermCoreold = 0;
    double LgravCore = 0, LthermCore = 0;
    double Erad = 0;  // energy radiated so far [erg]

    double envelopeflag = 1.0;  // 1 with an envelope, 0 once it is lost
    bool isdone = false;
    double stopcode = 0;
    double Mlost = 0;   // mass lost in the current step [g]
    double Lstatic = 0; // luminosity handed to the static solver [erg/s]

    // Diagnostics returned by deuterium burning and escape, for the output.
    double tburn = 0, tmix = 0, Neddy = 0;  // deuterium: burning and mixing time [s], eddies across the envelope
    double Mdotevap = 0, Mdotroche = 0;  // escape: total loss and Roche-lobe overflow rates, negative [g/s]
};

}  // namespace velkaro
