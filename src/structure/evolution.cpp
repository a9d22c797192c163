#include "structure/evolution.hpp"

#include <array>
#include <cmath>

#include "atmosphere/boundary.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "run/context.hpp"
#include "structure/roche.hpp"
#include "structure/search.hpp"
#include "structure/solvers.hpp"

namespace velkaro::structure {

using cst::Ljup, cst::Mearth, cst::Rjup;

EvolutionSearchOutput iterater(RunContext& ctx, const EvolutionSearchInput& in, int& nf, Vec1<double>& masse,
                               Mat1<double>& x) {
    auto& o = ctx.con();
    const bool aff = ctx.common.aff;
    if (aff) o << '\n' << fmt::free("SBR ITERATER", ctx.common.lconst) << '\n';
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
    policy.Rmax = 1e6 * Rroche;
    policy.centre = in.Rprev;
    // A thin envelope shrinks little per step: widen the lower end slowly.
    policy.clow = Menv >= 0.01 * Mearth ? 0.99 : 0.999;
    policy.kstep = 5;
    policy.crossed = Crossed::Unchecked;

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
        out = atmosphere::condextmax(ctx, R, in.Mcore, in.M, Rcore, in.Y, step, res.Etotesti, res.Lradio);
        if (!ctx.common.lconst) fatal({fmt::free("Non constant L currently not functional")});
        const std::array<double, 2> lumi{out.L, out.L};
        const std::array<double, 2> mass{in.M, in.M};
        const double diff = integrate_envelope(ctx, R, Rcore, in.M, in.Mcore, in.Y, out, set,
                                               LuminosityProfile{lumi.data(), mass.data(), 2});
        trial_row(ctx, "ITE ", R, 17, 6, 4, diff, in.M, out);
        return diff;
    };
    auto failure = [&](const Bracket& b) {
        const Trajectory& t = ctx.structure.traj;
        fatal({
            fmt::free("Root not bracketed in iterater with max allowed values", b.nlow_clamped, b.nhigh_clamped),
            fmt::free("M/Me,Mcore/Me,Menv/Me", in.M / Mearth, in.Mcore / Mearth, Menv / Mearth),
            fmt::free("Loutini/LJ,Pout,Tout", out.L / Ljup, out.P, out.T),
            fmt::free("a/AU,temps/an", in.a / cst::AU, in.age / cst::year),
            fmt::free(b.fhigh / Mearth, b.flow / Mearth),
            fmt::free(b.k, 0),
            fmt::free(b.Rlow / Rjup, policy.Rmin / Rjup, b.Rhigh / Rjup, policy.Rmax / Rjup),
            fmt::free(t.kount, t.nok, t.nbad),
            fmt::free("No stable atmosphere?"),
            fmt::free("PROBLEME : ITERATER limites"),
        });
    };
    const SearchResult sr = find_outer_radius(ctx, policy, Refinement::Brent,
                                              Tolerances{Rcore * factor, in.M * factor}, corediff, failure);

    const double R = sr.R;
    const int nwiden = (sr.bracket.k + 4) / 5;
    if (aff) {
        o << fmt::free("Rtotal/RJ, Rtotal/Rroche, Rtotal/Rcore  ", R / Rjup, R / Rroche, R / Rcore) << '\n';
        o << fmt::free("iboundary,nstructures,compteur_shooting ", nwiden,
                       nwiden + 1 + ctx.common.compteur_shooting, ctx.common.compteur_shooting)
          << '\n';
    }
    store_last_integration(ctx, in.Mcore, nf, masse, x);
    structure_summary(ctx, "SBR ITERATER", "Structure found", nf, masse, x);
    return res;
}

void iterater(RunContext& ctx, PlanetState& st) {
    EvolutionSearchInput in;
    in.Mcore = st.Mcore;
    in.M = st.Mtotale;
    in.Mstar = st.Mstar;
    in.a = st.aplanete;
    in.rhocore = st.rhocore;
    in.Y = st.YHe;
    in.Eold = st.Etotold;
    in.Rprev = st.Routold;
    in.k = st.cLesti;
    in.dt = st.dt;
    in.age = st.temps;
    in.fice = st.fract_ice;
    in.Lburn = st.nfold >= 1 ? st.lburnold(st.nfold) : 0.0;
    const EvolutionSearchOutput res = iterater(ctx, in, st.nf, st.masse, st.x);
    st.Etotesti = res.Etotesti;
    st.Lradio = res.Lradio;
}

}  // namespace velkaro::structure
