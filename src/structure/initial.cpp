#include "structure/initial.hpp"

#include <array>
#include <cmath>

#include "atmosphere/boundary.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "run/context.hpp"
#include "structure/equations.hpp"
#include "structure/odeint.hpp"
#include "structure/roche.hpp"
#include "structure/rootfind.hpp"
#include "structure/solvers.hpp"

namespace velkaro::structure {
namespace {

constexpr double RJ = 7.14e9;
constexpr double ME = 5.97424e27;
constexpr double LJ = 3.3498660000000005e24;

// The working values of one search, shared by the mismatch function.
struct Search {
    RunContext& ctx;
    const InitialSearchInput& in;
    double Rcore = 0;
    double Rroche = 0;
    OdeintSettings set;
    atmosphere::OuterBoundary out;  // boundary of the last trial

    // Mass left at the core radius minus the core mass [g] for trial radius R.
    double corediffini(double R) {
        out = atmosphere::condextmaxstatic(ctx, R, in.M, Rcore, in.Y, in.L);
        // Constant luminosity through the envelope: a flat two-point profile.
        const std::array<double, 2> lumi{out.L, out.L};
        const std::array<double, 2> mass{in.M, in.M};
        const LuminosityProfile prof{lumi.data(), mass.data(), 2};
        State y;
        y(1) = out.P;
        y(2) = out.T;
        y(3) = in.M;
        y(4) = out.L;
        y(5) = out.tau;
        Trajectory& t = ctx.structure.traj;
        const double Y = in.Y;
        odeint_planete2(y, R, Rcore, set, t,
                        [&](double r, State& yy, State& dydx) { derivee_enveloppe_new(ctx, r, yy, dydx, Y, prof); });
        const double diff = t.yp(3, t.kount) - in.Mcore;
        if (ctx.common.aff) {
            const double logg = std::log10(6.67e-8 * in.M / (R * R));
            const double teff = std::pow(out.L / (12.566370616 * R * R * 5.6735730625000006e-05), 0.25);
            ctx.con() << "INI " << fmt::G(R / RJ, 17, 6) << fmt::G(diff / ME, 13, 5) << fmt::G(out.P, 13, 5)
                      << fmt::G(out.T, 13, 5) << fmt::G(out.L / LJ, 13, 5) << fmt::I(t.nok, 13)
                      << fmt::I(t.nbad, 13) << fmt::I(t.kount, 13) << fmt::G(logg, 13, 5) << fmt::G(teff, 13, 5)
                      << '\n';
        }
        return diff;
    }
};

}  // namespace

void iteraterinit(RunContext& ctx, const InitialSearchInput& in, int& nf, Vec1<double>& masse, Mat1<double>& x) {
    auto& o = ctx.con();
    const bool aff = ctx.common.aff;
    if (aff) o << '\n' << "SBR ITERATERINIT\n";
    nf = 2;
    Search s{ctx, in, 0.0, 0.0, {}, {}};
    s.Rcore = std::cbrt(in.Mcore / (cst::fourpi_3 * in.rhocore));
    s.Rroche = roche(in.M, in.Mstar, in.a);
    if (aff)
        o << "INI          Rmid      diff/Me             Pout     Tout      Loutini              nok         nbad"
             "        kount     logg         Teff\n";

    const double Menv = in.M - in.Mcore;
    const double factor = Menv < 5.9742400000000006e26 ? 1e-8 : 1e-6;
    s.set.eps = 1e-10;
    s.set.h1 = -7140.0;
    s.set.hmin = -71.4;
    s.set.dxsav = 1e-5 * s.Rcore;
    s.set.mstop = in.Mcore;
    s.set.dmtol = 1e-9 * Menv;

    // Radius limits: just above the core for thin envelopes; far beyond the
    // Hill sphere above.
    const double q = Menv / in.Mcore;
    double Rmin = q < 0.1 ? 1.01 * s.Rcore : 1.1 * s.Rcore;
    if (q < 0.01) Rmin = 1.000001 * s.Rcore;
    if (in.M / ME > 10 && in.M / ME < 45 && Menv / ME < 0.06) Rmin = 1.001 * s.Rcore;
    const double Rmax = 1e6 * s.Rroche;

    double Rmid = in.Rguess;
    if (in.Rguess < s.Rcore || 0.99 * in.Rguess <= Rmin || Rmax <= 1.02 * in.Rguess) Rmid = (Rmin + Rmax) / 2;

    // Widen a bracket about Rmid until the mismatch changes sign: positive
    // at the lower end, negative at the upper end.
    int k = 1;
    bool low_found = false, high_found = false;
    int nlow_clamped = 0, nhigh_clamped = 0;
    double Rlow = 0, Rhigh = 0, flow = 0, fhigh = 0;
    for (;;) {
        if (!low_found) Rlow = std::pow(0.99, k) * Rmid;
        if (!high_found) Rhigh = std::pow(1.02, k) * Rmid;
        if (Rlow < Rmin) {
            Rlow = Rmin;
            ++nlow_clamped;
        }
        if (Rhigh > Rmax) {
            Rhigh = Rmax;
            ++nhigh_clamped;
        }
        if (Rhigh < Rlow) fatal({fmt::free("Rsup<Rinf: should never occur"), fmt::free("ERROR")});
        if (!low_found) {
            flow = s.corediffini(Rlow);
            low_found = flow > 0;
        }
        if (!high_found) {
            fhigh = s.corediffini(Rhigh);
            high_found = fhigh < 0;
        }
        if (flow * fhigh < 0) break;
        k += 5;
        if (Rlow == Rmin || Rhigh == Rmax) {
            const Trajectory& t = ctx.structure.traj;
            fatal({
                fmt::free("Root not bracketed in iterater with max allowed values", nlow_clamped, nhigh_clamped),
                fmt::free("M/Me,Mcore/Me,Menv/Me", in.M / ME, in.Mcore / ME, Menv / ME),
                fmt::free("Lumi/LJ,Loutini/LJ,Pout,Tout", in.L / LJ, s.out.L / LJ, s.out.P, s.out.T),
                fmt::free("a/AU,temps/an", in.a / 1.5e13),
                fmt::free(fhigh / ME, flow / ME),
                fmt::free(k, 0),
                fmt::free(Rlow / RJ, Rmin / RJ, Rhigh / RJ, Rmax / RJ),
                fmt::free(t.kount, t.nok, t.nbad),
                fmt::free("No stable atmosphere?"),
                fmt::free("PROBLEME : ITERATERINIT limites", in.a / 1.5e13, in.Mcore / ME, Menv / ME, s.out.L / LJ,
                          s.out.P, s.out.T),
            });
        }
    }

    const double R = zbrent2tol(
        ctx, [&](double r) { return s.corediffini(r); }, Rlow, Rhigh, s.Rcore * factor, in.M * factor);
    const int nwiden = (k + 4) / 5;
    if (aff) {
        o << fmt::free("Rtotal/RJ, Rtotal/Rroche, Rtotal/Rcore  ", R / RJ, R / s.Rroche, R / s.Rcore) << '\n';
        o << fmt::free("iboundary,nstructures                   ", nwiden, nwiden + 1 + ctx.common.compteur_shooting,
                       ctx.common.compteur_shooting)
          << '\n';
    }

    // The shells are the points of the last integration, core first.
    Trajectory& t = ctx.structure.traj;
    if (t.kount >= 1) {
        t.yp(3, t.kount) = in.Mcore;
        nf = t.kount;
        for (int i = 1; i <= nf; ++i) {
            const int p = nf + 1 - i;
            masse(i) = t.yp(3, p);
            x(kR, i) = t.xp(p);
            x(kL, i) = t.yp(4, p);
            x(kP, i) = t.yp(1, p);
            x(kT, i) = t.yp(2, p);
            x(kTau, i) = t.yp(5, p);
        }
    } else {
        masse(1) = in.Mcore;
    }

    if (aff) {
        o << '\n' << "SBR ITERATERINIT\n";
        o << fmt::free("Initial structure found") << '\n';
        o << fmt::free("Mcore/Me,Mtot/Me  ", masse(1) / ME, masse(nf) / ME) << '\n';
        o << fmt::free("Rcore/RJ,Rtot/RJ (not R at tau=2/3 ", x(kR, 1) / RJ, x(kR, nf) / RJ) << '\n';
        o << fmt::free("Lcore/LJ,Ltot/LJ  ", x(kL, 1) / LJ, x(kL, nf) / LJ) << '\n';
        o << fmt::free("Pcore/bar,Pout/bar", x(kP, 1) / 1e6, x(kP, nf) / 1e6) << '\n';
        o << fmt::free("Tcore,Tout        ", x(kT, 1), x(kT, nf)) << '\n';
        o << fmt::free("taucore,tauout    ", x(kTau, 1), x(kTau, nf)) << '\n';
    }
}

void iteraterinit(RunContext& ctx, PlanetState& st) {
    InitialSearchInput in;
    in.Mcore = st.Mcore;
    in.M = st.Mtotale;
    in.Mstar = st.Mstar;
    in.a = st.aplanete;
    in.rhocore = st.rhocore;
    in.teq = ctx.dbdtemp.teq;
    in.Y = st.YHe;
    in.L = st.Linit;
    in.Rguess = st.Routguess;
    iteraterinit(ctx, in, st.nf, st.masse, st.x);
}

}  // namespace velkaro::structure
