// Tidal migration: the equilibrium-tide decay law and its limits.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "processes/star.hpp"
#include "processes/tides.hpp"
#include "run/context.hpp"

using namespace velkaro;

namespace {

struct TideRun {
    std::ostringstream console;
    RunContext ctx;
    Vec1<double> masse{10};
    TideRun(bool tides = true) {
        ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
        ctx.out = &console;
        ctx.common.tides = tides;
        ctx.common.qstar = 1e6;
        masse(1) = 10 * cst::Mearth;
        masse(7) = cst::Mjup;  // the planet's total mass sits in the outer shell
    }
};

constexpr double kAge = 4.57e9 * cst::year;

}  // namespace

TEST(Tides, OffLeavesTheOrbitAlone) {
    TideRun r(false);
    r.ctx.path.path_fichiersdg = "/nonexistent/";  // the star is not even consulted
    for (double a : {0.01 * cst::AU, 1.0 * cst::AU, 1e9}) {
        EXPECT_EQ(processes::migratetides(r.ctx, kAge, 1e16, cst::Msun, r.masse, 7, a), a);
    }
    EXPECT_EQ(r.ctx.processes.tracks, nullptr);
    EXPECT_TRUE(r.console.str().empty());
}

TEST(Tides, RateScalesAsAToTheMinusElevenHalves) {
    const double rs = cst::Rsun, m = cst::Msun, mp = cst::Mjup;
    const double a = 0.03 * cst::AU;
    const double d1 = processes::tidal_dadt(m, rs, 1e6, mp, a);
    EXPECT_LT(d1, 0.0);  // the orbit shrinks
    EXPECT_NEAR(processes::tidal_dadt(m, rs, 1e6, mp, a / 2) / d1, std::pow(2.0, 5.5), 1e-12);
    // The same through a short step of the full routine.
    TideRun r;
    const double dt = 1e3 * cst::year;
    const double da1 = processes::migratetides(r.ctx, kAge, dt, m, r.masse, 7, a) - a;
    const double da2 = processes::migratetides(r.ctx, kAge, dt, m, r.masse, 7, a / 2) - a / 2;
    EXPECT_NEAR(da2 / da1, std::pow(2.0, 5.5), 1e-6);
}

TEST(Tides, SmallStepsFollowTheAnalyticDecay) {
    // With the star held fixed, da/dt = -K a^-5.5 integrates to
    // a^6.5 = a0^6.5 - 6.5 K t.
    TideRun r;
    const processes::StarProps st = processes::starprops(r.ctx, kAge, cst::Msun);
    const double K = 4.5 * std::sqrt(cst::G / cst::Msun) * std::pow(st.rstar, 5) * cst::Mjup / 1e6;
    const double a0 = 0.02 * cst::AU;
    const double tdecay = std::pow(a0, 6.5) / (6.5 * K);  // time to fall to a = 0
    const double t = 0.5 * tdecay;
    const int n = 20000;
    double a = a0;
    for (int i = 0; i < n; ++i) a = processes::migratetides(r.ctx, kAge, t / n, cst::Msun, r.masse, 7, a);
    const double exact = std::pow(std::pow(a0, 6.5) - 6.5 * K * t, 1.0 / 6.5);
    EXPECT_NEAR(a / exact, 1.0, 1e-4);
    EXPECT_LT(a, a0);
}

TEST(Tides, PlanetStopsAtTheStellarSurface) {
    TideRun r;
    const processes::StarProps st = processes::starprops(r.ctx, kAge, cst::Msun);
    // A step long enough to carry the planet through the star.
    EXPECT_EQ(processes::migratetides(r.ctx, kAge, 1e10 * cst::year, cst::Msun, r.masse, 7, 0.01 * cst::AU),
              st.rstar);
    // A step that is not a number also leaves it on the surface, never NaN.
    EXPECT_EQ(processes::migratetides(r.ctx, kAge, std::nan(""), cst::Msun, r.masse, 7, 0.01 * cst::AU), st.rstar);
}

TEST(Tides, DriverStepUsesThePreviousStructure) {
    TideRun r;
    auto s = std::make_unique<PlanetState>();
    s->temps = kAge;
    s->dt = 1e6 * cst::year;
    s->Mstar = cst::Msun;
    s->nfold = 7;
    s->masseold(7) = cst::Mjup;
    s->masse(7) = 100 * cst::Mjup;  // the current (cleared or new) grid is not used
    s->aold = 0.03 * cst::AU;
    processes::migratetides(r.ctx, *s);
    const double expect = processes::migratetides(r.ctx, kAge, s->dt, cst::Msun, r.masse, 7, s->aold);
    EXPECT_EQ(s->aplanete, expect);
    EXPECT_LT(s->aplanete, s->aold);
    // The step is reported on the console.
    const std::string out = r.console.str();
    for (const char* label : {"SBR migratetides", "dadt [AU/yr]", "da [AU]", "old a [AU]", "new a [AU]"})
        EXPECT_NE(out.find(label), std::string::npos) << label;

    r.ctx.common.tides = false;
    processes::migratetides(r.ctx, *s);
    EXPECT_EQ(s->aplanete, s->aold);
}
