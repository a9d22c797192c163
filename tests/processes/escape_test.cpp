// Atmospheric escape and the bare core: the saturated stellar fluxes, the
// energy-limited rate of a hot Neptune scaling with the flux, Roche-lobe
// overflow on a profile whose mass outside the lobe is known in closed form,
// complete loss, the regime number of model 20, the energy of the removed
// layers in the thin-layer limit, and the bare core's tidal spiral-in
// against the equilibrium-tide rate.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>

#include "processes/irradiation.hpp"
#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "processes/escape.hpp"
#include "processes/star.hpp"
#include "processes/tides.hpp"
#include "run/context.hpp"
#include "support/planet.hpp"
#include "run/views.hpp"

using namespace velkaro;
using processes::EscapeInput;
using processes::EscapeResult;
using processes::evapV1;
using velkaro::testing::StartedPlanet;

namespace {

constexpr double kGyr = 1e9 * cst::year;

// A hot Neptune (15 Earth masses of core, 2 of envelope) at 0.05 AU from a
// Sun-like star, started at 1 Gyr.
StartedPlanet& hot_neptune() {
    static StartedPlanet p({{1, "0.05  aplanete/AU"},
                            {2, "2.0  Menve/Mearth"},
                            {3, "15.0  Mcore/Mearth"},
                            {6, "1.0d-1  Linit/LJ"},
                            {14, "1.0d9  tstart/yr"}});
    return p;
}

EscapeInput input_at(double t_gyr, double a_au, double dt = 1e13) {
    return {.Y = 0.27, .a = a_au * cst::AU, .temps = t_gyr * kGyr, .dt = dt, .mstar = cst::Msun};
}

// A 10 Earth-mass planet whose mass grows linearly with radius from the core
// (1.5e9 cm) to the top (5e9 cm), isothermal at 500 K, pressure above one bar
// everywhere, optically thick: every level the escape looks for is known.
struct LinearPlanet {
    static constexpr int n = 201;
    static constexpr double Rc = 1.5e9, Rtop = 5e9, Mc = 9.0 * cst::Mearth, M = 10.0 * cst::Mearth;
    Vec1<double> masse{kMaxShells};
    Mat1<double> x{5, kMaxShells};
    LinearPlanet() {
        for (int i = 1; i <= n; ++i) {
            const double f = double(i - 1) / (n - 1);
            x(kR, i) = Rc + f * (Rtop - Rc);
            masse(i) = mass_at(x(kR, i));
            x(kL, i) = 1e24;
            x(kP, i) = 1e10 * std::exp(-8 * f);
            x(kT, i) = 500;
            x(kTau, i) = 1e6 * std::exp(-8 * f);
        }
        masse(n) = M;
    }
    static double mass_at(double r) { return Mc + (M - Mc) * (r - Rc) / (Rtop - Rc); }
};

// The escape's own settings (evapmodel as given) and console for the
// hand-made profile, with the hot Neptune's EOS tables: the shared planet's
// settings stay as they were read.
struct EscapeState {
    CommonModule common;
    GaslossModule gasloss;
    std::ostringstream out;
    Console io;
    explicit EscapeState(int model) {
        io.out = &out;
        gasloss.evapmodel = model;
    }
    EscapeResult rate(const EscapeInput& in, const LinearPlanet& p) {
        return evapV1(processes::EscapeModel{hot_neptune().ctx.eos, common, gasloss, io}, in, p.masse, p.x, p.n);
    }
};

double rel(double a, double b) { return std::fabs(a - b) / std::fabs(b); }

}  // namespace

TEST(Escape, FluxesSaturateBelowATenthOfAGyrAndJoinTheirLaws) {
    for (double t : {0.001, 0.05, 0.0999}) {
        const auto f = processes::stellar_xuv(t, 1.0);
        EXPECT_EQ(f.fxuv, 504.378364781138);
        EXPECT_EQ(f.feuv1, 4.56 * 10);
        EXPECT_EQ(f.feuv2, 106.01432234055318);
    }
    // The saturated values are the laws at 0.1 Gyr (FEUV2's law applies only
    // strictly above it).
    const auto f01 = processes::stellar_xuv(0.1, 1.0);
    EXPECT_LT(rel(f01.fxuv, 504.378364781138), 1e-12);
    EXPECT_LT(rel(processes::stellar_xuv(0.1 * (1 + 1e-12), 1.0).feuv2, 106.01432234055318), 1e-10);
    EXPECT_LT(rel(processes::stellar_lx(0.06918309709189363 * (1 + 1e-12)), 4.579980355524658e30), 1e-10);
}

