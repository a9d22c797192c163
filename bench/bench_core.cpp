// Cost of one core density evaluation (table built once, beforehand) and of
// the core energy.
#include <benchmark/benchmark.h>

#include <sstream>

#include "core/core.hpp"

using namespace velkaro;

namespace {

void BM_driverhocore(benchmark::State& state) {
    std::ostringstream out;
    Console io;
    io.out = &out;
    core::CoreContext cc;
    double shell[5] = {1e9, 1e24, 3.2e11, 4500.0, 1e3};
    double rho = 0;
    core::driverhocore(cc, io, shell, 6.3e28, 0.27, rho);  // builds the table
    double M = 6.3e28;
    for (auto _ : state) {
        M = (M > 1e30) ? 6.3e28 : M * 1.0001;  // vary the point a little
        core::driverhocore(cc, io, shell, M, 0.27, rho);
        benchmark::DoNotOptimize(rho);
    }
}
BENCHMARK(BM_driverhocore);

void BM_build_core_tables(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(core::build_core_tables());
}
BENCHMARK(BM_build_core_tables);

void BM_calcecore(benchmark::State& state) {
    double T = 4000.0;
    for (auto _ : state) {
        T = (T > 9000.0) ? 4000.0 : T + 0.1;
        benchmark::DoNotOptimize(core::calcecore(8e8, 3e28, T, 2e12, 0.4));
    }
}
BENCHMARK(BM_calcecore);

}  // namespace
