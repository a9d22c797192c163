// Two-tolerance Brent search and the Hill-sphere radius.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "run/context.hpp"
#include "structure/roche.hpp"
#include "structure/rootfind.hpp"

namespace velkaro::structure {
namespace {

struct QuietRun {
    RunContext ctx;
    std::ostringstream out;
    QuietRun() {
        ctx.out = &out;
        ctx.common.aff = false;
    }
};

TEST(Zbrent2tol, FindsKnownRoots) {
    QuietRun r;
    struct Case {
        double (*f)(double);
        double a, b, root;
    };
    const Case cases[] = {
        {[](double x) { return x * x - 2.0; }, 0.0, 2.0, std::sqrt(2.0)},
        {[](double x) { return std::cos(x) - x; }, 0.0, 1.0, 0.7390851332151607},  // Dottie number
        {[](double x) { return std::exp(x) - 10.0; }, 5.0, -3.0, std::log(10.0)},  // reversed bracket
        {[](double x) { return std::tanh(50.0 * (x - 0.3)); }, -1.0, 2.0, 0.3},     // kink-like
    };
    for (const auto& c : cases) {
        int calls = 0;
        auto f = [&](double x) {
            ++calls;
            return c.f(x);
        };
        const double tolx = 1e-12, tolf = 1e-10;
        const double x = zbrent2tol(r.ctx, f, c.a, c.b, tolx, tolf);
        EXPECT_NEAR(x, c.root, tolx) << c.root;
        EXPECT_LE(std::fabs(c.f(x)), tolf);
        // Two end evaluations, then one per iteration before the converged one.
        EXPECT_EQ(r.ctx.common.compteur_shooting, calls - 2);
        EXPECT_LT(calls, 40);  // superlinear, far from the 100-iteration limit
    }
}

TEST(Zbrent2tol, RootAtAnEndIsReturnedAtOnce) {
    QuietRun r;
    EXPECT_EQ(zbrent2tol(r.ctx, [](double x) { return x - 1.0; }, 1.0, 3.0, 1e-6, 1e-6), 1.0);
    EXPECT_EQ(zbrent2tol(r.ctx, [](double x) { return x - 1.0; }, -4.0, 1.0, 1e-6, 1e-6), 1.0);
    EXPECT_EQ(r.ctx.common.compteur_shooting, 0);
}

TEST(Zbrent2tol, BothTolerancesMustHold) {
    QuietRun r;
    // Infinitely steep at the root: a radius tolerance of 1e-2 alone would
    // leave |f| near 0.2; the mass tolerance forces |x - 0.3| below 1e-12.
    auto steep = [](double x) { return std::cbrt(x - 0.3); };
    const double xs = zbrent2tol(r.ctx, steep, 0.0, 1.0, 1e-2, 1e-4);
    EXPECT_LE(std::fabs(steep(xs)), 1e-4);
    EXPECT_LE(std::fabs(xs - 0.3), 1e-12);
    // With a loose f tolerance the same search is satisfied by the x tolerance.
    const double xl = zbrent2tol(r.ctx, steep, 0.0, 1.0, 1e-2, 10.0);
    EXPECT_LE(std::fabs(xl - 0.3), 1e-2);
    EXPECT_GT(std::fabs(steep(xl)), 1e-4);

    // Very flat at the root: |f| is tiny everywhere, so the x tolerance decides.
    auto flat = [](double x) { return 1e-12 * std::pow(x - 0.3, 3); };
    const double xf = zbrent2tol(r.ctx, flat, 0.0, 1.0, 1e-6, 1.0);
    EXPECT_LE(std::fabs(xf - 0.3), 1e-6);
}

TEST(Zbrent2tol, UnbracketedRootStopsTheRun) {
    QuietRun r;
    for (double fnan : {1.0, std::numeric_limits<double>::quiet_NaN()}) {
        auto f = [fnan](double x) { return x < 0.5 ? fnan : x * x + 1.0; };
        try {
            zbrent2tol(r.ctx, f, 0.0, 2.0, 1e-6, 1e-6);
            FAIL() << "expected a fatal stop";
        } catch (const FatalError& e) {
            ASSERT_EQ(e.lines().size(), 2u);
            EXPECT_EQ(e.lines()[0], " ERROR IN ZBRENT2TOL: root must be bracketed");
            std::istringstream in(e.lines()[1]);
            double x1 = -1, x2 = -1, f2 = -1;
            std::string s1;
            in >> x1 >> s1 >> x2 >> f2;
            EXPECT_EQ(x1, 0.0);
            EXPECT_EQ(x2, 2.0);
            EXPECT_EQ(f2, 5.0);
        }
    }
}

TEST(Zbrent2tol, JumpWithoutRootExhaustsTheIterations) {
    QuietRun r;
    // A sign change without a zero, and a mass tolerance below the jump: the
    // bracket shrinks to nothing but |f| never meets tolf.
    int calls = 0;
    auto jump = [&](double x) {
        ++calls;
        return x < 0.3 ? -1.0 : 1.0;
    };
    try {
        zbrent2tol(r.ctx, jump, 0.0, 1.0, 1e-6, 0.5);
        FAIL() << "expected a fatal stop";
    } catch (const FatalError& e) {
        ASSERT_EQ(e.lines().size(), 3u);
        EXPECT_EQ(e.lines()[0], " ERROR: zbrent2tol exceeding maximum iterations");
    }
    EXPECT_EQ(calls, 102);
}

TEST(Zbrent2tol, ReportsTheRootWhenVerbose) {
    QuietRun r;
    r.ctx.common.aff = true;
    const double R = 1.3 * cst::Rjup;
    auto mismatch = [R](double x) { return 1e-3 * cst::Mearth * (x - R) / cst::Rjup; };
    const double x = zbrent2tol(r.ctx, mismatch, cst::Rjup, 2 * cst::Rjup, 1e-6 * cst::Rjup, 1e-8 * cst::Mearth);
    EXPECT_NEAR(x / cst::Rjup, 1.3, 1e-6);
    const std::string out = r.out.str();
    std::istringstream lines(out);
    std::string l1, l2, l3;
    std::getline(lines, l1);
    std::getline(lines, l2);
    std::getline(lines, l3);
    EXPECT_EQ(l1.rfind(" Brave Brent found the structure at R/RJ", 0), 0u) << out;
    EXPECT_EQ(l2.rfind(" tolerance in M/Me, error in M/Me, ratio", 0), 0u) << out;
    EXPECT_EQ(l3.rfind(" tolerance in R/RJ, error in R/RJ, ratio", 0), 0u) << out;
    // The reported radius is the root in Jupiter radii.
    EXPECT_NEAR(std::stod(l1.substr(std::string(" Brave Brent found the structure at R/RJ").size())), 1.3, 1e-6);
}

TEST(Roche, HillRadiusOfTheEarthAndScaling) {
    // The Earth's Hill sphere reaches about 0.01 AU (1.5 million km).
    const double rh = roche(cst::Mearth, cst::Msun, cst::AU);
    EXPECT_NEAR(rh / cst::AU, 0.01, 0.0002);
    EXPECT_NEAR(rh / 1e5, 1.5e6, 0.02e6);
    // Linear in the orbit, cube-root in the mass ratio.
    EXPECT_DOUBLE_EQ(roche(cst::Mearth, cst::Msun, 5.2 * cst::AU), 5.2 * rh);
    EXPECT_DOUBLE_EQ(roche(8 * cst::Mearth, 8 * cst::Msun, cst::AU), rh);
    EXPECT_DOUBLE_EQ(roche(8 * cst::Mearth, cst::Msun, cst::AU), 2 * rh);
    EXPECT_EQ(roche(3.0, 1.0, 2.0), 2.0);
}

}  // namespace
}  // namespace velkaro::structure