TEST(Escape, EnergyLimitedRateScalesWithTheFluxAndSitsAboveTheOneBarLevel) {
    // Energy-limited escape, Mdot = eps pi F R_X^3 / (G M): at the same age
    // and structure the rate goes as the flux, 1/a^2, and the XUV is
    // absorbed above the 1-bar level and above the photosphere.
    StartedPlanet& p = hot_neptune();
    const PlanetState& s = *p.s;
    const EscapeResult near = evapV1(escape_model(p.ctx), input_at(1.0, 0.05), s.masse, s.x, s.nf);
    const EscapeResult far = evapV1(escape_model(p.ctx), input_at(1.0, 0.1), s.masse, s.x, s.nf);
    ASSERT_EQ(near.regime, 1);
    ASSERT_EQ(far.regime, 1);
    EXPECT_LT(rel(near.Mdot / far.Mdot, 4.0), 1e-9);
    EXPECT_GT(near.RX, near.Rph);
    int j1 = s.nf;
    while (j1 > 1 && s.x(kP, j1) < 1e6) --j1;
    EXPECT_GT(near.RX, s.x(kR, j1));
}

TEST(Escape, OverflowAndModel20OnAProfileOfKnownMass) {
    EscapeState e(20);
    LinearPlanet p;
    const double dt = 1e13;
    // At 0.01 AU the Hill radius of 10 Earth masses (~3.3e9 cm) lies inside
    // the planet: a fifth of the mass outside it goes in addition.
    const EscapeResult r = e.rate(input_at(1.0, 0.01, dt), p);
    ASSERT_TRUE(r.overflow);
    const double Mover = p.M - LinearPlanet::mass_at(r.RL);
    EXPECT_LT(rel(-r.Mdotover * dt, 0.2 * Mover), 1e-12);
    EXPECT_GT(r.dM, 0.2 * Mover);
    EXPECT_EQ(r.Mdot, -r.dM / dt);

    // Model 20 is energy limited, F_XUV / (a^2 K), whatever the regime the
    // flux test reports: F = 45.6 / a^2 below 0.1 Gyr is above 1e4 at
    // 0.05 AU, below at 0.1 AU; both planets fit in their lobes.
    const EscapeResult near = e.rate(input_at(0.05, 0.05, dt), p);
    const EscapeResult farr = e.rate(input_at(0.05, 0.1, dt), p);
    EXPECT_EQ(near.regime, 2);
    EXPECT_EQ(farr.regime, 1);
    EXPECT_FALSE(near.overflow || farr.overflow);
    EXPECT_EQ(near.Mdotover, 0.0);
    // Energy limited: the rate goes as the flux, 1/a^2, up to the Roche factor.
    const double K = processes::roche_factor(near.RL / near.RX);
    EXPECT_LT(rel(near.dM / farr.dM, 4.0 * processes::roche_factor(farr.RL / farr.RX) / K), 1e-12);
}

TEST(Escape, CompleteLossRemovesExactlyTheEnvelopeAndClearsTheFlag) {
    StartedPlanet& p = hot_neptune();
    PlanetState s = *p.s;  // a copy: the shared planet stays intact
    const double Menv = s.masse(s.nf) - s.masse(1);
    s.temps = 1.0 * kGyr;
    s.dt = 1e13;
    const double dM = evapV1(escape_model(p.ctx), input_at(1.0, 0.05), s.masse, s.x, s.nf).dM;
    ASSERT_GT(dM, 0);

    // Exactly menvemin left is not enough to be kept.
    const double saved = p.ctx.common.menvemin;
    p.ctx.common.menvemin = Menv - dM;
    p.ctx.gasloss.elost1 = 123.0;
    p.out.str("");
    processes::evap(escape_model(p.ctx), s);
    p.ctx.common.menvemin = saved;
    EXPECT_EQ(s.envelopeflag, 0.0);
    EXPECT_EQ(s.Mlost, Menv);
    EXPECT_EQ(p.ctx.gasloss.elost1, 123.0);  // no layer energy for a lost envelope
    EXPECT_NE(p.out.str().find("Envelope lost completely, t="), std::string::npos);
}

