// Cost of one EOS evaluation at typical envelope points (a Jupiter-like
// adiabat from 100 bar to 50 Mbar, Y = 0.27), per call.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <filesystem>

#include "eos/eos.hpp"

using namespace velkaro::eos;

namespace {

std::shared_ptr<const EosTables> tables() {
    static const auto tb = [] {
        std::array<std::string, 3> names;
        std::array<std::filesystem::path, 3> files;
        for (std::size_t k = 0; k < 3; ++k) {
            names[k] = kTableNames[k];
            files[k] = std::filesystem::path(VELKARO_DATA_DIR) / "eos" / kTableNames[k];
        }
        return read_eos_tables(names, files);
    }();
    return tb;
}

struct Point {
    double y, p, t;
};

// Points along an adiabat: (log P, log T) from (8, 2.85) to (13.7, 4.35).
std::array<Point, 64> envelope_points() {
    std::array<Point, 64> pts{};
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const double f = static_cast<double>(i) / (pts.size() - 1);
        pts[i] = {0.27 - 0.02 * f, std::pow(10.0, 8.0 + 5.7 * f), std::pow(10.0, 2.85 + 1.5 * f)};
    }
    return pts;
}

// Time one evaluation f(tables, point) cycling through the envelope points.
template <typename F>
void over_envelope(benchmark::State& state, F f) {
    const auto tb = tables();
    const auto pts = envelope_points();
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(f(*tb, pts[i++ & 63]));
}

void BM_eosfast(benchmark::State& state) {
    over_envelope(state, [o = EosOut{}](const EosTables& tb, const Point& p) mutable {
        eosfast(&tb, 0.0, p.y, p.p, p.t, o);
        return o.rho + o.dtdp;
    });
}
BENCHMARK(BM_eosfast);

// What the envelope equations call: eosfast_lrho on the two tables, and the
// run's blended cells (one Y, as in one integration).
void BM_eosfast_lrho(benchmark::State& state) {
    over_envelope(state, [o = EosOut{}](const EosTables& tb, const Point& p) mutable {
        double lrho;
        eosfast_lrho(&tb, 0.27, p.p, p.t, o, lrho);
        return o.rho + o.dtdp + lrho;
    });
}
BENCHMARK(BM_eosfast_lrho);

void BM_eosfast_envelope(benchmark::State& state) {
    EosContext c;
    c.tables = tables();
    over_envelope(state, [&c](const EosTables&, const Point& p) {
        const EnvelopeGas g = eosfast_envelope(c, 0.27, p.p, p.t);
        return g.rho + g.dtdp + g.lrho + g.lnt;
    });
}
BENCHMARK(BM_eosfast_envelope);

void BM_eos(benchmark::State& state) {
    over_envelope(state, [o = EosOut{}](const EosTables& tb, const Point& p) mutable {
        eos(&tb, 0.0, p.y, p.p, p.t, o);
        return o.rho + o.u;
    });
}
BENCHMARK(BM_eos);

// The same reduced table evaluation done straightforwardly (stencil copy,
// corner derivatives and intercub on every call), for comparison.
void BM_eosscfast2_direct(benchmark::State& state) {
    over_envelope(state, [](const EosTables& tb, const Point& p) {
        double rho, dtdp;
        eosscfast2_direct(tb, p.y, p.p, p.t, rho, dtdp);
        return rho + dtdp;
    });
}
BENCHMARK(BM_eosscfast2_direct);

// eosfast in the ideal-gas branch (upper atmosphere, below 10^3.66 dyn/cm2).
void BM_eosfast_ideal(benchmark::State& state) {
    const auto tb = tables();
    std::size_t i = 0;
    EosOut o;
    for (auto _ : state) {
        const double t = 120.0 + static_cast<double>(i++ & 63);
        eosfast(tb.get(), 0.0, 0.27, 1e3, t, o);
        benchmark::DoNotOptimize(o.rho);
    }
}
BENCHMARK(BM_eosfast_ideal);

}  // namespace
