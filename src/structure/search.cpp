#include "structure/search.hpp"

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "eos/tables.hpp"
#include "opacity/gas_tables.hpp"
#include "structure/search_planet.hpp"

namespace velkaro::structure {

namespace detail {

void crossed_bracket() { fatal({fmt::free("Rsup<Rinf: should never occur"), fmt::free("ERROR")}); }

void crossed_bracket_reopened(const Console& io) { io.con() << fmt::free("Rsup<Rinf: should never occur") << '\n'; }

void bisection_failed(const Trajectory& t) {
    fatal({fmt::free("Max: no structure found"), fmt::free("PROBLEME : ITERATER Nshootmax", t.nok, t.nbad, t.kount)});
}

}  // namespace detail

TableSeams eos_seams(const eos::EosContext& eos) {
    const eos::EosTables* tab = eos.tables.get();
    if (tab == nullptr || tab->np < 2 || tab->nt < 2) return {};
    // With the temperatures of the gas opacity tables, which the envelope
    // equations interpolate linearly in T (opacites_lr): kinks of the
    // right-hand side, where steps are cut instead of failing.
    const auto& gas = opacity::gas_log10_temperatures();
    return {tab->logp(1), tab->logp(2) - tab->logp(1), tab->logt(1), tab->logt(2) - tab->logt(1), gas.data(),
            static_cast<int>(gas.size())};
}

double integrate_envelope(const EnvelopeModel& m, double R, double Rcore, double M, double Mcore, double Y,
                          const atmosphere::OuterBoundary& out, const OdeintSettings& set,
                          const LuminosityProfile& prof) {
    State y;
    y(1) = out.P;
    y(2) = out.T;
    y(3) = M;
    y(4) = out.L;
    y(5) = out.tau;
    Trajectory& t = m.state.traj;
    const EnvelopeEquations derivs = m.equations(Y, prof);
    odeint_planete2(y, R, Rcore, set, t, derivs, RkqsPlanete{eos_seams(m.eos)});
    return t.yp(3, t.kount) - Mcore;
}

double integrate_envelope_flat(const EnvelopeModel& m, double R, double Rcore, double M, double Mcore, double Y,
                               const atmosphere::OuterBoundary& out, const OdeintSettings& set) {
    const std::array<double, 2> lumi{out.L, out.L};
    const std::array<double, 2> mass{M, M};
    return integrate_envelope(m, R, Rcore, M, Mcore, Y, out, set, LuminosityProfile{lumi.data(), mass.data(), 2});
}

double mismatch_to_core(const Trajectory& t, double diff) {
    if (t.end != OdeEnd::mass_exhausted || t.kount < 2 || !std::isfinite(diff)) return diff;
    const int k = t.kount;
    const double dr = t.xp(k - 1) - t.xp(k);
    const double dmdr = (t.yp(3, k - 1) - t.yp(3, k)) / dr;
    const double missing = dmdr * (t.xp(k) - t.x2);
    return dr > 0 && std::isfinite(missing) && missing > 0 ? diff - missing : diff;
}

void bracket_failure(const Trajectory& t, const Bracket& b, const BracketPolicy& p, const BracketFailure& r) {
    using cst::Ljup, cst::Mearth, cst::Rjup;
    const atmosphere::OuterBoundary& out = *r.out;
    const double Menv = r.M - r.Mcore;
    std::vector<std::string> lines;
    lines.push_back(fmt::free("Root not bracketed in iterater with max allowed values", b.nlow_clamped, b.nhigh_clamped));
    lines.push_back(fmt::free("M/Me,Mcore/Me,Menv/Me", r.M / Mearth, r.Mcore / Mearth, Menv / Mearth));
    lines.push_back(r.imposed ? fmt::free("Lumi/LJ,Loutini/LJ,Pout,Tout", r.L / Ljup, out.L / Ljup, out.P, out.T)
                              : fmt::free("Loutini/LJ,Pout,Tout", out.L / Ljup, out.P, out.T));
    lines.push_back(r.with_age ? fmt::free("a/AU,temps/an", r.a / cst::AU, r.age / cst::year)
                               : fmt::free("a/AU,temps/an", r.a / cst::AU));
    lines.push_back(fmt::free(b.fhigh / Mearth, b.flow / Mearth));
    lines.push_back(fmt::free(b.k, 0));
    lines.push_back(fmt::free(b.Rlow / Rjup, b.Rmin / Rjup, b.Rhigh / Rjup, p.Rmax / Rjup));
    lines.push_back(fmt::free(t.kount, t.nok, t.nbad));
    lines.push_back(fmt::free("No stable atmosphere?"));
    lines.push_back(r.last);
    fatal(std::move(lines));
}

OdeintSettings search_settings(double Rcore, double M, double Mcore, double hmin) {
    OdeintSettings set;
    set.eps = 1e-10;
    set.h1 = -7140.0;
    set.hmin = hmin;
    set.dxsav = 1e-5 * Rcore;
    set.mstop = Mcore;
    set.dmtol = 1e-9 * (M - Mcore);
    return set;
}

double tolerance_factor(double M, double Mcore) { return M - Mcore < 5.9742400000000006e26 ? 1e-8 : 1e-6; }

void trial_row(const EnvelopeModel& m, const char* label, double R, int wR, int dR, int d, double diff, double M,
               const atmosphere::OuterBoundary& out) {
    if (!m.verbose()) return;
    const Trajectory& t = m.state.traj;
    const double logg = std::log10(cst::G * M / (R * R));
    const double teff = std::pow(out.L / (cst::fourpi * R * R * cst::sigmaSB), 0.25);
    m.io.con() << label << fmt::G(R / cst::Rjup, wR, dR) << fmt::G(diff / cst::Mearth, 13, d) << fmt::G(out.P, 13, d)
              << fmt::G(out.T, 13, d) << fmt::G(out.L / cst::Ljup, 13, d) << fmt::I(t.nok, 13) << fmt::I(t.nbad, 13)
              << fmt::I(t.kount, 13) << fmt::G(logg, 13, d) << fmt::G(teff, 13, d) << '\n';
}

void store_last_integration(Trajectory& t, double Mcore, int& nf, Vec1<double>& masse, Mat1<double>& x) {
    if (t.kount < 1) {
        masse(1) = Mcore;
        return;
    }
    t.yp(3, t.kount) = Mcore;
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
}

void structure_summary(const EnvelopeModel& m, const char* heading, const char* found, int nf,
                       const Vec1<double>& masse, const Mat1<double>& x) {
    if (!m.verbose()) return;
    auto& o = m.io.con();
    using cst::Ljup, cst::Mearth, cst::Rjup;
    o << '\n' << heading << '\n';
    o << fmt::free(found) << '\n';
    o << fmt::free("Mcore/Me,Mtot/Me  ", masse(1) / Mearth, masse(nf) / Mearth) << '\n';
    o << fmt::free("Rcore/RJ,Rtot/RJ (not R at tau=2/3 ", x(kR, 1) / Rjup, x(kR, nf) / Rjup) << '\n';
    o << fmt::free("Lcore/LJ,Ltot/LJ  ", x(kL, 1) / Ljup, x(kL, nf) / Ljup) << '\n';
    o << fmt::free("Pcore/bar,Pout/bar", x(kP, 1) / 1e6, x(kP, nf) / 1e6) << '\n';
    o << fmt::free("Tcore,Tout        ", x(kT, 1), x(kT, nf)) << '\n';
    o << fmt::free("taucore,tauout    ", x(kTau, 1), x(kTau, nf)) << '\n';
}

SearchPlanet search_planet(const PlanetState& st) {
    return {.Mcore = st.Mcore, .M = st.Mtotale, .Mstar = st.Mstar, .a = st.aplanete, .rhocore = st.rhocore, .Y = st.YHe};
}

}  // namespace velkaro::structure
