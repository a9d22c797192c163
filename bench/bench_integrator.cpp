// Cost of the envelope integrator itself, with derivative routines cheap
// enough that the Runge-Kutta bookkeeping dominates. The real derivative
// (EOS and opacity lookups) costs far more per call; these numbers are the
// floor the integrator adds on top of six derivative calls per step.
#include <benchmark/benchmark.h>

#include <cmath>

#include "common/constants.hpp"
#include "structure/odeint.hpp"

using namespace velkaro;
using namespace velkaro::structure;

namespace {

// Trivial derivative: a few multiplications, no transcendental functions.
struct Trivial {
    void operator()(double r, State& y, State& d) const {
        d(1) = -1e-9 * y(1);
        d(2) = -2e-10 * y(2);
        d(3) = 1e-12 * r;
        d(4) = 0.0;
        d(5) = -1e-15 * y(1);
    }
};

// Isothermal ideal-gas layer in constant gravity (one exponential per call
// through the pressure; the density is linear in P).
struct Isothermal {
    double c = 2.3 * cst::amu / (cst::kB * 1000.0);
    void operator()(double r, State& y, State& d) const {
        const double rho = y(1) * c;
        d(1) = -rho * 2500.0;
        d(2) = 0.0;
        d(3) = cst::fourpi * r * r * rho;
        d(4) = 0.0;
        d(5) = -rho * 1e-2;
    }
};

void BM_rkck_step(benchmark::State& st) {
    Trivial f;
    State y, dydx, yout, yerr;
    for (int i = 1; i <= nvar; ++i) y(i) = 1.0 + i;
    f(1e9, y, dydx);
    for (auto _ : st) {
        rkck(y, dydx, 1e9, -1e3, yout, yerr, f);
        benchmark::DoNotOptimize(yout);
        benchmark::DoNotOptimize(yerr);
    }
}
BENCHMARK(BM_rkck_step);

template <class F>
void integrate(benchmark::State& st, F f, double x1, double x2, double m0) {
    Trajectory t;
    OdeintSettings s;
    s.eps = 1e-10;
    s.h1 = -7140.0;
    s.hmin = -71.4;
    s.dxsav = 1e-5 * x2;
    s.mstop = 0.5 * m0;
    s.dmtol = 1e-9 * m0;
    long steps = 0, points = 0;
    for (auto _ : st) {
        State y;
        y(1) = 1e6;
        y(2) = 1000.0;
        y(3) = m0;
        y(4) = 1e20;
        y(5) = 2.0 / 3.0;
        odeint_planete2(y, x1, x2, s, t, f);
        steps += t.nok + t.nbad;
        points += t.kount;
        benchmark::DoNotOptimize(y);
    }
    st.counters["steps/run"] = static_cast<double>(steps) / static_cast<double>(st.iterations());
    st.counters["points/run"] = static_cast<double>(points) / static_cast<double>(st.iterations());
    st.counters["time/step"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_odeint_trivial(benchmark::State& st) { integrate(st, Trivial{}, cst::Rjup, 0.1 * cst::Rjup, cst::Mjup); }
BENCHMARK(BM_odeint_trivial)->Unit(benchmark::kMicrosecond);

void BM_odeint_isothermal(benchmark::State& st) {
    const double H = cst::kB * 1000.0 / (2.3 * cst::amu * 2500.0);
    integrate(st, Isothermal{}, cst::Rjup, cst::Rjup - 12.0 * H, cst::Mjup);
}
BENCHMARK(BM_odeint_isothermal)->Unit(benchmark::kMicrosecond);

}  // namespace
