#include "structure/evolution.hpp"

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

EvolutionSearchOutput iterater(const EnvelopeModel& m, const EvolutionSearchInput& in, int& nf, Vec1<double>& masse,
                               Mat1<double>& x) {
    auto& o = m.io.con();
    const bool aff = m.common.aff;
    if (aff) o << '\n' << fmt::free("SBR ITERATER", m.common.lconst) << '\n';
    const double Rcore = std::cbrt(in.Mcore / (cst::fourpi_3 * in.rhocore));
    const double Rroche = roche(in.M, in.Mstar, in.a);
    if (aff)
        o << "ITE          Rmid      diff/Me             Pout     Tout      Loutini              nok         nbad"
             "        kount     logg         Teff\n";

    const double Menv = in.M - in.Mcore;
    const double factor = tolerance_factor(in.M, in.Mcore);
    const OdeintSettings set = search_settings(Rcore, in.M, in.Mcore, -714.0);

    BracketPolicy policy;
    policy.Rmin = Menv / in.Mcore < 0.1 ? 1.01 * Rcore : 1.1 * Rcore;
    if (in.M / Mearth > 10 && in.M / Mearth < 45 && Menv / Mearth < 0.06) policy.Rmin = 1.001 * Rcore;
    // Cold, light planets far out can be barely larger than their core.
    if (in.a / cst::AU > 100 && in.M / Mearth < 10) policy.Rmin = 1.00001 * Rcore;
    // An envelope that escape or evolution has worn down to a trace is
    // thinner than these limits: the search may then go down to a
    // millionth of the core radius above the core, as the initial search
    // does for its lightest envelopes.
    policy.Rfloor = 1.000001 * Rcore;
    policy.Rmax = 1e6 * Rroche;
    policy.centre = in.Rprev;
    // A thin envelope shrinks little per step: widen the lower end slowly.
    policy.clow = Menv >= 0.01 * Mearth ? 0.99 : 0.999;
    policy.kstep = 5;
    policy.crossed = Crossed::Unchecked;
    // Start from the radius the trend of the last step predicts: a bracket
    // of a quarter of the predicted change about it (at least ten radius
    // tolerances) holds the root in most steps and lets Brent's method
    // converge in a few iterations.
    RadiusTrend& tr = m.state.trend;
    if (tr.valid && tr.dt > 0) {
        const double dR = (tr.Rto - tr.Rfrom) / tr.dt * in.dt;
        const double half = 0.03 * std::fabs(dR) + 10 * Rcore * factor;
        policy.guess_low = in.Rprev + dR - half;
        policy.guess_high = in.Rprev + dR + half;
        // Secant steps from the radius the last three searches extrapolate
        // to (a parabola in age through them; a straight line through the
        // last step while fewer are known), moved to start from R_prev.
        double dRq = dR;
        if (tr.n == 3 && tr.age[2] == in.age - in.dt && tr.age[0] < tr.age[1] && tr.age[1] < tr.age[2]) {
            const double t0 = tr.age[0], t1 = tr.age[1], t2 = tr.age[2], t = in.age;
            const double l0 = (t - t1) * (t - t2) / ((t0 - t1) * (t0 - t2));
            const double l1 = (t - t0) * (t - t2) / ((t1 - t0) * (t1 - t2));
            const double l2 = (t - t0) * (t - t1) / ((t2 - t0) * (t2 - t1));
            const double q = l0 * tr.R[0] + l1 * tr.R[1] + l2 * tr.R[2] - tr.R[2];
            if (std::isfinite(q)) dRq = q;
        }
        policy.predicted = in.Rprev + dRq;
        policy.slope = tr.slope;
        policy.probe = half;
    }

    atmosphere::EvolutionStep step;
    step.dt = in.dt;
    step.Eold = in.Eold;
    step.Rref = in.Rprev;
    step.k = in.k;
    step.age = in.age;
    step.x = in.fice;
    step.Lother = in.Lburn;

    EvolutionSearchOutput res;
    atmosphere::OuterBoundary out;
    // Mismatch at trial radius R with the luminosity that contraction from
    // the previous radius to R releases over the step.
    auto corediff = [&](double R, Trial) {
        ++m.state.ntrials;
        out = atmosphere::condextmax(m.boundary, R, in.Mcore, in.M, Rcore, in.Y, step, res.Etotesti, res.Lradio);
        if (!m.common.lconst) fatal({fmt::free("Non constant L currently not functional")});
        const double diff = integrate_envelope_flat(m, R, Rcore, in.M, in.Mcore, in.Y, out, set);
        trial_row(m, "ITE ", R, 17, 6, 4, diff, in.M, out);
        // A trial that ran out of mass steers the search by the mass it lacked down to the core.
        return mismatch_to_core(m.state.traj, diff);
    };
    auto failure = [&](const Bracket& b) {
        bracket_failure(m.state.traj, b, policy,
                        {.M = in.M, .Mcore = in.Mcore, .a = in.a, .out = &out, .with_age = true, .age = in.age,
                         .last = fmt::free("PROBLEME : ITERATER limites")});
    };
    const SearchResult sr = find_outer_radius(m, policy, Refinement::Brent,
                                              Tolerances{Rcore * factor, in.M * factor, resolution_floor(in.M)}, corediff, failure);
    // The structure kept is the last one integrated: not on a clamped boundary.
    atmosphere::refuse_clamped_boundary(m.boundary, out);

    const double R = sr.R;
    const int nwiden = (sr.bracket.k + 4) / 5;
    if (aff) {
        o << fmt::free("Rtotal/RJ, Rtotal/Rroche, Rtotal/Rcore  ", R / Rjup, R / Rroche, R / Rcore) << '\n';
        o << fmt::free("iboundary,nstructures,compteur_shooting ", nwiden,
                       nwiden + 1 + m.state.compteur_shooting, m.state.compteur_shooting)
          << '\n';
    }
    store_last_integration(m.state.traj, in.Mcore, nf, masse, x);
    structure_summary(m, "SBR ITERATER", "Structure found", nf, masse, x);
    ++m.state.nsolves;
    if (policy.predicted > 0 && sr.ntrials > 3) ++m.state.nguess_missed;
    tr.valid = true;
    tr.Rfrom = in.Rprev;
    tr.Rto = x(kR, nf);
    tr.dt = in.dt;
    if (tr.n > 0 && !(in.age > tr.age[tr.n - 1])) tr.n = 0;  // not a continuation: start afresh
    if (tr.n == 3) {
        for (int i = 0; i < 2; ++i) {
            tr.age[i] = tr.age[i + 1];
            tr.R[i] = tr.R[i + 1];
        }
        tr.n = 2;
    }
    tr.age[tr.n] = in.age;
    // The trend is that of the evolution alone: a change of radius between
    // two searches (the static structure after an escape step, which moves
    // the radius as the planet loses mass) is not part of it, so each point
    // is the last one moved by this search's own change. Without such a
    // change R_prev is the last point and this is the radius found.
    const double Rfound = x(kR, nf);
    tr.R[tr.n] = tr.n > 0 && in.Rprev != tr.R[tr.n - 1] ? tr.R[tr.n - 1] + (Rfound - in.Rprev) : Rfound;
    ++tr.n;
    if (sr.slope < 0) tr.slope = sr.slope;
    return res;
}

void iterater(const EnvelopeModel& m, PlanetState& st) {
    EvolutionSearchInput in{search_planet(st)};
    in.Eold = st.Etotold;
    in.Rprev = st.Routold;
    in.k = st.cLesti;
    in.dt = st.dt;
    in.age = st.temps;
    in.fice = st.fract_ice;
    in.Lburn = st.nfold >= 1 ? st.lburnold(st.nfold) : 0.0;
    const EvolutionSearchOutput res = iterater(m, in, st.nf, st.masse, st.x);
    st.Etotesti = res.Etotesti;
    st.Lradio = res.Lradio;
}

}  // namespace velkaro::structure
