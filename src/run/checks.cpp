#include "run/checks.hpp"

#include <algorithm>
#include <cmath>

#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "core/core.hpp"
#include "processes/irradiation.hpp"
#include "processes/star.hpp"
#include "run/context.hpp"
#include "run/views.hpp"

namespace velkaro {

void checkinitcond(RunContext& ctx, PlanetState& s) {
    auto& o = ctx.console.con();
    s.isdone = false;
    if (ctx.common.menvemin > s.Mtotale - s.Mcore || s.envelopeflag == 0.0) {
        s.envelopeflag = 0.0;
        s.stopcode = 6.0;
        o << fmt::free("Checkinitcond: Menvelope < Menvemin. No evolution", (s.Mtotale - s.Mcore) / cst::Mearth)
          << '\n';
        s.isdone = true;
    }
    const processes::StarProps star = processes::starprops(host_star(ctx), s.tstart, s.Mstar);
    if (star.rstar >= s.aplanete) {
        s.stopcode = 7.0;
        o << fmt::free("Checkinitcond: In star", s.aplanete / cst::AU, star.rstar / cst::AU) << '\n';
        s.isdone = true;
        s.aplanete = star.rstar;
    }
    double tirr = 0, teq = 0;
    processes::cal_tirr(host_star(ctx), s.tstart, s.Mstar, s.aplanete, tirr, teq);
    if (s.isdone) {
        // The run cannot start: a one-shell bare core at the equilibrium
        // temperature of its orbit, its radius from the core density.
        s.nf = 1;
        s.x.fill(0);
        s.masse.fill(0);
        s.x(kL, 1) = 0;
        s.x(kP, 1) = 0;
        s.x(kT, 1) = teq;
        s.x(kTau, 1) = 2.0 / 3.0;
        s.masse(1) = s.Mcore;
        double rho = 0;
        core::driverhocore(ctx.core, ctx.console, s.x.column(1), s.Mcore, s.fract_ice, rho);
        s.x(kR, 1) = std::cbrt(s.Mcore / (cst::fourpi_3 * rho));
    }
}

void checkisdone(RunContext& ctx, PlanetState& s) {
    auto& o = ctx.console.con();
    s.isdone = false;
    if (s.temps > s.tmax) {
        s.stopcode = 1.0;
        s.isdone = true;
        o << '\n' << fmt::free("Time intervall integrated.") << '\n';
    }
    if (ctx.common.menvemin > s.Mtotale - s.masse(1) || s.envelopeflag == 0.0) {
        s.stopcode = 2.0;
        s.envelopeflag = 0.0;
        s.isdone = true;
        o << '\n' << fmt::free("Menvelope < Menvemin. Evaporated", (s.Mtotale - s.masse(1)) / cst::Mearth) << '\n';
    }
    if (s.x(kTau, 1) < 2.0 / 3.0) {
        s.stopcode = 4.0;
        s.envelopeflag = 0.0;
        s.isdone = true;
        o << '\n' << fmt::free("Envelope optically thin", s.x(kTau, 1)) << '\n';
    }
    if (s.x(kP, 1) < 100000.0) {
        s.stopcode = 3.0;
        s.envelopeflag = 0.0;
        s.isdone = true;
        o << '\n' << fmt::free("Pressure at core-envelope interface less than 0.1 bar", s.x(kP, 1) / 1e6) << '\n';
    }
    const processes::StarProps star = processes::starprops(host_star(ctx), s.temps, s.Mstar);
    if (star.rstar >= s.aplanete) {
        s.stopcode = 5.0;
        s.isdone = true;
        o << '\n' << fmt::free("Migrated into star", s.aplanete / 1.5e13, star.rstar / 1.5e13) << '\n';
        s.aplanete = star.rstar;
    }
}

}  // namespace velkaro
