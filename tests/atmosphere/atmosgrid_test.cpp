// The atmosphere entropy grid S(g, Teff) and the grey atmospheres it is made
// of: the committed file is reproduced by the generator, it behaves as
// interior entropies must, it agrees with published giant-planet models and
// the outer boundary can invert every entropy in it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "atmosphere/entropy_grid.hpp"
#include "atmosphere/grey_atmosphere.hpp"
#include "eos/eos.hpp"
#include "eos/eos_test_util.hpp"

using namespace velkaro;
using namespace velkaro::atmosphere;

namespace {

const std::string kGridFile = std::string(VELKARO_DATA_DIR) + "/atmos/loggTeff_S_Burrows97_umint.dat";
const std::string kEntropyFile = std::string(VELKARO_DATA_DIR) + "/eos/table_HHeH2OpartIonZ0000.dat";

// Entropy unit conversion. Marleau & Cumming give k_B per baryon (taken as
// one atomic mass unit); the grid and the entropy table, like their (SCvH)
// entropies, include the nuclear-spin entropy of the protons.
double per_baryon(double s_kB_per_mH) { return s_kB_per_mH * cst::amu / kHydrogenAtomMass; }

class AtmosGridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tables_ = eostest::shipped();
        grid_ = read_atmos_grid(kGridFile);
        stable_ = read_entropy_table(kEntropyFile);
    }
    static std::shared_ptr<const eos::EosTables> tables_;
    static std::shared_ptr<const AtmosGrid> grid_;
    static std::shared_ptr<const EntropyTable> stable_;
};
std::shared_ptr<const eos::EosTables> AtmosGridTest::tables_;
std::shared_ptr<const AtmosGrid> AtmosGridTest::grid_;
std::shared_ptr<const EntropyTable> AtmosGridTest::stable_;

std::vector<std::string> file_lines(const std::string& file) {
    std::ifstream in(file);
    std::vector<std::string> v;
    std::string l;
    while (std::getline(in, l)) v.push_back(l + "\n");
    return v;
}

}  // namespace

TEST_F(AtmosGridTest, GeneratorReproducesCommittedLines) {
    // A few grid points, recomputed, give the committed lines character for
    // character: corners, the interior, and one point that is radiative at
    // the bottom (high gravity, Teff near 150 K).
    const auto lines = file_lines(kGridFile);
    ASSERT_EQ(lines.size(), 5001u);
    const GridSpan span;
    GreyAtmosphere atm(tables_, GreySettings{});
    const std::array<std::array<int, 2>, 6> pts = {{{1, 1}, {1, 100}, {50, 1}, {50, 100}, {23, 47}, {50, 24}}};
    bool saw_radiative = false;
    for (const auto& p : pts) {
        const GreyResult r = atm.solve(span.g(p[0]), span.teff(p[1]));
        saw_radiative = saw_radiative || !r.convective;
        EXPECT_EQ(grid_line(span.g(p[0]), span.teff(p[1]), r.s), lines[static_cast<std::size_t>((p[0] - 1) * 100 + p[1])])
            << "grid point " << p[0] << ", " << p[1];
    }
    EXPECT_TRUE(saw_radiative);
    // The header states the settings and the count of radiative points.
    EXPECT_NE(lines[0].find("Y=0.27"), std::string::npos);
    EXPECT_NE(lines[0].find("points radiative at 1e+10"), std::string::npos);
}

TEST_F(AtmosGridTest, EntropyRisesWithTeffFallsWithGravityAndTheBoundaryInvertsIt) {
    // Every entropy of the grid is inverted by the outer boundary (the
    // entropy table at 100 bar) without a failing bisection.
    const AtmosGrid& g = *grid_;
    for (int i = 1; i <= AtmosGrid::ngrav; ++i)
        for (int j = 1; j <= AtmosGrid::nteff; ++j) {
            SCOPED_TRACE("log g " + std::to_string(g.loggs(i)) + ", log Teff " + std::to_string(g.tefflinlogs(j)));
            if (j < AtmosGrid::nteff) {
                ASSERT_GT(g.entro(i, j + 1), g.entro(i, j));
            }
            if (i < AtmosGrid::ngrav) {
                ASSERT_LT(g.entro(i + 1, j), g.entro(i, j));
            }
            ASSERT_NO_THROW((void)temperature_from_table(*stable_, kBoundaryPressure, g.entro(i, j)));
        }
}

TEST_F(AtmosGridTest, AgreesWithPublishedInteriorEntropies) {
    // log g, Teff [K], interior entropy [k_B/baryon] and tolerance. First
    // Jupiter (log g = 3.4, intrinsic Teff = 100 K): SCvH-based Jupiter
    // models have about 6 k_B per baryon, nuclear-spin entropy included.
    // Then six models of Marleau & Cumming (2014, grid3S): within 0.3 up to
    // 1600 K; above, their higher opacity near 2500 K makes their entropy larger.
    const std::array<std::array<double, 4>, 7> models = {{{3.4, 100.0, 6.0, 0.3},
                                                        {3.3486, 157.14, 7.1, 0.3},
                                                        {3.9186, 308.38, 7.7, 0.3},
                                                        {3.5073, 492.54, 8.8, 0.3},
                                                        {3.9628, 994.24, 9.3, 0.3},
                                                        {3.9382, 1559.60, 10.0, 0.3},
                                                        {3.2596, 2057.45, 11.7, 0.5}}};
    for (const auto& m : models)
        EXPECT_NEAR(per_baryon(entropy_from_grid(*grid_, std::pow(10.0, m[0]), m[1])), m[2], m[3])
            << "log g " << m[0] << ", Teff " << m[1];
}
