#include "run/initialize.hpp"

#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "run/context.hpp"

namespace velkaro {

void initialize(RunContext& ctx, PlanetState& s) {
    s.temps = s.tstart;
    ctx.common.tempssave = s.tstart;

    s.masse.fill(0);
    s.masseold.fill(0);
    s.x.fill(0);
    s.xold.fill(0);
    s.xdeuold.fill(0);
    s.lumitds.fill(0);
    s.lburnold.fill(0);
    // D/H per hydrogen atom -> deuterium mass fraction: two nucleons per
    // deuteron, hydrogen mass fraction 1 - Y.
    s.xdeu.fill(2.0 * s.xDeuPrim * (1.0 - s.YHe));

    s.Mtotale = s.Mcore + s.Menve;
    s.aold = s.aplanete;

    s.dt = 0;
    s.nf = 0;
    s.nfold = 0;
    s.istep = 0;
    s.rhocore = 5.0;
    s.Routguess = cst::Rjup;
    s.TKH = 0;
    s.Etot = s.Etot2 = 0;
    s.kenerg = s.kenerg2 = 0;
    s.cLv = Arr1<double, 4>{{1.0, 1.0, 1.0, 1.0}};
    s.cLesti = 1.0;
    s.cEratio = 1.0;
    s.cEratio_min = 0.001;
    s.cEratio_max = 1000.0;
    s.cLv_min = 1e-4;
    s.cLv_max = 100.0;
    s.Lradio = s.Lburntot = s.Lcoolcore = 0;
    s.EgravCore = s.EthermCore = 0;
    s.LgravCore = s.LthermCore = 0;
    s.Erad = 0;
    s.envelopeflag = 1.0;
    s.isdone = false;
    s.stopcode = 0;
    s.Mlost = 0;
    s.tburn = s.tmix = s.Neddy = 0;
    s.Mdotevap = s.Mdotroche = 0;

    auto& c = ctx.common;
    c.lconst = true;
    c.redopagrains = true;
    c.ifirstdt = 1;
    ctx.core.ifirstrhocore = 1;
    c.f_opacite = 1e-20;
    c.menvemin = 4.779392e21;
    ctx.gasloss.elost1 = 0;
    ctx.gasloss.elost2 = 0;

    auto& o = ctx.console.con();
    o << '\n' << "SBR INITALIZE\n";
    o << fmt::free("Mtotale ", s.Mtotale / cst::Mearth) << '\n';
    o << fmt::free("xDeu(1) ", s.xdeu(1)) << '\n';
}

}  // namespace velkaro
