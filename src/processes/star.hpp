// The host star: luminosity, effective temperature and radius at any age for
// any mass between 0.1 and 7.0 Msun, interpolated in the grid of stellar
// evolution tracks (processes/tracks.hpp).
//
// Use starprops() everywhere in the program:
//
//     const processes::StarProps st = processes::starprops(ctx, age, mstar);
//     // st.rstar [cm], st.teffstar [K], st.lstar [erg/s], st.qstar
//
// The tracks are read on the first call from the data directory
// (ctx.path.path_fichiersdg, relative to ctx.rundir when relative) and kept
// in ctx.processes.tracks; the age search positions live in
// ctx.processes.trackhints. A mass outside [0.1, 7.0] Msun stops the run.
#pragma once

namespace velkaro {
struct RunContext;
}

namespace velkaro::processes {

class StellarTracks;
struct TrackHints;

struct StarProps {
    double rstar = 0;     // stellar radius [cm]
    double teffstar = 0;  // effective temperature [K]
    double lstar = 0;     // bolometric luminosity [erg/s]
    double qstar = 0;     // tidal quality factor of the star (run setting)
};

/// Stellar properties at `age` [s] for a star of mass `mstar` [g].
StarProps starprops(RunContext& ctx, double age, double mstar);

/// The run's stellar tracks, loaded on first use.
const StellarTracks& stellar_tracks(RunContext& ctx);

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
