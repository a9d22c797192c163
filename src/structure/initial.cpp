#include "structure/initial.hpp"

#include <array>
#include <cmath>

#include "atmosphere/boundary.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "structure/roche.hpp"
#include "structure/search.hpp"
#include "structure/solvers.hpp"

namespace velkaro::structure {

using cst::Ljup, cst::Mearth, cst::Rjup;

double iteraterinit(const EnvelopeModel& m, const InitialSearchInput& in, int& nf, Vec1<double>& masse, Mat1<double>& x) {
    auto& o = m.io.con();
    const bool aff = m.common.aff;
    if (aff) o << '\n' << "SBR ITERATERINIT\n";
    nf = 2;
    const double Rcore = std::cbrt(in.Mcore / (cst::fourpi_3 * in.rhocore));
    const double Rroche = roche(in.M, in.Mstar, in.a);
    if (aff)
        o << "INI          Rmid      diff/Me             Pout     Tout      Loutini              nok         nbad"
             "        kount     logg         Teff\n";

    const double Menv = in.M - in.Mcore;
    const double factor = tolerance_factor(in.M, in.Mcore);
    const OdeintSettings set = search_settings(Rcore, in.M, in.Mcore, -71.4);

    // Radius limits: just above the core for thin envelopes; far beyond the
    // Hill sphere above.
    const double q = Menv / in.Mcore;
    BracketPolicy policy;
    policy.Rmin = q < 0.1 ? 1.01 * Rcore : 1.1 * Rcore;
    if (q < 0.01) policy.Rmin = 1.000001 * Rcore;
    if (in.M / Mearth > 10 && in.M / Mearth < 45 && Menv / Mearth < 0.06) policy.Rmin = 1.001 * Rcore;
    policy.Rmax = 1e6 * Rroche;
    policy.centre = in.Rguess;
    if (in.Rguess < Rcore || 0.99 * in.Rguess <= policy.Rmin || policy.Rmax <= 1.02 * in.Rguess)
        policy.centre = (policy.Rmin + policy.Rmax) / 2;
    // The widening about the guess: the first pass knows only a generic
    // guess (one Jupiter radius), often a factor 2 to 4 from the root, so the
    // interval widens by about a quarter downwards and a fifth upwards per
    // trial (0.95^5, 1.04^5): a sub-Neptune's radius is bracketed in about
    // 7 trials rather than 28 at 5 % and 10 % (0.99^5, 1.02^5), and Brent's
    // method closes the wider bracket to the same tolerances in a trial or
    // two more. A lower end below Rmin is clamped to it, as before.
    policy.clow = 0.95;
    policy.chigh = 1.04;
    policy.kstep = 5;
    policy.crossed = Crossed::Fatal;
    // A later pass for the same planet (only the core density has moved):
    // the root lies close to the last one, and secant steps from it with
    // the last search's slope reach it in a few trials, accepted by Brent's
    // test. Where they do not, the search goes on as usual from their
    // bracket or by widening about Rguess.
    if (in.slope < 0 && policy.centre == in.Rguess) {
        policy.predicted = in.Rguess;
        policy.slope = in.slope;
        policy.probe = 10 * Rcore * factor;
    }

    // Mismatch at trial radius R: the boundary at the imposed luminosity, a
    // constant luminosity through the envelope (flat two-point profile).
    atmosphere::OuterBoundary out;
    auto corediffini = [&](double R, Trial) {
        out = atmosphere::condextmaxstatic(m.boundary, R, in.M, Rcore, in.Y, in.L);
        const double diff = integrate_envelope_flat(m, R, Rcore, in.M, in.Mcore, in.Y, out, set);
        trial_row(m, "INI ", R, 17, 6, 5, diff, in.M, out);
        // A trial that ran out of mass steers the search by the mass it lacked down to the core.
        return mismatch_to_core(m.state.traj, diff);
    };
    auto failure = [&](const Bracket& b) {
        bracket_failure(m.state.traj, b, policy,
                        {.M = in.M, .Mcore = in.Mcore, .a = in.a, .out = &out, .imposed = true, .L = in.L,
                         .last = fmt::free("PROBLEME : ITERATERINIT limites", in.a / cst::AU, in.Mcore / Mearth,
                                           Menv / Mearth, out.L / Ljup, out.P, out.T)});
    };
    const SearchResult res = find_outer_radius(m, policy, Refinement::Brent,
                                               Tolerances{Rcore * factor, in.M * factor, resolution_floor(in.M)}, corediffini, failure);
    // The structure kept is the last one integrated: not on a clamped boundary.
    atmosphere::refuse_clamped_boundary(m.boundary, out);

    const double R = res.R;
    const int nwiden = (res.bracket.k + 4) / 5;
    if (aff) {
        o << fmt::free("Rtotal/RJ, Rtotal/Rroche, Rtotal/Rcore  ", R / Rjup, R / Rroche, R / Rcore) << '\n';
        o << fmt::free("iboundary,nstructures                   ", nwiden, nwiden + 1 + m.state.compteur_shooting,
                       m.state.compteur_shooting)
          << '\n';
    }
    store_last_integration(m.state.traj, in.Mcore, nf, masse, x);
    structure_summary(m, "SBR ITERATERINIT", "Initial structure found", nf, masse, x);
    return res.slope;
}

double iteraterinit(const EnvelopeModel& m, PlanetState& st, double slope) {
    InitialSearchInput in{search_planet(st)};
    in.L = st.Linit;
    in.Rguess = st.Routguess;
    in.slope = slope;
    return iteraterinit(m, in, st.nf, st.masse, st.x);
}

}  // namespace velkaro::structure
