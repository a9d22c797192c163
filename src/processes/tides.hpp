// Tidal migration of the orbit: the tide the planet raises on its star
// drains orbital angular momentum and the orbit shrinks.
#pragma once

#include "common/arrays.hpp"
#include "common/console.hpp"
#include "common/modules.hpp"
#include "processes/star.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::processes {

/// Advance the semi-major axis over the step just taken (s.aold -> s.aplanete),
/// with the planet of the previous step (s.masseold, s.nfold), at age s.temps
/// over s.dt around the star of mass s.Mstar.
/// Tides on or off and the running account's switch are common.tides and
/// common.aff.
void migratetides(const Star& star, const CommonModule& common, const Console& io, PlanetState& s);

/// Equilibrium-tide decay rate of the semi-major axis [cm/s] for a planet of
/// mass mp [g] at a [cm] around a star of mass mstar [g], radius rstar [cm]
/// and tidal quality factor qstar:
///   da/dt = -(9/2) sqrt(G/M*) R*^5 Mp / (Q* a^(11/2)).
double tidal_dadt(double mstar, double rstar, double qstar, double mp, double a);

/// New semi-major axis [cm] after a step dt [s] at age [s] from a [cm]; the
/// planet's mass is masse(n). Returns a unchanged when tides are off. A
/// planet that would end inside the star (or at a non-number) is put on the
/// stellar surface.
double migratetides(const Star& star, const CommonModule& common, const Console& io, double age, double dt, double mstar, const Vec1<double>& masse, int n,
                    double a);

}  // namespace velkaro::processes
