// Outer boundary of the envelope. The structure solvers need, at a trial
// outer radius R, the pressure, temperature, luminosity and optical depth
// from which to integrate inward. The luminosity becomes an intrinsic
// temperature; the atmosphere grid gives the adiabat for it, on which the
// boundary sits at 100 bar.
#pragma once

#include "atmosphere/context.hpp"
#include "common/console.hpp"
#include "common/modules.hpp"
#include "eos/context.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {

/// What the outer boundary reads and changes. It records the boundary it
/// found in the run's shared modules (dbdtemp.tint, dbdboundary.peddingtion
/// and tauout), where the output and the next search read it.
struct BoundaryModel {
    AtmosphereContext& tables;       // entropy grid and table, read on first use
    const PathModule& path;          // where they are read from
    DbdboundaryModule& boundary;     // written: peddingtion, tauout
    DbdtempModule& temps;            // written: tint; read: teq
    const DualbandModule& dualband;  // irradiated, kv2kth
    const eos::EosContext& eos;      // the irradiated column's gas
    opacity::OpacityLaw opacity;
    const Console& io;
};

/// State at the outer boundary: the integrator's starting values.
struct OuterBoundary {
    double P = 0;    // pressure [dyn cm^-2]
    double T = 0;    // temperature [K]
    double L = 0;    // luminosity [erg/s]
    double tau = 0;  // optical depth of the boundary
    double S = 0;    // entropy of the adiabat from the atmosphere grid [k_B/m_H]
    /// The adiabat had no temperature at 100 bar in the entropy table and
    /// was clamped (see trial_temperature_from_table): fit for a trial
    /// radius, not for an accepted structure.
    bool clamped = false;
};

/// A search accepts the structure integrated from `out`: if that boundary
/// was clamped, stop the run with the message the entropy inversion gives
/// for its adiabat.
void refuse_clamped_boundary(const BoundaryModel& bm, const OuterBoundary& out);

/// Energy and luminosity of contraction: a structure whose energy scales as
/// 1/R has E_new = E_old R_ref / R at radius R; its luminosity over dt,
/// times the correction k, capped at one solar luminosity.
struct Contraction {
    double L = 0;     // L_contr [erg/s] (negative when the planet expands)
    double Enew = 0;  // energy of the structure at R [erg]
};
Contraction contractlum(double dt, double Rref, double Eold, double M, double R, double k);

/// Radiogenic luminosity [erg/s] of the rocky part of a core of mass Mcore
/// [g] at age [s]; x is the core mass fraction that does not heat (ice).
double calclradio(double age, double Mcore, double x);

/// What the evolution solver hands to condextmax besides the trial radius.
struct EvolutionStep {
    double dt = 0;      // time step [s]
    double Eold = 0;    // energy of the previous structure [erg]
    double Rref = 0;    // radius of the previous structure [cm]
    double k = 1;       // multiplier of the contraction luminosity (cLesti)
    double age = 0;     // [s]
    double x = 0;       // core mass fraction that does not heat
    double Lother = 0;  // additional luminosity, e.g. deuterium burning [erg/s]
};

/// Boundary of the evolution solver at radius R [cm] for core mass Mcore,
/// total mass M, core radius Rcore and helium fraction Y; also returns the
/// energy expected at R and the radiogenic luminosity.
OuterBoundary condextmax(const BoundaryModel& bm, double R, double Mcore, double M, double Rcore, double Y,
                         const EvolutionStep& step, double& Enew, double& Lradio);

/// Boundary of the initial and static solvers at radius R with a given
/// luminosity Lin.
OuterBoundary condextmaxstatic(const BoundaryModel& bm, double R, double M, double Rcore, double Y, double Lin);

}  // namespace velkaro::atmosphere
