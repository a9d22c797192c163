// Cost of one evaluation of the envelope structure equations (EOS twice,
// opacity twice, Schwarzschild test) and of a whole initial structure search.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/views.hpp"
#include "structure/equations.hpp"
#include "structure/solvers.hpp"

using namespace velkaro;

namespace {

void setup(RunContext& ctx) {
    ctx.path.path_tableseos = std::string(VELKARO_DATA_DIR) + "/eos/";
    ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
    eos::loadeos(ctx.eos, ctx.path);
    ctx.dbdboundary.tauoutorig = 2.0 / 3.0;
}

void BM_derivee(benchmark::State& state) {
    RunContext ctx;
    setup(ctx);
    const double lumi[2] = {1e28, 1e28}, mass[2] = {1.9e30, 1.9e30};
    const structure::LuminosityProfile prof{lumi, mass, 2};
    structure::State y, dydx;
    const structure::EnvelopeModel model = envelope_model(ctx);
    const structure::EnvelopeEquations derivs = model.equations(0.27, prof);
    // Points down a young Jupiter's envelope: (r, P, T).
    const double pts[4][3] = {{1.2e10, 1e8, 4000}, {1.0e10, 1e10, 9000}, {6e9, 1e12, 2.5e4}, {2e9, 1e13, 6e4}};
    int k = 0;
    for (auto _ : state) {
        const auto& p = pts[k++ & 3];
        y(1) = p[1];
        y(2) = p[2];
        y(3) = 1.8e30;
        y(4) = 1e28;
        y(5) = 1e3;
        derivs(p[0], y, dydx);
        benchmark::DoNotOptimize(dydx);
    }
}
BENCHMARK(BM_derivee);

// The same along a whole envelope as one integration walks it: 256 shells of
// a young Jupiter from 1 kbar to 30 Mbar down an adiabat-like (P, T) path, the
// H- regime of the opacity and the EOS tables throughout (Y fixed, as in one
// integration). As in the integrator, each call waits for the one before: the
// next state is made from the last derivatives (times a factor that leaves it
// unchanged), so the figure is the latency of one evaluation, not the
// throughput of independent ones.
void BM_derivee_envelope(benchmark::State& state) {
    RunContext ctx;
    setup(ctx);
    const double lumi[2] = {1e28, 1e28}, mass[2] = {1.9e30, 1.9e30};
    const structure::LuminosityProfile prof{lumi, mass, 2};
    const structure::EnvelopeModel model = envelope_model(ctx);
    const structure::EnvelopeEquations derivs = model.equations(0.27, prof);
    constexpr int kShells = 256;
    std::array<std::array<double, 3>, kShells> pts{};
    for (int i = 0; i < kShells; ++i) {
        const double f = static_cast<double>(i) / (kShells - 1);
        pts[static_cast<std::size_t>(i)] = {7.1e9 * (1.0 - 0.9 * f), std::pow(10.0, 9.0 + 4.5 * f),
                                            std::pow(10.0, 3.3 + 1.2 * f)};
    }
    structure::State y, dydx;
    for (int i = 1; i <= structure::nvar; ++i) dydx(i) = 0;
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& p = pts[k++ % kShells];
        y(1) = p[1] * (1.0 + 1e-300 * dydx(1));
        y(2) = p[2] * (1.0 + 1e-300 * dydx(2));
        y(3) = 1.8e30 * (1.0 + 1e-300 * dydx(3));
        y(4) = 1e28;
        y(5) = 1e3 * (1.0 + 1e-300 * dydx(5));
        derivs(p[0], y, dydx);
    }
    benchmark::DoNotOptimize(dydx);
}
BENCHMARK(BM_derivee_envelope);

// The five passes of the start-up for the Jupiter example.
void BM_initial_structure(benchmark::State& state) {
    for (auto _ : state) {
        RunContext ctx;
        std::ostringstream out;
        ctx.console.out = &out;
        setup(ctx);
        auto s = std::make_unique<PlanetState>();
        s->Mcore = 10 * cst::Mearth;
        s->Mtotale = 317.8285 * cst::Mearth;
        s->Mstar = cst::Msun;
        s->aplanete = 5.2 * cst::AU;
        s->YHe = 0.27;
        s->fract_ice = 0.5;
        s->Linit = 1e5 * cst::Ljup;  // the Jupiter example's hot start
        find_initial_structure(ctx, *s);
        state.counters["derivs"] = static_cast<double>(ctx.structure.nderiv);
    }
}
BENCHMARK(BM_initial_structure)->Unit(benchmark::kMillisecond);

}  // namespace
