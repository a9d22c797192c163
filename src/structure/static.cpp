#include "structure/static.hpp"

#include <array>
#include <cmath>
#include <string>

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

void lumiscale(int n, const Vec1<double>& lumi_old, const Vec1<double>& mass_old, double L_new, double L_ref,
               double M, double Mcore, Vec1<double>& lumi_out, Vec1<double>& mass_out) {
    lumi_out.fill(0);
    mass_out.fill(0);
    if (n < 1) {
        // No previous profile to remap: the luminosity is constant.
        lumi_out.fill(L_new);
        return;
    }
    const double dm_old = mass_old(n) - mass_old(1);
    const double am = dm_old != 0 ? (M - Mcore) / dm_old : 0.0;
    const double dl_old = lumi_old(n) - lumi_old(1);
    const double al = dl_old != 0 ? (L_new - L_ref) / dl_old : 0.0;
    for (int i = 1; i <= n; ++i) {
        mass_out(i) = Mcore + am * (mass_old(i) - mass_old(1));
        lumi_out(i) = L_ref + al * (lumi_old(i) - lumi_old(1));
    }
    bool failed = false;
    for (int i = 1; i <= n; ++i) {
        if (mass_out(i) < 0) fatal({fmt::free("Probleme : masse negative dans lumiscale")});
        if (lumi_out(i) < 0) {
            failed = true;
            if (lumi_old(i) > 0) lumi_out(i) = 0;
        }
    }
    // A profile that cannot be remapped without negative luminosities is
    // replaced by a constant one.
    if (failed) lumi_out.fill(L_new);
}

namespace {

// A header label right-justified in a field of w characters.
std::string field(const char* s, int w) {
    const std::string t(s);
    return t.size() >= static_cast<std::size_t>(w) ? t : std::string(w - t.size(), ' ') + t;
}

}  // namespace

