// Cost of one envelope opacity evaluation, the call made at every
// derivative evaluation of the structure equations.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "common/modules.hpp"
#include "opacity/context.hpp"
#include "opacity/opacity.hpp"

namespace {

using namespace velkaro;
using namespace velkaro::opacity;

// Points along a giant-planet envelope, from the photosphere (1e-9 g cm^-3,
// 80 K) to the deep interior (1 g cm^-3, 3e4 K), equally spaced in log:
// every branch of the grain law and the whole gas table are visited.
std::vector<std::pair<double, double>> envelope_points(int n) {
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / (n - 1);
        p.emplace_back(std::pow(10.0, -9.0 + 9.0 * s), 80.0 * std::pow(30000.0 / 80.0, s));
    }
    return p;
}

void BM_opacites(benchmark::State& state) {
    OpacityModule opa;
    opa.metallicity = 0.5;
    CommonModule com;  // redopagrains on, f_opacite = 1e-20
    OpacityContext oc;
    const OpacityLaw law{opa, com, oc};
    const auto pts = envelope_points(1024);
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& [rho, T] = pts[k];
        benchmark::DoNotOptimize(opacites(law, rho, T));
        k = (k + 1) & 1023;
    }
}
BENCHMARK(BM_opacites);

void BM_opb91(benchmark::State& state) {
    const auto pts = envelope_points(1024);
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& [rho, T] = pts[k];
        benchmark::DoNotOptimize(opb91(rho, T));
        k = (k + 1) & 1023;
    }
}
BENCHMARK(BM_opb91);

void BM_opafreedman2013(benchmark::State& state) {
    OpacityContext oc;
    const auto pts = envelope_points(1024);
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& [rho, T] = pts[k];
        benchmark::DoNotOptimize(opafreedman2013(oc, 0.5, rho, T));
        k = (k + 1) & 1023;
    }
}
BENCHMARK(BM_opafreedman2013);

}  // namespace
