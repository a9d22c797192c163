// The whole evolution of the Jupiter example, 1 Myr to 10 Gyr: start-up,
// every time step and every output line, the console account discarded.
// Counters: time steps, evolution structure solves, trial integrations per
// solve, misses of the predicted bracket, derivative evaluations.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <streambuf>

#include "run/context.hpp"
#include "run/driver.hpp"

using namespace velkaro;

namespace {

// A stream that formats everything and keeps nothing.
struct NullBuf : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::filesystem::path jupiter_run_dir() {
    const auto dir = std::filesystem::temp_directory_path() / "velkaro-bench-evolution";
    std::filesystem::create_directories(dir);
    const auto ex = std::filesystem::path(VELKARO_DATA_DIR).parent_path() / "examples" / "jupiter";
    for (const char* f : {"sivex.in", "sivexdualband.in"})
        std::filesystem::copy_file(ex / f, dir / f, std::filesystem::copy_options::overwrite_existing);
    std::ofstream(dir / "path.dat") << "'" << VELKARO_DATA_DIR << "/eos/'\n'" << VELKARO_DATA_DIR << "/'\n";
    return dir;
}

void BM_jupiter_evolution(benchmark::State& state) {
    const auto dir = jupiter_run_dir();
    NullBuf nb;
    std::ostream null(&nb);
    for (auto _ : state) {
        RunContext ctx;
        ctx.console.out = &null;
        ctx.path.rundir = dir;
        run_planet(ctx);
        const auto& st = ctx.structure;
        state.counters["solves"] = static_cast<double>(st.nsolves);
        state.counters["trials_per_solve"] = static_cast<double>(st.ntrials) / static_cast<double>(st.nsolves);
        state.counters["guess_missed"] = static_cast<double>(st.nguess_missed);
        state.counters["derivs"] = static_cast<double>(st.nderiv);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_jupiter_evolution)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
