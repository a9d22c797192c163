// The structure of each new time step. As the initial search, but the outer
// boundary derives the luminosity from the contraction of the planet over
// the step (plus radiogenic heating and deuterium burning): a trial radius R
// smaller than the previous one releases energy, so the structure found is
// the one whose luminosity radiates the energy its contraction frees. The
// bracket opens about the previous radius.
#pragma once

#include "common/arrays.hpp"
#include "structure/model.hpp"
#include "structure/search_planet.hpp"

namespace velkaro::structure {

struct EvolutionSearchInput : SearchPlanet {
    double Eold = 0;     // total energy of the previous structure [erg]
    double Rprev = 0;    // outer radius of the previous structure [cm]
    double k = 1;        // correction of the contraction luminosity (cLesti)
    double dt = 0;       // time step [s]
    double age = 0;      // age at the end of the step [s]
    double fice = 0;     // core mass fraction that does not heat (ice)
    double Lburn = 0;    // deuterium-burning luminosity of the previous step [erg/s]
};

/// Energy expected at the radius found and the radiogenic luminosity, from
/// the boundary of the last trial.
struct EvolutionSearchOutput {
    double Etotesti = 0;  // [erg]
    double Lradio = 0;    // [erg/s]
};

/// Find the structure of the new step and store it as shells 1..nf.
EvolutionSearchOutput iterater(const EnvelopeModel& m, const EvolutionSearchInput& in, int& nf, Vec1<double>& masse,
                               Mat1<double>& x);

}  // namespace velkaro::structure
