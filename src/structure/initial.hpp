// The first hydrostatic structure of the planet. The unknown is the outer
// radius R: for a trial R the outer boundary gives the surface state, the
// envelope is integrated inward to the core radius, and the mismatch is the
// mass left there minus the core mass. A bracket of sign change is found by
// widening an interval about a guess, then Brent's method refines R. When
// the slope of the mismatch is known from a search of the same planet (the
// driver's passes, each with the core density of the last structure),
// secant steps from the guess come first, as in the evolution search.
#pragma once

#include "common/arrays.hpp"
#include "structure/model.hpp"
#include "structure/search_planet.hpp"

namespace velkaro::structure {

/// Inputs of the initial structure search.
struct InitialSearchInput : SearchPlanet {
    double L = 0;        // luminosity imposed at the outer boundary [erg/s]
    double Rguess = 0;   // first estimate of the outer radius [cm]
    /// Slope df/dR of the mismatch near the root [g/cm], from an earlier
    /// search of the same planet (< 0); 0: unknown, the search widens an
    /// interval about Rguess from the start.
    double slope = 0;
};

/// Find the initial structure and store it as shells 1..nf (shell 1 at the
/// core, masse(1) = Mcore exactly; x(., i) = r, L, P, T, tau). Returns the
/// slope of the mismatch the search saw (see SearchResult::slope; 0: none),
/// for the next search of the same planet.
double iteraterinit(const EnvelopeModel& m, const InitialSearchInput& in, int& nf, Vec1<double>& masse, Mat1<double>& x);

}  // namespace velkaro::structure
