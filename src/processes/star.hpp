// The host star: luminosity, effective temperature and radius at any age for
// any mass between 0.1 and 7.0 Msun, interpolated in the grid of stellar
// evolution tracks (processes/tracks.hpp).
//
// Use starprops() everywhere in the program:
//
//     const processes::StarProps st = processes::starprops(star, age, mstar);
//     // st.rstar [cm], st.teffstar [K], st.lstar [erg/s], st.qstar
//
// The tracks are read on the first call from the data directory
// (path.path_fichiersdg, relative to the run directory when relative) and
// kept in the run's ProcessesContext, with the age search positions
// (trackhints). A mass outside [0.1, 7.0] Msun stops the run.
#pragma once

#include "common/modules.hpp"
#include "processes/context.hpp"

namespace velkaro::processes {

/// The host star as a run sees it: what starprops reads and the only state
/// it changes (the tracks, read on first use, and the age-search hints).
struct Star {
    ProcessesContext& state;  // tracks, trackhints
    const PathModule& path;   // where the tracks are read from
    double qstar = 0;         // tidal quality factor of the star (a run setting)
};

struct StarProps {
    double rstar = 0;     // stellar radius [cm]
    double teffstar = 0;  // effective temperature [K]
    double lstar = 0;     // bolometric luminosity [erg/s]
    double qstar = 0;     // tidal quality factor of the star (run setting)
};

/// Stellar properties at `age` [s] for a star of mass `mstar` [g].
StarProps starprops(const Star& star, double age, double mstar);

/// The run's stellar tracks, loaded on first use.
const StellarTracks& stellar_tracks(const Star& star);

/// Interpolation in the track grid: linear in log age within each of the two
/// tracks that bracket the mass (clamped to the first and last rows), then
/// linear in mass. Sets rstar [cm], teffstar [K], lstar [erg/s].
void interpolstellartrackspisalyon(const StellarTracks& tracks, TrackHints& hints, double age, double mstar,
                                   double& rstar, double& teffstar, double& lstar);

/// Hunt search on the ascending (or descending) table xx(1..n), xx pointing
/// to element 1: on exit xx(jlo) <= x < xx(jlo+1); 0 below the table, n above
/// it; x == xx(n) gives n-1 and x == xx(1) gives 1. jlo on entry is the guess.
void huntpisa(const double* xx, double x, int& jlo, int n);

}  // namespace velkaro::processes
