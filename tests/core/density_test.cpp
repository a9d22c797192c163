// Core density: the built-in table (its published entries, its shape and
// its agreement with an independent computation) and the corrections for
// rock-rich and hot cores.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "common/fatal.hpp"
#include "core/core.hpp"
#include "run/context.hpp"

using namespace velkaro;
using namespace velkaro::core;

namespace {

constexpr double kMearth = 5.97424e27;

// Table value at mass, pressure and ice indices (one-based).
double node(const CoreTables& t, int iM, int iP, int iF) { return t.denscyr(209 * (iM - 1) + 11 * (iP - 1) + iF); }

struct Quiet {
    std::ostringstream out;
    RunContext ctx;
    Quiet() { ctx.out = &out; }
};

// Density of a core under a shell with pressure P and temperature T.
double density(RunContext& ctx, double M, double fice, double P, double T) {
    const double shell[5] = {1e9, 0.0, P, T, 0.0};
    double rho = 0;
    driverhocore(ctx, shell, M, fice, rho);
    return rho;
}

}  // namespace

TEST(CoreTable, HoldsThePublishedEntries) {
    const auto t = build_core_tables();
    struct Row {
        int iM, iP;
        double f0, f05, f1;
    };
    // Mass index (0.1, 1, 10, 1000 Earth masses = 1, 5, 10, 20), pressure
    // index (log10 P = -1, 10, 17 -> 1, 12, 19).
    const Row rows[] = {{1, 1, 5.466, 2.564, 1.672},  {1, 19, 802.6, 619.1, 503.6}, {5, 1, 6.276, 3.017, 1.982},
                        {5, 12, 6.293, 3.05, 2.009},  {10, 1, 8.862, 4.445, 2.968}, {20, 1, 167.4, 83.1, 49.19},
                        {20, 19, 1097.0, 771.0, 585.6}};
    for (const auto& r : rows) {
        EXPECT_EQ(node(*t, r.iM, r.iP, 1), r.f0) << r.iM << " " << r.iP;
        EXPECT_EQ(node(*t, r.iM, r.iP, 6), r.f05) << r.iM << " " << r.iP;
        EXPECT_EQ(node(*t, r.iM, r.iP, 11), r.f1) << r.iM << " " << r.iP;
    }
    // Rows of the interpolation table carry their grid point.
    EXPECT_EQ(t->tab(209 * 4 + 11 * 1 + 6, 1), kMearth);
    EXPECT_EQ(t->tab(209 * 4 + 11 * 1 + 6, 2), 0.0);
    EXPECT_NEAR(t->tab(209 * 4 + 11 * 1 + 6, 3), 0.5, 1e-15);
    EXPECT_EQ(t->tab(4180, 4), 585.6);
}

TEST(CoreTable, FallsWithIceRisesWithMassAndPressure) {
    const auto t = build_core_tables();
    int bad = 0;
    for (int iM = 1; iM <= 20; ++iM)
        for (int iP = 1; iP <= 19; ++iP)
            for (int iF = 1; iF <= 11; ++iF) {
                const double v = node(*t, iM, iP, iF);
                if (!(v > 0 && std::isfinite(v))) ++bad;
                if (iF < 11 && !(node(*t, iM, iP, iF + 1) < v)) ++bad;
                if (iM < 20 && !(node(*t, iM + 1, iP, iF) > v)) ++bad;
                if (iP < 19 && !(node(*t, iM, iP + 1, iF) >= v)) ++bad;
            }
    EXPECT_EQ(bad, 0);
    // Compression by the external pressure is strong at the top of the grid.
    EXPECT_GT(node(*t, 5, 19, 1), 50 * node(*t, 5, 1, 1));
}

TEST(CoreTable, AgreesWithAnIndependentComputationOfTheSameModel) {
    std::ifstream in(VELKARO_SHARED_DIR "/data/core/reference_core_density_table.txt");
    if (!in) GTEST_SKIP() << "reference table not available";
    const auto t = build_core_tables();
    std::string line;
    int rows = 0;
    double worst_low = 0, worst = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream is(line);
        int iM, iP, iF;
        double m, lp, f, rho;
        ASSERT_TRUE(is >> iM >> iP >> iF >> m >> lp >> f >> rho) << line;
        const double rel = std::abs(node(*t, iM, iP, iF) / rho - 1.0);
        worst = std::max(worst, rel);
        if (m <= 10.0) worst_low = std::max(worst_low, rel);
        ++rows;
    }
    EXPECT_EQ(rows, 4180);
    // The published entries lie up to 1 % above the model at 1000 Earth
    // masses and low pressure; the table follows them there.
    EXPECT_LT(worst_low, 3e-3);
    EXPECT_LT(worst, 1.2e-2);
}

