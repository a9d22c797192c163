// Two-tolerance Brent search and the Hill-sphere radius.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "common/constants.hpp"
#include "common/format.hpp"
#include "structure/roche.hpp"
#include "structure/rootfind.hpp"
#include "structure/search.hpp"
#include "support/fatal_text.hpp"

namespace velkaro::structure {
namespace {

using velkaro::testing::fatal_text;

struct Zbrent2tol : ::testing::Test {
    Console io;
    std::ostringstream out;
    int iterations = -1;
    SearchLog report{io, false, iterations};
    Zbrent2tol() { io.out = &out; }
};

TEST_F(Zbrent2tol, FindsKnownRoots) {
    struct Case { double (*f)(double); double a, b, root; };
    const Case cases[] = {
        {[](double x) { return x * x - 2.0; }, 0.0, 2.0, std::sqrt(2.0)},
        {[](double x) { return std::cos(x) - x; }, 0.0, 1.0, 0.7390851332151607},  // Dottie number
        {[](double x) { return std::exp(x) - 10.0; }, 5.0, -3.0, std::log(10.0)},  // reversed bracket
        {[](double x) { return std::tanh(50.0 * (x - 0.3)); }, -1.0, 2.0, 0.3},    // kink-like
        {[](double x) { return x - 1.0; }, -4.0, 1.0, 1.0},                        // root at an end
    };
    for (const auto& c : cases) {
        int calls = 0;
        auto f = [&](double x) { return ++calls, c.f(x); };
        const double x = zbrent2tol(report, f, c.a, c.b, 1e-12, 1e-10);
        EXPECT_NEAR(x, c.root, 1e-12) << c.root;
        EXPECT_LE(std::fabs(c.f(x)), 1e-10);
        EXPECT_LT(calls, 40);  // superlinear convergence
    }
}

TEST_F(Zbrent2tol, UnbracketedRootOrJumpWithoutRootStopsTheRun) {
    // Same sign, or NaN, at the low end: the ends and f(x2) = 5 are reported.
    for (double flow : {1.0, std::numeric_limits<double>::quiet_NaN()}) {
        auto f = [flow](double x) { return x < 0.5 ? flow : x * x + 1.0; };
        const std::string msg = fatal_text([&] { zbrent2tol(report, f, 0.0, 2.0, 1e-6, 1e-6); });
        EXPECT_EQ(msg, " ERROR IN ZBRENT2TOL: root must be bracketed\n" + fmt::free(0.0, flow, 2.0, 5.0));
    }
    // A sign change without a zero and a tolerance in f below the jump: the
    // bracket shrinks to nothing, |f| never meets tolf, the iterations run out.
    auto jump = [](double x) { return x < 0.3 ? -1.0 : 1.0; };
    const std::string msg = fatal_text([&] { zbrent2tol(report, jump, 0.0, 1.0, 1e-6, 0.5); });
    EXPECT_EQ(msg.rfind(" ERROR: zbrent2tol exceeding maximum iterations\n", 0), 0u) << msg;
}

// A mismatch computed by an integration jumps by the integration's error
// where its step sequence changes. A jump across the root that lies within
// the caller's resolution is accepted once the bracket has closed to
// rounding; a larger one stops the run as before; and a smooth function is
// searched exactly as without a resolution (same root, same evaluations).
TEST_F(Zbrent2tol, AJumpWithinTheResolutionIsAcceptedOnceTheBracketClosesToRounding) {
    auto jump = [](double x) { return x < 0.3 ? -0.8 : 1.0; };
    const double root = zbrent2tol_known_ends(report, jump, 0.0, 1.0, jump(0.0), jump(1.0), 1e-6, 0.5, 1.0);
    EXPECT_NEAR(root, 0.3, 1e-15);
    EXPECT_LE(std::fabs(jump(root)), 1.0);
    const std::string msg = fatal_text([&] { zbrent2tol_known_ends(report, jump, 0.0, 1.0, -0.8, 1.0, 1e-6, 0.5, 0.7); });
    EXPECT_EQ(msg.rfind(" ERROR: zbrent2tol exceeding maximum iterations\n", 0), 0u) << msg;

    int plain = 0, floored = 0;
    auto smooth = [](double t) { return std::exp(t) - 2.0; };
    const double a = zbrent2tol(report, [&](double t) { return ++plain, smooth(t); }, 0.0, 1.0, 1e-9, 1e-12);
    const double b = zbrent2tol_known_ends(report, [&](double t) { return ++floored, smooth(t); }, 0.0, 1.0,
                                           smooth(0.0), smooth(1.0), 1e-9, 1e-12, 1e-3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(plain, floored + 2);
}

// The secant refinement of a predicted root accepts a root only by Brent's
// test: two trials of opposite sign at most tolx apart, the last of them
// (the root returned, whose structure is kept) with |f| <= tolf. A good
// prediction and slope converge in two or three trials; a poor slope, a
// slope of the wrong sign or no slope at all still converge or hand a
// valid bracket to Brent's method; a root outside the limits is lost.
TEST(SecantSearch, ConvergesByBrentsTestFromAPredictionAndKeepsTheBracketForSafety) {
    // A decreasing mismatch like the structure's: f > 0 below the root.
    const double root = 7.0e9;
    auto make = [&](double curvature) {
        return [=](double R) { const double d = R - root; return -2.0e22 * d - curvature * d * d; };
    };
    struct Case { double predicted, slope, probe, curvature; int most_trials; };
    const Case cases[] = {
        {root + 3e3, -2.0e22, 0, 0, 2},       // exact slope: one secant step
        {root - 4e4, -1.5e22, 0, 1e14, 4},     // slope 25 % off, curved
        {root + 4e5, 0.0, 1e5, 1e14, 5},       // no slope: a probe first
        {root + 4e4, +2.0e22, 1e5, 0, 8},      // slope of the wrong sign: not used
    };
    const Tolerances tol{7e3, 1e25};  // 1e-6 of a core radius and of a Jupiter mass
    auto policy = [](double Rmax, double predicted, double slope, double probe) {
        BracketPolicy p;
        p.Rmin = 1e9;
        p.Rmax = Rmax;
        p.predicted = predicted;
        p.slope = slope;
        p.probe = probe;
        return p;
    };
    Bracket b;
    double R = 0;
    int iterations = 0;
    for (const auto& c : cases) {
        const auto f0 = make(c.curvature);
        int trials = 0;
        double Rlast = 0, flast = 0;
        auto f = [&](double r, Trial) { ++trials; Rlast = r; flast = f0(r); return flast; };
        b = Bracket{};
        const SecantEnd end = secant_about_prediction(policy(1e11, c.predicted, c.slope, c.probe), f, tol, b, R, iterations);
        if (end == SecantEnd::converged) {
            EXPECT_EQ(R, Rlast);  // the root is the last trial
            EXPECT_LE(std::fabs(flast), tol.tolf);
            EXPECT_LE(b.Rhigh - b.Rlow, tol.tolx);
            EXPECT_TRUE(R == b.Rlow || R == b.Rhigh);
            EXPECT_LE(trials, c.most_trials) << c.predicted;
        } else {
            ASSERT_EQ(end, SecantEnd::bracketed) << c.predicted;
            EXPECT_TRUE(b.Rlow < root && b.Rhigh > root) << c.predicted;
        }
        if (flast != 0) {  // else an exact root, accepted alone
            EXPECT_TRUE(b.flow > 0 && b.fhigh < 0) << c.predicted;
        }
    }
    // A root beyond the upper limit: nothing to bracket.
    auto f = [&](double r, Trial) { return -2.0e22 * (r - root); };
    b = Bracket{};
    EXPECT_EQ(secant_about_prediction(policy(6e9, 5.9e9, -2.0e22, 0), f, tol, b, R, iterations), SecantEnd::lost);
}

TEST(Roche, HillRadiusOfTheEarthAndScaling) {
    // The Earth's Hill sphere reaches about 0.01 AU (1.5 million km).
    const double rh = roche(cst::Mearth, cst::Msun, cst::AU);
    EXPECT_NEAR(rh / 1e5, 1.5e6, 0.02e6);
    // Linear in the orbit, cube-root in the mass ratio.
    EXPECT_DOUBLE_EQ(roche(cst::Mearth, cst::Msun, 5.2 * cst::AU), 5.2 * rh);
    EXPECT_DOUBLE_EQ(roche(8 * cst::Mearth, cst::Msun, cst::AU), 2 * rh);
}

}  // namespace
}  // namespace velkaro::structure
