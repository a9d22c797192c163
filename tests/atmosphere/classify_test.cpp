// Shell classification for the structure dumps: it must agree with the
// envelope's own Schwarzschild test, switch exactly where the radiative
// gradient reaches the adiabatic one, and report the gradient it follows.
#include <gtest/gtest.h>

#include <sstream>

#include "atmosphere/classify.hpp"
#include "eos/eos.hpp"

using namespace velkaro;

namespace {

struct Shell : ::testing::Test {
    eos::EosContext ec;
    OpacityModule opacity;
    CommonModule common;
    opacity::OpacityContext gas;
    const opacity::OpacityLaw opa{opacity, common, gas};
    Console io;
    std::ostringstream out;
    // A shell in a young Jupiter's envelope.
    double P = 1e10, T = 3000, m = 1.9e30, r = 9e9, Y = 0.27;
    void SetUp() override {
        io.out = &out;
        PathModule path;
        path.path_tableseos = std::string(VELKARO_DATA_DIR) + "/eos/";
        eos::loadeos(ec, path);
    }
};

}  // namespace

TEST_F(Shell, SwitchesWhereTheRadiativeGradientReachesTheAdiabat) {
    // The radiative gradient is proportional to L: find the L where the two
    // gradients are equal and classify just below and above it.
    const auto probe = atmosphere::calcconvradwithdb(ec, opa, io, P, T, 1e24, m, Y, 0.0, 10.0, r);
    const double Lstar = 1e24 * probe.nabla_ad / probe.nabla;
    const auto below = atmosphere::calcconvradwithdb(ec, opa, io, P, T, Lstar * (1 - 1e-9), m, Y, 0.0, 10.0, r);
    const auto above = atmosphere::calcconvradwithdb(ec, opa, io, P, T, Lstar * (1 + 1e-9), m, Y, 0.0, 10.0, r);
    EXPECT_EQ(below.cls, 'R');
    EXPECT_EQ(below.regime, 5);
    EXPECT_EQ(above.cls, 'C');
    EXPECT_EQ(above.regime, 6);
    // The envelope's own test agrees on both sides (opacityscale 1).
    EXPECT_EQ(atmosphere::convrad(ec, opa, P, T, Lstar * (1 - 1e-9), m, Y, 0.0), 'R');
    EXPECT_EQ(atmosphere::convrad(ec, opa, P, T, Lstar * (1 + 1e-9), m, Y, 0.0), 'C');
    // At the switch the two temperature gradients meet: radiative diffusion
    // and the adiabat give the same dT/dr.
    EXPECT_NEAR(below.dTdr / above.dTdr, 1.0, 1e-6);
    EXPECT_LT(above.dTdr, 0);
    EXPECT_TRUE(out.str().empty());
    // A negative depth is reported; the shell is classified all the same.
    EXPECT_EQ(atmosphere::calcconvradwithdb(ec, opa, io, P, T, 1e30, m, Y, 0.0, -1.0, r).cls, 'C');
    EXPECT_NE(out.str().find("PROBLEME in sbr calcconvradwithdb: Tau negative"), std::string::npos);
}