TEST(CoreDensity, RockRichCoresAreReducedByUpTo1Point05Cubed) {
    Quiet q;
    for (double M : {0.3 * kMearth, 4.0 * kMearth, 150.0 * kMearth})
        for (double P : {1.0, 3e11, 5e14}) {
            auto ratio = [&](double f) {
                double table = 0, merged = 0;
                mcrad(q.ctx, 2, 0, M, P, f, table);
                mergedradiicore(q.ctx, 2, 0, M, P, f, merged);
                return table / merged;
            };
            EXPECT_NEAR(ratio(0.0), 1.157625, 1e-12);
            EXPECT_NEAR(ratio(0.1), 0.5 * (1.0 + 1.157625), 1e-12);
            EXPECT_EQ(ratio(0.2), 1.0);
            EXPECT_EQ(ratio(0.7), 1.0);
        }
}

TEST(CoreDensity, ThermalExpansionRelativeTo300K) {
    Quiet q;
    const double M = 7.3 * kMearth;
    for (double f : {0.0, 0.35, 1.0}) {
        double cold = 0;
        mergedradiicore(q.ctx, 2, 0, M, 1e13, f, cold);
        EXPECT_DOUBLE_EQ(density(q.ctx, M, f, 1e13, 300.0), cold);
        // At 1e13 dyn/cm2 the coefficients are 4e-6 (ice) and 2e-6 (rock) per K.
        const double alpha = f * 4e-6 + (1 - f) * 2e-6;
        EXPECT_NEAR(density(q.ctx, M, f, 1e13, 5300.0), cold / (1 + alpha * 5000.0), 1e-12 * cold);
        EXPECT_LT(density(q.ctx, M, f, 1e13, 8000.0), density(q.ctx, M, f, 1e13, 2000.0));
        EXPECT_GT(density(q.ctx, M, f, 1e13, 100.0), cold);
    }
    // Low pressure: both coefficients at their caps.
    double cold = 0;
    mergedradiicore(q.ctx, 2, 0, M, 1e6, 0.5, cold);
    EXPECT_NEAR(density(q.ctx, M, 0.5, 1e6, 1300.0), cold / (1 + (0.5e-4 + 0.75e-5) * 1000.0), 1e-12 * cold);
}

TEST(CoreDensity, PressureBelowOneCountsAsOne) {
    Quiet q;
    const double M = 2.5 * kMearth;
    for (double f : {0.0, 0.45}) {
        const double ref = density(q.ctx, M, f, 1.0, 1500.0);
        EXPECT_EQ(density(q.ctx, M, f, 0.3, 1500.0), ref);
        EXPECT_EQ(density(q.ctx, M, f, -7.0, 1500.0), ref);
        EXPECT_EQ(density(q.ctx, M, f, NAN, 1500.0), ref);
        // The table itself is read at log10 P = 0 then; a direct call with P
        // below 0.1 (or not a number) reads it at log10 P = -1.
        double at0 = 0, atm1 = 0, nan = 0, below = 0;
        mcrad(q.ctx, 2, 0, M, 1.0, f, at0);
        mcrad(q.ctx, 2, 0, M, 0.1, f, atm1);
        mcrad(q.ctx, 2, 0, M, 0.01, f, below);
        mcrad(q.ctx, 2, 0, M, NAN, f, nan);
        EXPECT_EQ(below, atm1);
        EXPECT_EQ(nan, atm1);
        EXPECT_NEAR(at0, atm1, 1e-9 * at0);  // no compression at these pressures
    }
    // A temperature below 1 K (or not a number) counts as 1 K.
    EXPECT_EQ(density(q.ctx, M, 0.2, 1e9, 0.2), density(q.ctx, M, 0.2, 1e9, 1.0));
    EXPECT_EQ(density(q.ctx, M, 0.2, 1e9, NAN), density(q.ctx, M, 0.2, 1e9, 1.0));
}

