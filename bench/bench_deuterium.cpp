// Cost of one deuterium-burning call (EOS, opacity and Schwarzschild test
// per shell, the screened rate, the mixing-length eddies) on the initial
// structure of the Jupiter and the brown-dwarf examples.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "common/model_state.hpp"
#include "processes/deuterium.hpp"
#include "processes/irradiation.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/initialize.hpp"
#include "run/input.hpp"
#include "run/views.hpp"

using namespace velkaro;

namespace {

// The example's start-up up to its initial structure, then that structure
// moved into the previous-step arrays as the time loop's shift does.
void start(RunContext& ctx, PlanetState& s, const std::string& example) {
    ctx.path.rundir = std::filesystem::path(VELKARO_DATA_DIR) / ".." / "examples" / example;
    initcond(ctx, s);
    processes::cal_tirr(host_star(ctx), s.tstart, s.Mstar, s.aplanete, ctx.dbdtemp.tirr, ctx.dbdtemp.teq);
    init2bd(ctx);
    initialize(ctx, s);
    find_initial_structure(ctx, s);
    s.xold = s.x;
    s.masseold = s.masse;
    s.nfold = s.nf;
    s.xdeuold = s.xdeu;
    for (int i = 1; i <= s.nf; ++i) s.lumitdsold(i) = s.x(kL, i);
    s.dtold = 1e4 * 3.15576e7;
}

void BM_dburnnuvo(benchmark::State& state, const std::string& example) {
    RunContext ctx;
    std::ostringstream out;
    ctx.console.out = &out;
    auto s = std::make_unique<PlanetState>();
    start(ctx, *s, example);
    const processes::DeuteriumModel dm = deuterium_model(ctx);
    for (auto _ : state) {
        out.str("");
        processes::dburnnuvo(dm, *s);
        benchmark::DoNotOptimize(s->Lburntot);
    }
    state.counters["shells"] = s->nfold;
    state.counters["Lburn/LJ"] = s->Lburntot / 3.3498660000000005e24;
}
BENCHMARK_CAPTURE(BM_dburnnuvo, jupiter, std::string("jupiter"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_dburnnuvo, brown_dwarf, std::string("brown-dwarf"))->Unit(benchmark::kMicrosecond);

}  // namespace
