// The adaptive Runge-Kutta integrator against exact solutions and its
// contracts with the structure solvers (ends, recording, step control).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/fatal.hpp"
#include "structure/odeint.hpp"

namespace velkaro::structure {
namespace {

State make_state(double a, double b, double c, double d, double e) {
    State y;
    y(1) = a;
    y(2) = b;
    y(3) = c;
    y(4) = d;
    y(5) = e;
    return y;
}

// dy/dx = 0: every step is exact (error estimate 0).
auto zero = [](double, State&, State& d) {
    for (int i = 1; i <= nvar; ++i) d(i) = 0.0;
};
// dy/dx = y in every component.
auto expo = [](double, State& y, State& d) {
    for (int i = 1; i <= nvar; ++i) d(i) = y(i);
};

// ---------------------------------------------------------------------------
// One Cash-Karp step

// The fifth-order weights integrate polynomials up to degree 4 exactly and
// the embedded fourth-order ones up to degree 3: for y' = f(x) the error
// estimate then vanishes and the step is exact.
TEST(Rkck, QuadratureExactnessOfWeights) {
    auto derivs = [](double x, State&, State& d) {
        d(1) = x * x * x * x;  // degree 4: exact at fifth order only
        d(2) = x * x * x;      // degree 3: exact at both orders
        d(3) = 1.0;
        d(4) = 0.0;
        d(5) = 3.0 * x * x;
    };
    const State y = make_state(0, 0, 0, 0, 0);
    State dydx, yout, yerr;
    const double x = 0.0, h = 0.8;
    State ytmp = y;
    derivs(x, ytmp, dydx);
    rkck(y, dydx, x, h, yout, yerr, derivs);
    EXPECT_NEAR(yout(1), std::pow(h, 5) / 5.0, 1e-15);
    EXPECT_NEAR(yout(2), std::pow(h, 4) / 4.0, 1e-15);
    EXPECT_NEAR(yout(3), h, 1e-15);
    EXPECT_NEAR(yout(5), h * h * h, 1e-15);
    EXPECT_NEAR(yerr(2), 0.0, 1e-15);
    EXPECT_NEAR(yerr(5), 0.0, 1e-15);
    // Degree 4 is beyond the embedded fourth-order rule: the estimate sees it.
    EXPECT_GT(std::fabs(yerr(1)), 1e-6);
}

// Local error of the fifth-order solution scales as h^6 and the error
// estimate as h^5 (and matches the true error of the fourth-order solution).
// Non-autonomous, nonlinear test problems, so that no special structure of
// the equations raises the apparent order.
TEST(Rkck, OrderOfAccuracyOnNonlinearProblems) {
    auto derivs = [](double x, State& y, State& d) {
        d(1) = std::cos(x) * y(1);  // y1 = exp(sin x)
        d(2) = x * y(2) * y(2);     // y2 = 1 / (c - x^2/2)
        d(3) = 0.0;
        d(4) = 0.0;
        d(5) = 0.0;
    };
    const double x0 = 0.5, c = 1.0 + 0.125;
    auto exact = [c](double x) {
        State e;
        e(1) = std::exp(std::sin(x));
        e(2) = 1.0 / (c - 0.5 * x * x);
        e(3) = e(4) = e(5) = 0.0;
        return e;
    };
    for (int comp : {1, 2}) {
        double prev_err5 = 0, prev_est = 0;
        for (int k = 0; k < 4; ++k) {
            const double h = 0.2 / std::pow(2.0, k);
            State y = exact(x0), dydx, yout, yerr;
            derivs(x0, y, dydx);
            rkck(y, dydx, x0, h, yout, yerr, derivs);
            const double truth = exact(x0 + h)(comp);
            const double err5 = std::fabs(yout(comp) - truth);
            const double err4 = std::fabs(yout(comp) - yerr(comp) - truth);
            const double est = std::fabs(yerr(comp));
            // The estimate is the fourth-order error to leading order.
            if (k == 3) {
                EXPECT_NEAR(est / err4, 1.0, 0.15) << "component " << comp << " h " << h;
            }
            if (k > 0) {
                EXPECT_NEAR(std::log2(prev_err5 / err5), 6.0, 0.4) << "component " << comp << " h " << h;
                EXPECT_NEAR(std::log2(prev_est / est), 5.0, 0.7) << "component " << comp << " h " << h;
            }
            prev_err5 = err5;
            prev_est = est;
        }
    }
}

// ---------------------------------------------------------------------------
// The step controller

TEST(RkqsPlanete, FailedStepShrinksUntilErrorWithinTolerance) {
    State y = make_state(1, 1, 1, 1, 1), dydx, yscal = make_state(1, 1, 1, 1, 1);
    expo(0.0, y, dydx);
    double x = 0.0, hdid = 0, hnext = 0;
    const double eps = 1e-12;
    rkqs_planete(y, dydx, x, 1.0, eps, yscal, hdid, hnext, expo, 1e-9);
    EXPECT_LT(hdid, 1.0);
    EXPECT_GT(hdid, 0.0);
    EXPECT_EQ(x, hdid);
    // The accepted step meets the tolerance against the exact solution.
    EXPECT_LT(std::fabs(y(1) - std::exp(hdid)), 10 * eps);
    // The next proposal is larger than the step that just succeeded but within 5x.
    EXPECT_GT(hnext, 0.0);
    EXPECT_LE(hnext, 5.0 * hdid);
}

TEST(RkqsPlanete, BelowMinimumStepTheErrorTestIsWaived) {
    State yscal = make_state(1, 1, 1, 1, 1);
    {
        // An unreachable tolerance: the step ends up at |hmin| in the direction of h.
        State y = make_state(1, 1, 1, 1, 1), dydx;
        expo(0.0, y, dydx);
        double x = 0.0, hdid = 0, hnext = 0;
        rkqs_planete(y, dydx, x, -0.5, 1e-300, yscal, hdid, hnext, expo, 1e-3);
        EXPECT_EQ(hdid, -1e-3);
        EXPECT_EQ(x, -1e-3);
        EXPECT_DOUBLE_EQ(hnext, 0.9 * std::pow(2.0, 0.2) * -1e-3);
        EXPECT_TRUE(std::isfinite(y(1)));
        EXPECT_LT(y(1), 1.0);
    }
    {
        // Far from the origin x + hmin == x: the step is raised by factors of
        // ten until it moves x (ulp of 1e20 is 16384).
        State y = make_state(1, 1, 1, 1, 1), dydx;
        expo(1e20, y, dydx);
        double x = 1e20, hdid = 0, hnext = 0;
        rkqs_planete(y, dydx, x, 0.5, 1e-300, yscal, hdid, hnext, expo, 1.0);
        EXPECT_EQ(hdid, 1e4);
        EXPECT_GT(x, 1e20);
    }
}

TEST(RkqsPlanete, StepUnderflowStopsTheRun) {
    // A derivative that jumps just past x = 1 (as at a sharp boundary in the
    // envelope) leaves an error estimate proportional to h; with a tolerance
    // that no representable step can meet and no minimum step, the step
    // shrinks until 1 + h == 1 and the run stops.
    auto jump = [](double x, State&, State& d) {
        for (int i = 1; i <= nvar; ++i) d(i) = x > 1.0 ? 1.0 : 0.0;
    };
    State y = make_state(1, 1, 1, 1, 1), dydx, yscal = make_state(1, 1, 1, 1, 1);
    jump(1.0, y, dydx);
    double x = 1.0, hdid = 0, hnext = 0;
    try {
        rkqs_planete(y, dydx, x, 0.1, 1e-20, yscal, hdid, hnext, jump, 0.0);
        FAIL() << "expected a fatal stop";
    } catch (const FatalError& e) {
        ASSERT_EQ(e.lines().size(), 1u);
        EXPECT_EQ(e.lines()[0].rfind(" WARNING : RKQS xnew=x", 0), 0u) << e.lines()[0];
    }
}

// ---------------------------------------------------------------------------
// The driver

// Harmonic oscillator in (y1, y2), exponential decay in y5; mass and
// luminosity constant (mass positive so that the early stop never triggers).
struct Oscillator {
    int calls = 0;
    void operator()(double, State& y, State& d) {
        ++calls;
        d(1) = y(2);
        d(2) = -y(1);
        d(3) = 0.0;
        d(4) = 0.0;
        d(5) = -y(5);
    }
};

OdeintSettings loose_settings(double eps, double h1, double hmin) {
    OdeintSettings s;
    s.eps = eps;
    s.h1 = h1;
    s.hmin = hmin;
    s.dxsav = 0.0;
    s.mstop = 0.0;
    s.dmtol = 0.0;
    return s;
}

TEST(Odeint, GlobalErrorFollowsTheTolerance) {
    Trajectory t;
    double prev = 1.0;
    for (double eps : {1e-6, 1e-8, 1e-10, 1e-12}) {
        State y = make_state(0.0, 1.0, 1.0, 0.0, 1.0);
        Oscillator f;
        const double x2 = 20.0;
        EXPECT_EQ(odeint_planete2(y, 0.0, x2, loose_settings(eps, 0.1, 1e-12), t, f), OdeEnd::reached_x2);
        const double err = std::max(std::fabs(y(1) - std::sin(x2)), std::fabs(y(2) - std::cos(x2)));
        const double err5 = std::fabs(y(5) - std::exp(-x2)) / std::exp(-x2);
        // Tolerance proportionality: the error stays within a modest multiple
        // of eps over three periods and drops as eps is tightened.
        EXPECT_LT(err, 200 * eps) << "eps " << eps;
        EXPECT_LT(err5, 200 * eps) << "eps " << eps;
        EXPECT_LT(err, prev) << "eps " << eps;
        prev = err;
        // One derivative call at the start of each step plus five per attempt.
        const int steps = t.nok + t.nbad;
        EXPECT_GE(f.calls, 6 * steps);
        EXPECT_EQ((f.calls - steps) % 5, 0);
    }
}

TEST(Odeint, WrongSignFirstStepPointsTowardsTheTarget) {
    Trajectory t;
    for (double dir : {+1.0, -1.0}) {
        const double x1 = dir > 0 ? 0.0 : 3.0, x2 = dir > 0 ? 3.0 : 0.0;
        State y = make_state(0.0, 1.0, 1.0, 0.0, 1.0);
        OdeintSettings s = loose_settings(1e-10, -dir * 0.01, -dir * 1e-9);
        s.dxsav = 1e-6;
        Oscillator f;
        ASSERT_EQ(odeint_planete2(y, x1, x2, s, t, f), OdeEnd::reached_x2);
        ASSERT_GE(t.kount, 3);
        EXPECT_EQ(t.xp(1), x1);
        for (int k = 2; k <= t.kount; ++k) EXPECT_GT(dir * (t.xp(k) - t.xp(k - 1)), 0.0) << k;
        EXPECT_EQ(t.xp(2), x1 + dir * 0.01);
    }
}

TEST(Odeint, EndsExactlyAtTargetWithFinalStateInYstartAndLastPoint) {
    Trajectory t;
    const double x1 = 1.7e9, x2 = 3.3e8;  // inward, as the envelope is integrated
    State y = make_state(1.0, 0.0, 1.0, 0.0, 1.0);
    // Slow oscillator on the radius scale.
    const double k = 1.0 / 2e8;
    auto f = [k](double, State& s, State& d) {
        d(1) = k * s(2);
        d(2) = -k * s(1);
        d(3) = 0.0;
        d(4) = 0.0;
        d(5) = 0.0;
    };
    OdeintSettings s = loose_settings(1e-10, -7140.0, -71.4);
    s.dxsav = 1e-5 * x2;
    ASSERT_EQ(odeint_planete2(y, x1, x2, s, t, f), OdeEnd::reached_x2);
    EXPECT_EQ(t.xp(t.kount), x2);
    for (int i = 1; i <= nvar; ++i) EXPECT_EQ(t.yp(i, t.kount), y(i)) << i;
    EXPECT_NEAR(y(1), std::cos(k * (x2 - x1)), 1e-8);
    EXPECT_NEAR(y(2), -std::sin(k * (x2 - x1)), 1e-8);
    // Recorded points are at least dxsav apart (except the final one).
    for (int j = 2; j < t.kount; ++j) EXPECT_GT(std::fabs(t.xp(j) - t.xp(j - 1)), s.dxsav);
}

TEST(Odeint, ExactStepsGrowFiveFoldFromTheFirstStep) {
    Trajectory t;
    State y = make_state(1, 1, 1, 1, 1);
    OdeintSettings s = loose_settings(1e-10, -1e-3, -1e-6);
    s.dxsav = 1e-9;
    ASSERT_EQ(odeint_planete2(y, 100.0, 0.0, s, t, zero), OdeEnd::reached_x2);
    // Steps -1e-3, -5e-3, -2.5e-2, ... until the last one is cut at 0.
    double h = -1e-3;
    for (int k = 2; k < t.kount; ++k) {
        EXPECT_NEAR(t.xp(k) - t.xp(k - 1), h, 1e-12 * 100) << k;
        h *= 5.0;
    }
    EXPECT_EQ(t.nbad, 0);
    EXPECT_EQ(t.nok, t.kount - 1);
    EXPECT_EQ(t.xp(t.kount), 0.0);
}

TEST(Odeint, MassExhaustedStopsEarlyAndLeavesYstartUntouched) {
    Trajectory t;
    // m(r) = r: the mass falls linearly while integrating inward from r = 10.
    auto f = [](double, State&, State& d) {
        d(1) = 0.0;
        d(2) = 0.0;
        d(3) = 1.0;
        d(4) = 0.0;
        d(5) = 0.0;
    };
    const State start = make_state(5.0, 6.0, 10.0, 7.0, 0.5);
    State y = start;
    OdeintSettings s = loose_settings(1e-10, -0.01, -1e-6);
    s.dxsav = 1e-9;
    s.mstop = 8.0;  // "core mass": stop once m < 4 - dmtol
    s.dmtol = 0.1;
    ASSERT_EQ(odeint_planete2(y, 10.0, 0.0, s, t, f), OdeEnd::mass_exhausted);
    EXPECT_EQ(y, start);
    const double mlast = t.yp(3, t.kount);
    EXPECT_LT(mlast, 0.5 * s.mstop - s.dmtol);
    EXPECT_GE(t.yp(3, t.kount - 1), 0.5 * s.mstop - s.dmtol);
    // The mass is exact for a linear profile: the last point lies on m = r.
    EXPECT_NEAR(mlast, t.xp(t.kount), 1e-12);
    EXPECT_GT(t.xp(t.kount), 0.0);
    for (int i : {1, 2, 4, 5}) EXPECT_EQ(t.yp(i, t.kount), start(i));
}

TEST(Odeint, NonFiniteMassEndsTheTrialInsteadOfCrawling) {
    Trajectory t;
    auto f = [](double x, State&, State& d) {
        for (int i = 1; i <= nvar; ++i) d(i) = 0.0;
        d(3) = x < 5.0 ? std::numeric_limits<double>::quiet_NaN() : 1.0;
    };
    const State start = make_state(1, 1, 20, 1, 1);
    State y = start;
    OdeintSettings s = loose_settings(1e-10, -0.01, -1e-3);
    ASSERT_EQ(odeint_planete2(y, 10.0, 0.0, s, t, f), OdeEnd::nonfinite_mass);
    EXPECT_EQ(y, start);
    EXPECT_TRUE(std::isnan(t.yp(3, t.kount)));
    EXPECT_GT(t.xp(t.kount), 4.0);
}

TEST(Odeint, LuminosityWrittenBackByTheDerivativeIsKept) {
    // The envelope's derivative routine stores the luminosity it used in y(4);
    // recorded points and the final state must carry that value.
    Trajectory t;
    const double L0 = 3.3e24;
    auto f = [L0](double, State& y, State& d) {
        y(4) = L0;
        for (int i = 1; i <= nvar; ++i) d(i) = 0.0;
        d(1) = -1.0;
    };
    State y = make_state(1e6, 1e3, 1e30, 0.0, 1.0);
    OdeintSettings s = loose_settings(1e-10, -7140.0, -71.4);
    s.dxsav = 1e3;
    ASSERT_EQ(odeint_planete2(y, 7e9, 6e9, s, t, f), OdeEnd::reached_x2);
    for (int k = 1; k <= t.kount; ++k) EXPECT_EQ(t.yp(4, k), L0) << k;
    EXPECT_EQ(y(4), L0);
}

TEST(Odeint, NegligibleLuminosityDoesNotSteerTheStepSize) {
    // The luminosity's error scale has a floor: the luminosity of a sphere of
    // the starting radius at 0.1 K (about 7e-8 erg/s for x1 = 1 cm). A
    // luminosity far below it, however wildly it varies, must not force small
    // steps: the steps are those of the oscillator alone.
    Trajectory t;
    auto run = [&t](double amplitude) {
        auto f = [amplitude](double x, State& y, State& d) {
            d(1) = y(2);
            d(2) = -y(1);
            d(3) = 0.0;
            d(4) = amplitude * 1e3 * std::cos(1e3 * x);
            d(5) = 0.0;
        };
        State y = make_state(0.0, 1.0, 1.0, 0.0, 1.0);
        OdeintSettings s;
        s.eps = 1e-8;
        s.h1 = 0.01;
        s.hmin = 1e-12;
        odeint_planete2(y, 1.0, 11.0, s, t, f);
        return t.nok + t.nbad;
    };
    const int steps_alone = run(0.0);
    EXPECT_EQ(run(1e-20), steps_alone);
    // A luminosity well above the floor is followed accurately, at a cost.
    EXPECT_GT(run(1.0), 10 * steps_alone);
}

// A stand-in step controller: takes the trial step as given and proposes a
// fixed next step, recording the trial steps it was handed.
struct FixedStepper {
    double propose;
    std::vector<double>* trials;
    template <class D>
    void operator()(State&, const State&, double& x, double htry, double, const State&, double& hdid,
                    double& hnext, D&, double) const {
        trials->push_back(htry);
        x += htry;
        hdid = htry;
        hnext = propose;
    }
};

TEST(Odeint, ProposalsBelowMinimumAreRaisedToIt) {
    Trajectory t;
    {
        std::vector<double> trials;
        State y = make_state(1, 1, 1, 1, 1);
        OdeintSettings s = loose_settings(1e-10, -7140.0, -71.4);
        odeint_planete2(y, 1e6, 5e5, s, t, zero, FixedStepper{-1e-3, &trials});
        ASSERT_GT(trials.size(), 3u);
        EXPECT_EQ(trials[0], -7140.0);
        for (std::size_t k = 1; k + 1 < trials.size(); ++k) EXPECT_EQ(trials[k], -71.4) << k;
        EXPECT_EQ(t.xp(t.kount), 5e5);
    }
    {
        // Outward integration with the callers' negative hmin: the raised
        // step still points towards the target.
        std::vector<double> trials;
        State y = make_state(1, 1, 1, 1, 1);
        OdeintSettings s = loose_settings(1e-10, -1.0, -0.5);
        ASSERT_EQ(odeint_planete2(y, 0.0, 10.0, s, t, zero, FixedStepper{1e-9, &trials}), OdeEnd::reached_x2);
        for (double h : trials) EXPECT_GT(h, 0.0);
        EXPECT_EQ(trials.size(), 19u);  // 1, then eighteen steps of 0.5 up to 10
    }
}

TEST(Odeint, RecordingIsBoundedByTheCapacity) {
    Trajectory t;
    std::vector<double> trials;
    State y = make_state(1, 1, 1, 1, 1);
    OdeintSettings s = loose_settings(1e-10, 1e-5, 1e-5);
    s.dxsav = 1e-7;  // every step would be recorded
    ASSERT_EQ(odeint_planete2(y, 0.0, 0.5, s, t, zero, FixedStepper{1e-5, &trials}), OdeEnd::reached_x2);
    EXPECT_GT(trials.size(), 40000u);
    EXPECT_EQ(t.kount, kmaxp);
    EXPECT_EQ(t.xp(kmaxp), 0.5);  // the final point is kept
    EXPECT_NEAR(t.xp(kmaxp - 1), 9998 * 1e-5, 1e-12);
}

TEST(Odeint, StepLimitStopsTheRunWithItsReport) {
    Trajectory t;
    State y = make_state(1, 1, 1, 1, 1);
    OdeintSettings s = loose_settings(1e-10, -1e-12, -1e-12);
    s.maxstp = 10;
    try {
        odeint_planete2(y, 1e6, 0.0, s, t, zero);
        FAIL() << "expected a fatal stop";
    } catch (const FatalError& e) {
        const auto& l = e.lines();
        ASSERT_EQ(l.size(), 6u);
        EXPECT_EQ(l[0], " not die");
        EXPECT_EQ(l[1].rfind(" MAXSTEP reached", 0), 0u);
        EXPECT_NE(l[1].find("10"), std::string::npos);
        EXPECT_EQ(l[2].rfind(" x,x1,x2,h", 0), 0u);
        EXPECT_EQ(l[3].rfind(" y(1),y(2),y(3),y(4)", 0), 0u);
        EXPECT_EQ(l[4].rfind(" Mcore/Me", 0), 0u);
        EXPECT_EQ(l[5], " PROBLEME : ODEINT_PLANETE 2 BIS");
    }
}

}  // namespace
}  // namespace velkaro::structure
