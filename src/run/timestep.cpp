#include "run/timestep.hpp"

#include <algorithm>
#include <cmath>

#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "run/context.hpp"

namespace velkaro {

StepChoice choose_timestep(const StepStructure& st, double dt, bool first, double divisorTKH, double a, double aold) {
    using cst::G;
    StepChoice c;
    c.dtold = dt;
    c.TKH = G * st.M * st.M / (st.R * st.L);
    double tkh = c.TKH;
    const double Menv = st.M - st.Mc;
    c.TKHenv = G * Menv * Menv / ((st.R - st.Rc) * st.L);
    // A light envelope on a heavy core cools on the time scale of the
    // envelope's binding to the core, which may be far shorter.
    c.tec = G * Menv * st.Mc / (st.Rc * st.L);
    if (Menv < 100 * cst::Mearth && (std::isnan(tkh) || tkh > c.tec)) tkh = c.tec;
    c.tKHused = tkh;

    if (Menv >= 5.9742400000000006e26)
        c.scale = 1000.0 * (1.0 + std::sqrt(st.M / cst::Mjup));
    else if (Menv >= 5.974240000000001e22)
        c.scale = 10000.0 * Menv / cst::Mearth;
    else
        c.scale = 0.1;

    double d, upper, lower;
    if (first) {
        d = tkh / (10.0 * divisorTKH * c.scale);
        if (std::isnan(d) || d > kDtFirstMax) {
            d = kDtFirstMax;
            upper = 3.471336e11;
            lower = 1.57788e11;
        } else {
            upper = 1.1 * d;
            lower = 0.5 * d;
        }
        c.dtold = d;
        c.drrel = 0;
    } else {
        d = tkh / (c.scale * divisorTKH);
        upper = 1.1 * c.dtold;
        lower = 0.5 * c.dtold;
        c.drrel = (st.R - st.Rold) / st.Rold;
    }
    // A fast-changing orbit changes the irradiation: shorter steps.
    const double r = std::fabs(aold - a) / a;
    if (r > 0.01) d = d / (10.0 * r + 1.0);

    if (d > upper || std::isnan(d)) d = upper;
    if (d < lower || std::isnan(d)) d = lower;
    if (d < kDtMin || std::isnan(d))
        d = kDtMin;
    else
        d = std::min(d, kDtMax);
    c.dt = d;
    return c;
}

void timestep(RunContext& ctx, PlanetState& s) {
    auto& o = ctx.console.con();
    o << '\n' << "SBR TIMESTEP\n";
    const int n = s.nf2to3 >= 1 ? s.nf2to3 : 1;
    StepStructure st;
    st.M = s.masse(n);
    st.R = s.x(kR, n);
    st.L = s.x(kL, n);
    st.Mc = s.masse(1);
    st.Rc = s.x(kR, 1);
    st.Rold = s.xold(kR, s.nf2to3old >= 1 ? s.nf2to3old : 1);
    const StepChoice c = choose_timestep(st, s.dt, ctx.common.ifirstdt == 1, s.divisorTKH, s.aplanete, s.aold);
    s.dtold = c.dtold;
    s.TKH = c.TKH;
    s.dt = c.dt;
    ++ctx.common.ifirstdt;
    using cst::year;
    o << fmt::free("TKH,TKHenv,TKHenvtmp,TKHenvcore,TKHmix,", c.TKH / year, c.TKHenv / year, c.tec / year,
                   c.tKHused / year)
      << '\n';
    o << fmt::free("scale,dt/an,drrel,divisorTKH", c.scale, c.dt / year, c.drrel, s.divisorTKH) << '\n';
}

}  // namespace velkaro