void iteraterstatic(const EnvelopeModel& m, const StaticSearchInput& in, int& nf, Vec1<double>& masse, Mat1<double>& x) {
    auto& o = m.io.con();
    const bool aff = m.common.aff;
    if (aff) {
        o << '\n' << "SBR ITERATER STATIC\n";
        o << field(" MAX ", 5);
        for (const char* l : {"Rmid", "diff/Me", "Pout", "Tout", "Loutini", "nok", "nbad", "kount", "logg", "Teff"})
            o << field(l, 11);
        o << '\n';
    }
    const double Rcore = std::cbrt(in.Mcore / (cst::fourpi_3 * in.rhocore));
    const double Rroche = roche(in.M, in.Mstar, in.a);
    const double Menv = in.M - in.Mcore;
    const double factor = tolerance_factor(in.M, in.Mcore);
    const OdeintSettings set = search_settings(Rcore, in.M, in.Mcore, -71.4);

    BracketPolicy policy;
    policy.Rmin = Menv / in.Mcore < 0.1 ? 1.01 * Rcore : 1.1 * Rcore;
    if (in.M / Mearth > 10 && in.M / Mearth < 45 && Menv / Mearth < 0.06) policy.Rmin = 1.001 * Rcore;
    if (in.a / cst::AU > 100 && in.M / Mearth < 10) {
        policy.Rmin = 1.00001 * Rcore;
        o << fmt::free("case C") << '\n';
    }
    // An envelope that escape or evolution has worn down to a trace is
    // thinner than these limits: the search may then go down to a
    // millionth of the core radius above the core, as the initial search
    // does for its lightest envelopes.
    policy.Rfloor = 1.000001 * Rcore;
    policy.Rmax = 1e6 * Rroche;
    policy.centre = in.Rprev;
    policy.clow = 0.99;
    policy.chigh = 1.02;
    policy.kstep = 1;
    policy.crossed = Crossed::Reopen;
    // After an escape step the planet has lost a little more mass than at
    // the last one, and its radius moves about as it moved then: secant
    // steps from the radius that change predicts, with the slope the last
    // search found, reach the mass tolerance in a few integrations where
    // bisection from the 3 % bracket takes about twenty. The acceptance
    // test (trials of opposite sign within the radius tolerance, the last
    // within the mass tolerance) is as strict as the bisection's; when the
    // steps do not converge, the bisection goes on in the bracket they
    // found, or the bracket opens about R_prev as usual.
    StaticTrend& tr = m.state.statictrend;
    if (tr.valid) {
        policy.predicted = in.Rprev + tr.dR;
        policy.slope = tr.slope;
        policy.probe = std::max(0.25 * std::fabs(tr.dR), 10 * Rcore * factor);
    }

    // Mismatch at trial radius R: the boundary at the imposed luminosity and
    // the previous profile remapped onto the boundary luminosity found there
    // (or a constant luminosity).
    atmosphere::OuterBoundary out;
    StaticProfile& sp = m.state.staticprof;
    auto corediffstatic = [&](double R, Trial trial) {
        out = atmosphere::condextmaxstatic(m.boundary, R, in.M, Rcore, in.Y, in.L);
        double diff = 0;
        if (in.flag == 0 && in.n >= 1) {
            lumiscale(in.n, *in.lumi_old, *in.mass_old, out.L, in.Lref, in.M, in.Mcore, sp.lumi, sp.mass);
            diff = integrate_envelope(m, R, Rcore, in.M, in.Mcore, in.Y, out, set,
                                      LuminosityProfile{sp.lumi.data(), sp.mass.data(), in.n});
        } else {
            diff = integrate_envelope_flat(m, R, Rcore, in.M, in.Mcore, in.Y, out, set);
        }
        const char* label = trial == Trial::Low ? " LOW" : trial == Trial::High ? "UP " : "MAX";
        trial_row(m, label, R, 15, 7, 5, diff, in.M, out);
        // A trial that ran out of mass steers the secant steps by the mass
        // it lacked down to the core (same sign: the bisection is unchanged).
        return mismatch_to_core(m.state.traj, diff);
    };
    auto failure = [&](const Bracket& b) {
        bracket_failure(m.state.traj, b, policy,
                        {.M = in.M, .Mcore = in.Mcore, .a = in.a, .out = &out, .imposed = true, .L = in.L,
                         .last = fmt::free("PROBLEME : ITERATER limites")});
    };
    // Converged when the mass mismatch is within the tolerance and the radius
    // interval below 1 % of the core radius.
    const SearchResult sr = find_outer_radius(m, policy, Refinement::Bisection,
                                              Tolerances{0.01 * Rcore, in.M * factor, resolution_floor(in.M)}, corediffstatic, failure);
    // The structure kept is the last one integrated: not on a clamped boundary.
    atmosphere::refuse_clamped_boundary(m.boundary, out);
    const Bisection& bi = sr.bisection;
    if (aff) {
        o << fmt::free("Structure converged: diff/Mearth, dx/RJ", bi.f / Mearth, bi.dx / Rjup) << '\n';
        o << fmt::free("Rtotal/RJ, Rtotal/Rroche, Rtotal/Rcore  ", bi.xneg / Rjup, bi.xneg / Rroche,
                       bi.xneg / Rcore)
          << '\n';
        // Structures integrated: the bracket's and the halvings', or every
        // trial when the search began with secant steps.
        const int nstructures = policy.predicted > 0 ? sr.ntrials : bi.nsteps + 2 * sr.bracket.k;
        o << fmt::free("iboundary,nstructures                   ", sr.bracket.k, nstructures) << '\n';
    }
    store_last_integration(m.state.traj, in.Mcore, nf, masse, x);
    tr.valid = true;
    tr.dR = x(kR, nf) - in.Rprev;
    if (sr.slope < 0) tr.slope = sr.slope;
    structure_summary(m, "SBR ITERATERSTATIC", "Structure found", nf, masse, x);
}

void iteraterstatic(const EnvelopeModel& m, PlanetState& st) {
    StaticSearchInput in{search_planet(st)};
    in.L = st.Lstatic;
    in.Rprev = st.Routold;
    in.flag = 0;
    in.Lref = st.Lradio + st.Lcoolcore;
    in.lumi_old = &st.lumitdsstaticold;
    in.mass_old = &st.massestaticold;
    in.n = st.nfnewMold;
    iteraterstatic(m, in, st.nf, st.masse, st.x);
}

}  // namespace velkaro::structure
