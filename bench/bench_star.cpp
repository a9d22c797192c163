// Cost of the host star: reading the 36 track files once, and the
// interpolation that the evolution calls several times per time step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "common/constants.hpp"
#include "processes/star.hpp"
#include "processes/tracks.hpp"

using namespace velkaro;

namespace {

const std::string kData = std::string(VELKARO_DATA_DIR) + "/";

void BM_LoadTracks(benchmark::State& state) {
    for (auto _ : state) {
        auto t = processes::StellarTracks::load(kData);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_LoadTracks)->Unit(benchmark::kMillisecond);

// One run's worth of star: load the tracks and ask for the star at 1e6
// increasing ages from 1 kyr to 10 Gyr, as an evolution does.
void BM_LoadAndMillionCalls(benchmark::State& state) {
    const double mstar = state.range(0) / 10.0 * cst::Msun;
    constexpr int kCalls = 1000000;
    for (auto _ : state) {
        processes::ProcessesContext pc;
        PathModule path;
        path.path_fichiersdg = kData;
        const processes::Star star{pc, path};
        double sum = 0;
        for (int i = 0; i < kCalls; ++i) {
            const double age = std::pow(10.0, 3.0 + 7.0 * i / kCalls) * cst::year;
            sum += processes::starprops(star, age, mstar).lstar;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LoadAndMillionCalls)->Arg(10)->Arg(25)->Unit(benchmark::kMillisecond);

// A single call with the search starting from the previous position.
void BM_Starprops(benchmark::State& state) {
    processes::ProcessesContext pc;
    PathModule path;
    path.path_fichiersdg = kData;
    const processes::Star star{pc, path};
    double age = 1e6 * cst::year;
    for (auto _ : state) {
        age *= 1.0000001;
        benchmark::DoNotOptimize(processes::starprops(star, age, cst::Msun));
    }
}
BENCHMARK(BM_Starprops);

}  // namespace