TEST(Escape, EnergyOfAThinRemovedLayerIsItsSpecificEnergyTimesItsMass) {
    StartedPlanet& p = hot_neptune();
    PlanetState s = *p.s;
    s.temps = 1.0 * kGyr;
    // A step short enough to remove a thin top layer.
    const double Menv = s.masse(s.nf) - s.masse(1);
    s.dt = 1e-7 * Menv / (-evapV1(escape_model(p.ctx), input_at(1.0, 0.05), s.masse, s.x, s.nf).Mdot);
    processes::evap(escape_model(p.ctx), s);
    ASSERT_EQ(s.envelopeflag, 1.0);
    eos::EosOut e;
    eos::eos(p.ctx.eos, 0.0, s.YHe, s.x(kP, s.nf), s.x(kT, s.nf), e);
    const double specific = e.u - cst::G * s.masse(s.nf) / s.x(kR, s.nf);
    EXPECT_LT(rel(p.ctx.gasloss.elost1 / s.Mlost, specific), 1e-2);
    EXPECT_LT(p.ctx.gasloss.elost1, 0.0);  // the gas was bound
}

namespace {

// A bare core of 5 Earth masses around the Sun at 4.57 Gyr with Q* = 1e5.
struct BareCore {
    std::ostringstream out;
    RunContext ctx;
    std::unique_ptr<PlanetState> s = std::make_unique<PlanetState>();
    double rstar = 0;
    BareCore(bool tides, double a_au, double tmax_yr) {
        ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
        ctx.console.out = &out;
        ctx.common.tides = tides;
        ctx.common.qstar = 1e5;
        s->Mstar = cst::Msun;
        s->temps = 4.57e9 * cst::year;
        s->tmax = tmax_yr * cst::year;
        s->aplanete = a_au * cst::AU;
        s->masse(1) = 5 * cst::Mearth;
        s->x(kR, 1) = 1.1e9;
        s->x(kT, 1) = 300;
        s->stopcode = 2;
        rstar = processes::starprops(host_star(ctx), s->temps, s->Mstar).rstar;
    }
};

}  // namespace

TEST(BareCore, SpiralInFollowsTheEquilibriumTide) {
    // d(a^6.5)/dt = 6.5 a^5.5 da/dt is the same at every a.
    BareCore b(true, 0.02, 1e10);
    const auto sp = processes::spiral_in(0, 0.02 * cst::AU, cst::Msun, b.rstar, 1e5, 5 * cst::Mearth);
    for (double a_au : {0.005, 0.02, 0.1}) {
        const double a = a_au * cst::AU;
        const double dadt = processes::tidal_dadt(cst::Msun, b.rstar, 1e5, 5 * cst::Mearth, a);
        EXPECT_LT(rel(-6.5 * std::pow(a, 5.5) * dadt, sp.k), 1e-12) << a_au;
    }

    // 0.02 AU: t_spiral is about 4.57 Gyr + 150 Myr. {tides, tmax [yr], spirals in}
    for (auto [tides, tmax_yr, spirals] : {std::tuple{false, 1e10, false}, {true, 4.6e9, false}, {true, 1e10, true}}) {
        BareCore bc(tides, 0.02, tmax_yr);
        PlanetState& s = *bc.s;
        const double t0 = s.temps, a0 = s.aplanete;
        processes::noenveend(host_star(bc.ctx), bc.ctx.common, bc.ctx.console, s);
        const auto spc = processes::spiral_in(t0, a0, cst::Msun, bc.rstar, 1e5, s.masse(1));
        const std::string o = bc.out.str();
        EXPECT_NE(o.find("SBR NOENVEEND"), std::string::npos);
        EXPECT_EQ(o.find("Core has spiraled into the star") != std::string::npos, spirals);
        EXPECT_EQ(s.stopcode, spirals ? 12 : 2);
        if (!tides) {
            EXPECT_EQ(s.temps, t0);
            EXPECT_EQ(s.aplanete, a0);
        } else if (spirals) {
            EXPECT_EQ(s.temps, spc.tspiral);
            EXPECT_EQ(s.aplanete, bc.rstar);
        } else {
            EXPECT_EQ(s.temps, s.tmax);
            EXPECT_GT(s.aplanete, bc.rstar);
            EXPECT_LT(s.aplanete, a0);
        }
    }

    // A core already at the stellar surface is not reported as spiralling in,
    // and an end time before the loss does not turn the clock back.
    BareCore in(true, 0.02, 1e9);
    in.s->aplanete = in.rstar;
    const double t0 = in.s->temps;
    processes::noenveend(host_star(in.ctx), in.ctx.common, in.ctx.console, *in.s);
    EXPECT_EQ(in.out.str().find("Core has spiraled"), std::string::npos);
    EXPECT_EQ(in.s->stopcode, 2);
    EXPECT_EQ(in.s->temps, t0);
}
