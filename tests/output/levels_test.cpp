// Pieces of the output that need no tables: the phase of water, the save
// times of the structure dumps, the tau = 2/3 and 1-bar levels and the
// convective zones of small hand-made envelopes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "output/context.hpp"
#include "output/output.hpp"

using namespace velkaro;
using namespace velkaro::output;

TEST(Waterpt, PhasesAtKnownStates) {
    struct Case {
        double p_pa, T, phase;
        const char* what;
    } cases[] = {
        {1e5, 300, 1, "liquid at room conditions"},
        {1e5, 250, 0, "ice Ih below the melting point"},
        {1e3, 400, 2, "vapour below the saturation pressure"},
        {1e8, 700, 3, "supercritical fluid"},
        {1e5, 900, 4, "outside the range covered"},
        {1e7, 647.096, -1, "exactly the critical temperature below the critical pressure"},
        // Boiling at 1 bar: 372.76 K (saturation pressure 1e5 Pa).
        {1e5, 372.5, 1, "just below the boiling point at 1 bar"},
        {1e5, 373.0, 2, "just above the boiling point at 1 bar"},
        // Sublimation below the triple point: 103 Pa over ice at 253 K.
        {50, 253, 2, "vapour below the sublimation pressure"},
        // Ice VI melts near 1 GPa at 300 K; ice VII near 2.2 GPa at 355 K.
        {5e8, 300, 1, "compressed liquid below the ice VI melting pressure"},
        {2e9, 300, 0, "ice VI"},
        {5e9, 400, 0, "ice VII"},
    };
    for (const auto& c : cases) EXPECT_EQ(waterpt(10 * c.p_pa, c.T), c.phase) << c.what;
}

namespace {

// An envelope of n shells with the profiles given per shell (from the base).
std::unique_ptr<PlanetState> envelope(const std::vector<double>& tau, const std::vector<double>& p_bar) {
    auto s = std::make_unique<PlanetState>();
    s->nf = static_cast<int>(tau.size());
    for (int i = 1; i <= s->nf; ++i) {
        s->x(kR, i) = 7e9 + 1e8 * i;
        s->x(kL, i) = 1e26 * i;
        s->x(kP, i) = p_bar[static_cast<std::size_t>(i - 1)] * 1e6;
        s->x(kT, i) = 100.0 * (s->nf + 1 - i);
        s->x(kTau, i) = tau[static_cast<std::size_t>(i - 1)];
        s->masse(i) = 1e30 + 1e27 * i;
    }
    return s;
}

}  // namespace

TEST(Levels, InterpolatedDefaultedOrTakenAtTheBase) {
    // tau = 2/3 between shells 3 and 4, 1 bar between shells 2 and 3.
    auto s = envelope({100, 10, 1, 0.5, 0.1}, {40, 10, 0.5, 0.2, 0.1});
    Level l23, l1;
    find_levels(*s, s->nf, l23, l1);
    // Linear in tau and in P between the shells: radius, temperature and mass
    // at the same fraction of their intervals (2/3 and 18/19 here).
    EXPECT_NEAR(l23.r, 7.3e9 + 2.0 / 3 * 1e8, 1e-3);
    EXPECT_NEAR(l23.m, 1e30 + 3e27 + 2.0 / 3 * 1e27, 1e15);
    EXPECT_NEAR(l1.T, 400 - 18.0 / 19 * 100, 1e-9);

    // Never crossed: tau stays above 2/3 and P above 1 bar up to the top.
    s = envelope({100, 10, 5}, {40, 10, 2});
    find_levels(*s, s->nf, l23, l1);
    EXPECT_EQ(l23.r, s->x(kR, 3));
    EXPECT_EQ(l23.m, s->masse(3));
    EXPECT_EQ(l23.P, 0.0);
    EXPECT_NEAR(l23.T, std::pow(3e26 / (cst::fourpi * 7.3e9 * 7.3e9 * cst::sigmaSB), 0.25), 1e-9);
    EXPECT_EQ(l1.r, 0.0);
    EXPECT_EQ(l1.T, 0.0);

    // The base already above both levels: shell-1 values.
    s = envelope({0.5, 0.3, 0.1}, {0.8, 0.5, 0.1});
    find_levels(*s, s->nf, l23, l1);
    for (const Level* l : {&l23, &l1}) {
        EXPECT_EQ(l->r, s->x(kR, 1));
        EXPECT_EQ(l->T, s->x(kT, 1));
    }

    // A single shell (bare core): both levels are shell 1.
    s = envelope({50}, {500});
    find_levels(*s, 1, l23, l1);
    EXPECT_EQ(l23.P, 5e8);
    EXPECT_EQ(l1.r, s->x(kR, 1));
}

TEST(ConvectiveZones, TopsAndFirstBoundary) {
    struct Case {
        std::vector<double> conv;
        int tops, rcb;
    } cases[] = {
        {{0, 0, 0, 0}, 0, 0},           // fully radiative
        {{1, 1, 1, 1}, 1, 0},           // fully convective: one zone, no boundary
        {{1, 1, 0, 0}, 1, 2},           // convective interior, radiative atmosphere
        {{1, 0, 1, 0, 1}, 2, 1},        // two detached zones below a convective top
        {{0, 1, 0, 1, 1, 0}, 2, 2},
    };
    for (const auto& c : cases) {
        const int n = static_cast<int>(c.conv.size());
        EXPECT_EQ(convective_tops(c.conv.data(), n), c.tops) << n;
        EXPECT_EQ(first_rcb(c.conv.data(), n), c.rcb) << n;
    }
}
