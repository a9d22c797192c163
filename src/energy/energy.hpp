// Energy budget of a structure and the luminosity bookkeeping between steps.
//
// The evolution is driven by energy: the solver of each step predicts the
// total energy E_new of the new structure, the budget measures the energy of
// the structure it found, and the correction factor cLesti (a moving average
// of the last four ratios achieved/expected) scales the next prediction.
#pragma once

#include "common/arrays.hpp"
#include "common/console.hpp"
#include "energy/context.hpp"
#include "eos/context.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::energy {

/// What the energy budget and the -T dS/dt luminosity read and change: the
/// EOS, the subsystem's own work arrays and diagnostics, and the console.
struct EnergyModel {
    const eos::EosContext& eos;
    EnergyContext& state;
    const Console& io;
};

/// Energy of a planet: envelope integrated over its shells plus the core.
struct EnergyBudget {
    double Etot = 0;     // Eint + Egrav, integrated over mass [erg]
    double Etot2 = 0;    // the same integrated over radius [erg]
    double kenerg = 0;   // Etot / (-G M^2 / 2R)
    double kenerg2 = 0;  // Etot2 / (-G M^2 / 2R)
    double EgravCore = 0, EthermCore = 0;  // core [erg]
    double Eintenv = 0, Egravenv = 0;      // envelope [erg]
    double Tcentral = 0, Pcentral = 0;     // centre of the core [K, dyn cm^-2]
    bool unbound = false;  // the integrated energy was positive and was replaced by EgravCore
};

/// Budget of the structure x(., 1..nf), masse(1..nf) with helium fraction
/// Y and core ice fraction fice. The envelope's internal energy is the EOS
/// energy u integrated over mass; its gravitational energy -G m/r dm.
/// A positive total (an unbound planet) is reported with a dump of the
/// terms and replaced by the core's gravitational energy.
EnergyBudget calc_energy(const EnergyModel& em, double Y, const Mat1<double>& x, int nf, const Vec1<double>& masse,
                         double fice);

/// Photosphere: the outermost shell with tau >= 2/3 (1 when none).
int photosphere_shell(const Mat1<double>& x, int nf);

/// Ratio of achieved to expected energy change and its moving average.
struct Correction {
    double c = 1;  // the new factor, limited and clamped
    double cLesti = 1;
    double cEratio = 1;
    double Lact = 0;
};

/// The correction of the energy loop: c = (Etot - Etotold)/(Etotesti -
/// Etotold), non-positive values replaced by cLv_min, then limited to
/// [0.5, 1.5] times the current cLesti and clamped to [cLv_min, cLv_max];
/// cLv is shifted and receives c; cLesti is its mean. cEratio = Etot/Etotesti
/// clamped to [cEratio_min, cEratio_max]; Lact = -(Etot - Etotold)/dt.
Correction correction_factor(double dt, double Etotold, double Etot, double Etotesti, double cLesti,
                             Arr1<double, 4>& cLv, double cLv_min, double cLv_max, double cEratio_min,
                             double cEratio_max);

// The routines the driver calls, on the planet state.

/// s.nf2to3 from the current structure.
void tau2to3_nfrontieres(PlanetState& s);
/// Energies of the current structure into the state.
void drive_calc_energy_init(const EnergyModel& em, PlanetState& s);
/// Specific entropy of every shell -> s.entro.
void calc_entro(const eos::EosContext& ec, PlanetState& s);
/// Move the current model into the previous-step copies and clear it.
void shift(PlanetState& s);
/// -T dS/dt integrated over mass on the first n shells of the current
/// structure, against the previous one, into profile(1..n) (rest cleared).
void lumivar(const EnergyModel& em, PlanetState& s, int n, Vec1<double>& profile);
/// The full-grid profile -> s.lumitds.
void lumivar(const EnergyModel& em, PlanetState& s);
/// The profile below the new total mass after escape -> s.lumitdsstatic.
void lumivar_static(const EnergyModel& em, PlanetState& s);
/// The energy-loop correction for the next step (s.cLv, s.cLesti, s.cEratio, s.Lact).
void calc_corrlesti(const Console& io, PlanetState& s);
/// Shell below the new total mass after escape -> s.nfnewM, s.massestatic.
void getnfrontieresnewm(PlanetState& s);

}  // namespace velkaro::energy