TEST(CoreDensity, GridNodeAndTableEdges) {
    Quiet q;
    const auto t = build_core_tables();
    // One Earth mass, P = 1, pure rock, 300 K: node (5, 2, 1) over 1.157625.
    EXPECT_NEAR(density(q.ctx, kMearth, 0.0, 1.0, 300.0), node(*t, 5, 2, 1) / 1.157625, 1e-13);
    // Every node comes back from the cubic interpolation.
    for (int iM : {1, 7, 14, 20})
        for (int iP : {1, 9, 19})
            for (int iF : {1, 4, 11}) {
                double rho = 0;
                mcrad(q.ctx, 2, 0, t->grid(iM, 1), std::pow(10.0, t->grid(iP, 2)), t->grid(iF, 3), rho);
                EXPECT_NEAR(rho, node(*t, iM, iP, iF), 1e-12 * rho);
            }
    // Beyond the grid the values on its faces are taken.
    double big = 0, edge = 0, hard = 0, top = 0;
    mcrad(q.ctx, 2, 0, 3000 * kMearth, 1e20, 1.4, big);
    mcrad(q.ctx, 2, 0, 1000 * kMearth, 1e17, 1.0, edge);
    EXPECT_EQ(big, edge);
    EXPECT_EQ(edge, 585.6);
    mcrad(q.ctx, 2, 0, 1e20, 1e3, 0.0, hard);
    mcrad(q.ctx, 2, 0, 0.1 * kMearth, 1e3, 0.0, top);
    EXPECT_EQ(hard, top);
    // Between nodes the interpolated density keeps the table's trends.
    double a = 0, b = 0, c = 0;
    mcrad(q.ctx, 2, 0, 4 * kMearth, 3e9, 0.25, a);
    mcrad(q.ctx, 2, 0, 6 * kMearth, 3e9, 0.25, b);
    mcrad(q.ctx, 2, 0, 6 * kMearth, 3e9, 0.35, c);
    EXPECT_LT(a, b);
    EXPECT_GT(b, c);
}

TEST(CoreDensity, CallCounterAndFailures) {
    Quiet q;
    q.ctx.common.ifirstrhocore = 1;
    density(q.ctx, kMearth, 0.1, 1e8, 1000.0);
    density(q.ctx, kMearth, 0.1, 1e8, 1000.0);
    EXPECT_EQ(q.ctx.common.ifirstrhocore, 3);
    EXPECT_TRUE(q.out.str().empty());  // quiet: verbose is off in these calls
    for (double M : {0.0, -1.0, std::nan("")}) {
        try {
            density(q.ctx, M, 0.1, 1e8, 1000.0);
            FAIL() << "mass " << M << " accepted";
        } catch (const FatalError& e) {
            EXPECT_EQ(e.lines()[0].rfind(" SBR MCRAD: ERROR: Mass not positive or ice fraction less than 0", 0), 0u);
        }
    }
    EXPECT_THROW(density(q.ctx, kMearth, -0.01, 1e8, 1000.0), FatalError);
}

TEST(CoreDensity, VerboseTableReport) {
    Quiet q;
    double rho = 0;
    mcrad(q.ctx, 1, 1, kMearth, 1e5, 0.3, rho);
    const std::string s = q.out.str();
    EXPECT_NE(s.find("sbr MCRAD"), std::string::npos);
    EXPECT_NE(s.find("The lenght of the table is        4180"), std::string::npos);
    EXPECT_NE(s.find("Interpolation finished. Dens:"), std::string::npos);
}

TEST(CoreDensity, RunsAreIndependentAndMayShareTheTable) {
    // Two planets in two threads, one with a table handed in, give the
    // results of one planet alone.
    Quiet alone;
    const double expect = density(alone.ctx, 12 * kMearth, 0.4, 2e11, 2500.0);
    Quiet a, b;
    b.ctx.core.tables = build_core_tables();
    double ra = 0, rb = 0;
    std::thread ta([&] { ra = density(a.ctx, 12 * kMearth, 0.4, 2e11, 2500.0); });
    std::thread tb([&] { rb = density(b.ctx, 12 * kMearth, 0.4, 2e11, 2500.0); });
    ta.join();
    tb.join();
    EXPECT_EQ(ra, expect);
    EXPECT_EQ(rb, expect);
}
