// The structure of the planet after it lost mass: the search of the initial
// structure (a prescribed luminosity at the outer boundary, the bracket
// opened about the radius before the loss), refined by plain bisection. The
// envelope can carry the luminosity-versus-mass profile of the previous
// static structure, linearly remapped onto the new planet by lumiscale.
#pragma once

#include "common/arrays.hpp"
#include "structure/model.hpp"
#include "structure/search_planet.hpp"

namespace velkaro::structure {

/// Remap the previous profile lumi_old(1..n) at mass_old(1..n) onto the new
/// planet: masses linearly from [mass_old(1), mass_old(n)] onto [Mcore, M],
/// luminosities from [lumi_old(1), lumi_old(n)] onto [L_ref, L_new] (a zero
/// old range gives slope 0). All entries of lumi_out, mass_out beyond n are
/// cleared. A luminosity that turns negative makes the whole profile flat at
/// L_new; a negative mass stops the run.
void lumiscale(int n, const Vec1<double>& lumi_old, const Vec1<double>& mass_old, double L_new, double L_ref,
               double M, double Mcore, Vec1<double>& lumi_out, Vec1<double>& mass_out);

struct StaticSearchInput : SearchPlanet {  // M: the new total mass
    double L = 0;        // luminosity imposed at the outer boundary [erg/s]
    double Rprev = 0;    // radius about which the bracket opens [cm]
    int flag = 0;        // 0: rescaled previous profile; otherwise a flat one
    double Lref = 0;     // luminosity the first entry of the old profile maps to [erg/s]
    const Vec1<double>* lumi_old = nullptr;  // previous static profile (1..n) [erg/s]
    const Vec1<double>* mass_old = nullptr;  // its masses [g]
    int n = 0;
};

/// Find the structure and store it as shells 1..nf (core first, masse(1) =
/// Mcore exactly).
void iteraterstatic(const EnvelopeModel& m, const StaticSearchInput& in, int& nf, Vec1<double>& masse, Mat1<double>& x);

}  // namespace velkaro::structure
