#include "run/driver.hpp"

#include <memory>

#include "atmosphere/opacity_ratios.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "core/core.hpp"
#include "energy/energy.hpp"
#include "output/output.hpp"
#include "processes/deuterium.hpp"
#include "processes/escape.hpp"
#include "processes/irradiation.hpp"
#include "processes/tides.hpp"
#include "run/checks.hpp"
#include "run/context.hpp"
#include "run/initialize.hpp"
#include "run/input.hpp"
#include "run/timestep.hpp"
#include "run/views.hpp"
#include "structure/solvers.hpp"

namespace velkaro {

std::vector<std::string> logo() {
    return {
        "",
        "  ==============================================================",
        "                                                                ",
        "      __     __  _____   _      _  __     _      ____     ___   ",
        "      \\ \\   / / | ____| | |    | |/ /    / \\    |  _ \\   / _ \\  ",
        "       \\ \\ / /  |  _|   | |    | ' /    / _ \\   | |_) | | | | | ",
        "        \\ V /   | |___  | |___ | . \\   / ___ \\  |  _ <  | |_| | ",
        "         \\_/    |_____| |_____||_|\\_\\ /_/   \\_\\ |_| \\_\\  \\___/  ",
        "                                                                ",
        "        internal structure and evolution of one planet         ",
        "      rock/ice core  -  H/He envelope  -  an evolving star      ",
        "                                                                ",
        "                 . * .                  o                       ",
        "              *    |    *        ( planet )                     ",
        "               - --O-- -  ~~~~~~~~~~~~~~~~~~~~~~~               ",
        "              *    |    *                                       ",
        "                 ' * '                                          ",
        "                                                                ",
        "  version " VELKARO_VERSION,
        "  ==============================================================",
        "",
    };
}

std::vector<std::string> development_notes() {
    return {
        "FIXME 1: calculation of L(R) with new core luminosity. Variable L currently disabled.",
        "FIXME 2: increase speed with new opacity tables. Re-assing matrix only if M/H has changed.",
        "FIXME 3: recalculate freedman 2013 opacities with proper gas composition.",
        "FIXME 4: replace bisection by more efficient root finding method.",
        "FIXME 6: Erase Tneb, clarify Tirr in modules",
        "FIXME 7: Roche radius uses the planet's total mass and the orbit only; no eccentricity.",
        "FIXME10: check escape rates around low-mass stars (XUV history of M dwarfs).",
        "FIXME11: smooth the transition between energy- and recombination-limited escape.",
        "FIXME12: monitor the instability parameter of the envelope after strong mass loss.",
        "FIXME11: implement new evaporation model",
        "FIXME13: include reduction of dt if star props change rapidely",
        "FIXME14: unite interater three versions",
        "FIXME16: boil-off regime of young, hot, low-mass envelopes not modelled.",
        "FIXME17: Evaporation breaks energy conservation: fix this (check new iterater static)",
    };
}

std::string step_summary(const RunContext& ctx, const PlanetState& s) {
    const std::string hashes(50, '#');
    const int nf = s.nf;
    const int n23 = s.nf2to3 >= 1 ? s.nf2to3 : 1;
    auto e = [](double v) { return fmt::ES(v, 15, 5); };
    std::string r;
    r += "\n";
    r += hashes + "\n";
    r += fmt::free("        TIME STEP FINISHED           ", ctx.common.lconst) + "\n";
    r += fmt::label(" Timestep, temps/an, entro", 30) + fmt::I(s.istep, 15) + e(s.temps / cst::year) +
         e(cst::entropy_kB_per_baryon(s.entro(1))) + "\n";
    r += fmt::label(" Lcore/LJ, Ltot/LJ , L2to3/LJ", 30) + e(s.x(kL, 1) / cst::Ljup) +
         e(s.x(kL, nf) / cst::Ljup) + e(s.x(kL, n23) / cst::Ljup) + "\n";
    r += fmt::label(" Rcore/RJ, Rtot/RJ , R2to3/RJ", 30) + e(s.x(kR, 1) / cst::Rjup) +
         e(s.x(kR, nf) / cst::Rjup) + e(s.x(kR, n23) / cst::Rjup) + "\n";
    r += hashes + "\n";
    return r;
}

void advance_structure(RunContext& ctx, PlanetState& s) {
    const processes::Star host = host_star(ctx);
    const energy::EnergyModel em = energy_model(ctx);
    energy::shift(s);
    s.temps += s.dt;
    processes::migratetides(host, ctx.common, ctx.console, s);
    core::driverhocore(ctx.core, ctx.console, s.xold.column(1), s.masseold(1), s.fract_ice, s.rhocore);
    processes::dburnnuvo(deuterium_model(ctx), s);
    processes::cal_tirr(host, s.temps, s.Mstar, s.aplanete, ctx.dbdtemp.tirr, ctx.dbdtemp.teq);
    if (!ctx.dualband.kv2kthmanual) {
        atmosphere::kv2kthteq(ctx.dualband, ctx.dbdtemp.teq, ctx.console);
        atmosphere::kv2kth2teq(ctx.dualband, ctx.dbdtemp.teq, ctx.console);
    }
    structure::iterater(envelope_model(ctx), s);
    energy::tau2to3_nfrontieres(s);
    energy::calc_entro(ctx.eos, s);
    energy::lumivar(em, s);
    energy::drive_calc_energy_init(em, s);
    core::lcorecool(s);
    energy::calc_corrlesti(ctx.console, s);
}

void escape_step(RunContext& ctx, PlanetState& s) {
    auto& o = ctx.console.con();
    const energy::EnergyModel em = energy_model(ctx);
    processes::evap(escape_model(ctx), s);
    const double etot_before = s.Etot;
    const double elost1_before = ctx.gasloss.elost1;
    s.Mtotale -= s.Mlost;
    if (s.envelopeflag == 0.0) return;
    s.Routold = s.x(kR, s.nf);
    energy::getnfrontieresnewm(s);
    energy::lumivar_static(em, s);
    if (s.istep == 1) {
        o << fmt::free(s.istep) << '\n';
        s.lumitdsstaticold = s.lumitdsstatic;
        s.massestaticold = s.massestatic;
        s.nfnewMold = s.nfnewM;
    }
    o << fmt::free("nf,nfnewM", s.nf, s.nfnewM) << '\n';
    structure::iteraterstatic(envelope_model(ctx), s);
    energy::tau2to3_nfrontieres(s);
    s.lumitdsstaticold = s.lumitdsstatic;
    s.massestaticold = s.massestatic;
    s.nfnewMold = s.nfnewM;
    energy::drive_calc_energy_init(em, s);
    energy::calc_entro(ctx.eos, s);
    ctx.gasloss.elost2 = s.Etot - (etot_before - elost1_before);
}

namespace {

// One pass of the time loop. Returns true when the run reached a stop criterion.
bool time_step(RunContext& ctx, PlanetState& s) {
    advance_structure(ctx, s);
    if (ctx.gasloss.gasevap) escape_step(ctx, s);
    s.Erad += s.x(kL, s.nf) * s.dt;
    checkisdone(ctx, s);
    if (s.isdone) return true;
    output::ecriture(output_model(ctx), s);
    timestep(ctx, s);
    ctx.console.con() << step_summary(ctx, s);
    ctx.common.lconst = true;
    return false;
}

[[noreturn]] void step_limit_stop(const RunContext& ctx, const PlanetState& s) {
    (void)ctx;
    const int nf = s.nf >= 1 ? s.nf : 1;
    throw FatalError({
        fmt::free("ERROR: Main: maximum allowed time steps reached", s.istep, kMaxTimeSteps),
        fmt::free(fmt::label("time, dt, TKH:", 14), s.temps / cst::year, s.dt / cst::year, s.TKH / cst::year),
        fmt::free(fmt::label("Mcore, Menve :", 14), s.masse(1) / cst::Mearth,
                  (s.masse(nf) - s.masse(1)) / cst::Mearth),
        fmt::free(fmt::label("L/LJ,R,RJ    :", 14), s.x(kL, nf) / cst::Ljup, s.x(kR, nf) / cst::Rjup),
        fmt::free(fmt::label("rhelio,E/L   :", 14), s.aplanete / cst::AU, s.Etot / s.x(kL, nf) / cst::year),
        "PROBLEME : iteration_temp_max",
    });
}

void end_phase(RunContext& ctx, PlanetState& s) {
    if (s.envelopeflag == 0.0) processes::noenve(ctx.dbdtemp.teq, ctx.console, s);
    ctx.common.tempssave = s.temps;
    output::ecriture(output_model(ctx), s);
    if (s.envelopeflag == 0.0) {
        processes::noenveend(host_star(ctx), ctx.common, ctx.console, s);
        output::ecriture(output_model(ctx), s);
    }
    ctx.console.note() << fmt::free("VELKARO21: Progam terminated. May the entropy be with you.", s.stopcode) << '\n';
    ctx.output.fort1.close();
}

}  // namespace

void find_initial_structure(RunContext& ctx, PlanetState& s) {
    // Five passes: each structure gives the core its density, with which
    // the next is found. From the second pass on the search starts at the
    // last radius with the last search's slope (secant steps).
    double slope = 0;
    for (int pass = 1; pass <= 5; ++pass) {
        slope = structure::iteraterinit(envelope_model(ctx), s, slope);
        core::driverhocore(ctx.core, ctx.console, s.x.column(1), s.masse(1), s.fract_ice, s.rhocore);
        s.Routguess = s.x(kR, s.nf);
    }
}

bool start_run(RunContext& ctx, PlanetState& s) {
    auto& o = ctx.console.con();
    ctx.common.aff = true;
    for (const auto& l : logo()) o << l << '\n';
    for (const auto& l : development_notes()) o << l << '\n';

    ctx.output.fort1.open(ctx.path.rundir / "fort.1");
    if (!ctx.output.fort1)
        fatal({"PROBLEME : cannot open the result file fort.1 in " + ctx.path.rundir.string()});

    initcond(ctx, s);
    processes::cal_tirr(host_star(ctx), s.tstart, s.Mstar, s.aplanete, ctx.dbdtemp.tirr, ctx.dbdtemp.teq);
    init2bd(ctx);
    initialize(ctx, s);

    checkinitcond(ctx, s);
    if (s.isdone) return false;

    find_initial_structure(ctx, s);
    energy::tau2to3_nfrontieres(s);
    energy::drive_calc_energy_init(energy_model(ctx), s);
    timestep(ctx, s);
    energy::calc_entro(ctx.eos, s);
    return true;
}

void run_planet(RunContext& ctx) {
    auto state = std::make_unique<PlanetState>();  // ~2 MB of shell arrays: on the heap
    PlanetState& s = *state;
    if (!start_run(ctx, s)) {
        end_phase(ctx, s);
        return;
    }
    output::ecriture(output_model(ctx), s);
    if (s.Noevo) {
        // The final message of a run without evolution.
        auto& o = ctx.console.note();
        o << '\n' << fmt::free("Noevo is true: no temporal evolution.") << '\n';
        o << fmt::free("Initial structure calculated. Stopping.") << '\n';
        return;
    }

    s.istep = 1;
    for (;;) {
        if (time_step(ctx, s)) break;
        if (s.istep >= kMaxTimeSteps) step_limit_stop(ctx, s);
        ++s.istep;
    }
    end_phase(ctx, s);
}

}  // namespace velkaro
