// The adaptive Runge-Kutta integrator against exact solutions and its
// contracts with the structure solvers (ends, recording, step control).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "structure/odeint.hpp"
#include "support/fatal_text.hpp"

namespace velkaro::structure {
namespace {

using velkaro::testing::fatal_text;
const State ones{{1, 1, 1, 1, 1}};

// dy/dx = 0: every step is exact (error estimate 0).
auto zero = [](double, State&, State& d) { d = State{}; };
// dy/dx = y in every component.
auto expo = [](double, State& y, State& d) { d = y; };
// Harmonic oscillator in (y1, y2) with frequency k, decay at rate k in y5;
// mass and luminosity constant (the mass stop never triggers).
auto oscillator(double k) {
    return [k](double, State& y, State& d) { d = State{{k * y(2), -k * y(1), 0, 0, -k * y(5)}}; };
}

OdeintSettings settings(double eps, double h1, double hmin, double dxsav = 0.0) {
    return {.eps = eps, .h1 = h1, .hmin = hmin, .dxsav = dxsav};
}

// Local error of the fifth-order solution scales as h^6 and the error
// estimate as h^5 (and matches the true error of the fourth-order solution).
// Non-autonomous, nonlinear problems, so that no special structure of the
// equations raises the apparent order.
TEST(Rkck, OrderOfAccuracyOnNonlinearProblems) {
    auto derivs = [](double x, State& y, State& d) { d = State{{std::cos(x) * y(1), x * y(2) * y(2), 0, 0, 0}}; };
    const double x0 = 0.5, c = 1.125;
    auto exact = [c](double x) { return State{{std::exp(std::sin(x)), 1.0 / (c - 0.5 * x * x), 0, 0, 0}}; };
    for (int comp : {1, 2}) {
        double prev_err5 = 0, prev_est = 0;
        for (int k = 0; k < 4; ++k) {
            const double h = 0.2 / std::pow(2.0, k);
            State y = exact(x0), dydx, yout, yerr;
            derivs(x0, y, dydx);
            rkck(y, dydx, x0, h, yout, yerr, derivs);
            const double truth = exact(x0 + h)(comp), err5 = std::fabs(yout(comp) - truth), est = std::fabs(yerr(comp));
            SCOPED_TRACE("component " + std::to_string(comp) + " h " + std::to_string(h));
            if (k == 3) {
                EXPECT_NEAR(est / std::fabs(yout(comp) - yerr(comp) - truth), 1.0, 0.15);
            }
            if (k > 0) {
                EXPECT_NEAR(std::log2(prev_err5 / err5), 6.0, 0.4);
                EXPECT_NEAR(std::log2(prev_est / est), 5.0, 0.7);
            }
            prev_err5 = err5;
            prev_est = est;
        }
    }
}

TEST(RkqsPlanete, BelowMinimumTheErrorTestIsWaivedAndUnderflowStops) {
    State y = ones, dydx;
    expo(0.0, y, dydx);
    double x = 0.0, hdid = 0, hnext = 0;
    // An unreachable tolerance: one step of |hmin| in the direction of h.
    rkqs_planete(y, dydx, x, -0.5, 1e-300, ones, hdid, hnext, expo, 1e-3);
    EXPECT_EQ(hdid, -1e-3);
    EXPECT_EQ(x, -1e-3);
    EXPECT_LT(y(1), 1.0);

    // A derivative that jumps just past x = 1 (a sharp boundary) leaves an
    // error estimate proportional to h; with an unreachable tolerance and no
    // minimum step the step shrinks until 1 + h == 1 and the run stops.
    auto jump = [](double r, State&, State& d) { d = r > 1.0 ? ones : State{}; };
    x = 1.0;
    const std::string msg = fatal_text([&] { rkqs_planete(y, State{}, x, 0.1, 1e-20, ones, hdid, hnext, jump, 0.0); });
    EXPECT_EQ(msg.rfind(" WARNING : RKQS xnew=x", 0), 0u) << msg;
    EXPECT_EQ(msg.find('\n'), std::string::npos) << msg;
}

// A pressure that falls through the cells of a table grid in log10 P
// (spacing 0.15) at a rate interpolated by cubic Hermite pieces between the
// grid lines, as the EOS tables are: continuous with its first derivative,
// its second derivative jumps at every line.
//     dP/dx = -P c(log10 P),  c = 1 + 0.5 Hermite interpolant of sin(u / 0.15)
struct HermiteLayer {
    static constexpr double w = 0.15;
    long* calls;
    static double c(double u) {
        const double k = std::floor(u / w), t = u / w - k;
        const double f0 = std::sin(k), f1 = std::sin(k + 1), d0 = std::cos(k), d1 = std::cos(k + 1);
        const double h00 = (1 + 2 * t) * (1 - t) * (1 - t), h10 = t * (1 - t) * (1 - t), h01 = t * t * (3 - 2 * t),
                     h11 = t * t * (t - 1);
        return 1.0 + 0.5 * (h00 * f0 + h10 * d0 + h01 * f1 + h11 * d1);
    }
    void operator()(double, State& y, State& d) const {
        ++*calls;
        d = State{{-y(1) * c(std::log10(y(1))), 0, 0, 0, 0}};
    }
};

// The controller that hands each step to rkqs_planete and then checks it:
// the step it took, redone from the same start, passes the error test.
struct CheckedStepper {
    TableSeams seams;
    double* worst;
    void operator()(State& y, const State& dydx, double& x, double htry, double eps, const State& yscal, double& hdid,
                    double& hnext, HermiteLayer& derivs, double hmin) const {
        const State y0 = y;
        const double x0 = x;
        rkqs_planete(y, dydx, x, htry, eps, yscal, hdid, hnext, derivs, hmin, seams);
        long uncounted = 0;
        HermiteLayer again{&uncounted};
        State yout, yerr;
        rkck(y0, dydx, x0, hdid, yout, yerr, again);
        for (int i = 1; i <= nvar; ++i) *worst = std::max(*worst, std::fabs(yerr(i) / yscal(i)) / eps);
    }
};

TEST(Odeint, StepsCutAtTableSeamsMeetTheErrorTestWithFewerEvaluations) {
    // P falls by 30 dex through 200 seams. With the seams known, every step
    // still passes the error test, the result is as accurate (against the
    // quadrature x(P) = int dP / (P c)), and far fewer evaluations are spent.
    const double x2 = 30.0 / 0.4343 / 1.5;
    auto run = [&](TableSeams seams, long& calls, double& worst) {
        HermiteLayer f{&calls};
        State y{{1e10, 1, 1, 1, 1}};
        Trajectory t;
        EXPECT_EQ(odeint_planete2(y, 0.0, x2, settings(1e-10, 1e-3, 1e-12), t, f, CheckedStepper{seams, &worst}),
                  OdeEnd::reached_x2);
        return y(1);
    };
    long plain_calls = 0, seam_calls = 0;
    double plain_worst = 0, seam_worst = 0;
    const double plain = run(TableSeams{}, plain_calls, plain_worst);
    const double cut = run(TableSeams{0.0, 0.15, 0.0, 0.05}, seam_calls, seam_worst);
    EXPECT_LE(seam_worst, 1.0);
    EXPECT_LE(plain_worst, 1.0);
    // Exact: x2 = int_{P(x2)}^{P0} dP / (P c(log10 P)) by Simpson's rule in u = log10 P.
    auto x_of = [](double p) {
        const double u0 = std::log10(p), u1 = 10.0;
        const int n = 200000;
        double sum = 0;
        for (int i = 0; i <= n; ++i) {
            const double u = u0 + (u1 - u0) * i / n;
            sum += (i == 0 || i == n ? 1 : (i % 2 ? 4 : 2)) / HermiteLayer::c(u);
        }
        return std::log(10.0) * sum * (u1 - u0) / n / 3;
    };
    EXPECT_NEAR(x_of(plain), x2, 1e-7 * x2);
    EXPECT_NEAR(x_of(cut), x2, 1e-7 * x2);
    EXPECT_LT(seam_calls, 0.92 * plain_calls) << seam_calls << " " << plain_calls;  // 9205 against 10500
}

TEST(Odeint, GlobalErrorFollowsTheTolerance) {
    Trajectory t;
    double prev = 1.0;
    for (double eps : {1e-6, 1e-9, 1e-12}) {
        State y{{0, 1, 1, 0, 1}};
        const double x2 = 20.0;  // three periods
        EXPECT_EQ(odeint_planete2(y, 0.0, x2, settings(eps, 0.1, 1e-12), t, oscillator(1.0)), OdeEnd::reached_x2);
        const double err = std::max(std::fabs(y(1) - std::sin(x2)), std::fabs(y(2) - std::cos(x2)));
        EXPECT_LT(err, 200 * eps) << eps;
        EXPECT_LT(std::fabs(y(5) / std::exp(-x2) - 1.0), 200 * eps) << eps;
        EXPECT_LT(err, prev) << eps;
        prev = err;
    }
}

TEST(Odeint, EndsExactlyAtTargetKeepingTheLuminosityTheDerivativeWrites) {
    // Inward on the radius scale, as the envelope is integrated (its accuracy
    // there: the barometric layer). The envelope's derivative routine stores
    // the luminosity it used in y(4); recorded points and the final state
    // must carry that value.
    Trajectory t;
    const double x1 = 1.7e9, x2 = 3.3e8, k = 1.0 / 2e8, L0 = 3.3e24;
    auto f = [&](double x, State& y, State& d) {
        y(4) = L0;
        oscillator(k)(x, y, d);
    };
    State y{{1, 0, 1, 0, 1}};
    const OdeintSettings s = settings(1e-10, -7140.0, -71.4, 1e-5 * x2);
    ASSERT_EQ(odeint_planete2(y, x1, x2, s, t, f), OdeEnd::reached_x2);
    EXPECT_EQ(t.xp(t.kount), x2);
    for (int i = 1; i <= nvar; ++i) EXPECT_EQ(t.yp(i, t.kount), y(i)) << i;
    for (int j = 1; j <= t.kount; ++j) EXPECT_EQ(t.yp(4, j), L0) << j;
    // Recorded points are more than dxsav apart (except the final one).
    for (int j = 2; j < t.kount; ++j) EXPECT_GT(std::fabs(t.xp(j) - t.xp(j - 1)), s.dxsav) << j;
}

// (Running out of mass is checked against the barometric layer.)
TEST(Odeint, NonFiniteMassEndsTheTrialAtOnceAndLeavesYstartUntouched) {
    // A NaN mass ends the trial at once instead of crawling on at hmin.
    Trajectory t;
    auto f = [](double x, State&, State& d) {
        d = State{{0, 0, x < 5.0 ? std::numeric_limits<double>::quiet_NaN() : 1.0, 0, 0}};
    };
    const State start{{1, 1, 20, 1, 1}};
    State y = start;
    ASSERT_EQ(odeint_planete2(y, 10.0, 0.0, settings(1e-10, -0.01, -1e-3), t, f), OdeEnd::nonfinite_mass);
    EXPECT_EQ(y, start);
    EXPECT_TRUE(std::isnan(t.yp(3, t.kount)));
    EXPECT_GT(t.xp(t.kount), 4.0);
}

}  // namespace
}  // namespace velkaro::structure
