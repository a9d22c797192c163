// Outer boundary and its adiabat, on synthetic tables whose interpolants are
// known exactly: an atmosphere grid linear in (log g, log Teff) and an
// entropy table linear in (log T, log P), so that S(g, Teff) and T(P, S) have
// closed forms to compare with.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "atmosphere/boundary.hpp"
#include "atmosphere/entropy_grid.hpp"
#include "atmosphere/opacity_ratios.hpp"
#include "common/fatal.hpp"
#include "support/fatal_text.hpp"

using namespace velkaro;
using namespace velkaro::atmosphere;
using velkaro::testing::fatal_text;

namespace {

// Synthetic laws [k_B/m_H].
double grid_S(double logg, double logteff) { return 7.0 - 0.3 * logg + 1.2 * logteff; }
double table_S(double logt, double logp) { return 5.0 + 2.5 * logt - 0.6 * logp; }
double adiabat_T(double P, double S) { return std::pow(10.0, (S - 5.0 + 0.6 * std::log10(P)) / 2.5); }

class SyntheticTables : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("velkaro-atm-" + std::to_string(rd()));
        std::filesystem::create_directories(dir / "data" / "atmos");
        std::filesystem::create_directories(dir / "eos");
        {
            std::ofstream f(dir / "data" / "atmos" / "loggTeff_S_Burrows97_umint.dat");
            f << "g Teff S (synthetic)\n";
            f.precision(17);
            for (int i = 1; i <= 50; ++i)
                for (int j = 1; j <= 100; ++j) {
                    const double lg = 1.0 + 4.5 * (i - 1) / 49.0, lt = std::log10(20.0) + (std::log10(4000.0) - std::log10(20.0)) * (j - 1) / 99.0;
                    f << std::pow(10.0, lg) << ' ' << std::pow(10.0, lt) << ' ' << grid_S(lg, lt) << '\n';
                }
        }
        {
            std::ofstream f(dir / "eos" / "table_HHeH2OpartIonZ0000.dat");
            f.precision(17);
            for (int k = 1; k <= 221; ++k)
                for (int l = 1; l <= 201; ++l) {
                    const double lt = 1.0 + 7.0 * (k - 1) / 220.0, lp = -2.0 + 0.1 * (l - 1);
                    f << lt << ' ' << lp << " 0 " << table_S(lt, lp) << '\n';
                }
        }
        path.rundir = dir;
        io.out = &out;
        path.path_fichiersdg = "data/";
        path.path_tableseos = "eos";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
    std::ostringstream out;
    // What the boundary reads and changes, and nothing else of a run.
    AtmosphereContext tables;
    PathModule path;
    DbdboundaryModule boundary;
    DbdtempModule temps;
    DualbandModule dualband;
    eos::EosContext eos;
    OpacityModule opacity;
    CommonModule common;
    opacity::OpacityContext gas;
    Console io;
    BoundaryModel bm{tables, path, boundary, temps, dualband, eos, {opacity, common, gas}, io};
};

}  // namespace

TEST_F(SyntheticTables, GridEntropyIsBilinearAndExtrapolatesTheEdgeCell) {
    // Inside the grid and outside it (extrapolated along the edge cell, never clamped).
    for (double g : {1.0, 2500.0, 1e7})
        for (double teff : {10.0, 99.0, 4000.0, 8000.0})
            EXPECT_NEAR(entropie_von_gravteff_reggitt(tables, path, g, teff), grid_S(std::log10(g), std::log10(teff)), 1e-11);
}

TEST_F(SyntheticTables, AdiabatInversionRoundTrips) {
    for (double P : {1e2, 1e8, 1e12})
        for (double T : {150.0, 900.0, 5000.0})
            EXPECT_NEAR(temperaturausdruckundentropie(tables, path, P, table_S(std::log10(T), std::log10(P))) / T, 1.0, 1e-9);
    // The ends of the pressure axis use their own column alone; S = 6.67 at
    // 100 bar has a first estimate above the root: the search restarts at 100 K.
    for (auto [P, S] : {std::pair{1e-2, 12.0}, {1e18, 5.0}, {1e8, 6.67}})
        EXPECT_NEAR(temperaturausdruckundentropie(tables, path, P, S) / adiabat_T(P, S), 1.0, 1e-9);
}

TEST_F(SyntheticTables, UnitChecksStopBeforeAnyTableIsRead) {
    path.path_tableseos = "nowhere";  // a read would fail differently
    const std::pair<double, double> bad[] = {{1e8, 0.999}, {1e8, 100.001}, {0.0, 8.0}, {1e19, 8.0}, {std::nan(""), 8.0}};
    const char* why[] = {"Problem mit den Entropieeinheiten", "S < 1 oder S > 100", "Nonpositive pressure",
                         "P verdaechtig GROSS", "is NAN"};
    for (int k = 0; k < 5; ++k)
        EXPECT_NE(fatal_text([&] { temperaturausdruckundentropie(tables, path, bad[k].first, bad[k].second); }).find(why[k]),
                  std::string::npos);
    // S = 1 and S = 100 pass the checks and then need the (missing) table.
    for (double S : {1.0, 100.0})
        EXPECT_NE(fatal_text([&] { temperaturausdruckundentropie(tables, path, 1e8, S); }).find("nowhere/table_HHeH2OpartIonZ0000.dat"),
                  std::string::npos);
}

// A trial radius of a structure search must not stop the run where the
// exact inversion has no answer: on the synthetic table S = 0.2 + 2.5 log T
// at 100 bar, an entropy below that of 100 K (5.2), or below 1, is raised to
// it; a root above the first bracket (log T = 5.42) but inside the table is
// found by moving the bracket's top. Everywhere else the trial inversion is
// the exact one, bit for bit, and says it did not clamp.
TEST_F(SyntheticTables, TrialInversionClampsOnlyWhereTheExactOneStops) {
    load_entropy_tables(tables, path);
    const EntropyTable& table = *tables.stable;
    const double P = 1e8;
    bool clamped = true;
    for (double S : {5.3, 6.67, 9.0, 13.0}) {
        EXPECT_EQ(trial_temperature_from_table(table, P, S, clamped), temperature_from_table(table, P, S)) << S;
        EXPECT_FALSE(clamped) << S;
    }
    struct Case {
        double S, T;          // entropy, trial temperature
        const char* message;  // of the exact inversion
    };
    const Case cases[] = {{4.0, 100.0, "Problem bei der Bisektion"},
                          {-3.0, 100.0, "Problem mit den Entropieeinheiten"},
                          {15.0, std::pow(10.0, (15.0 - 0.2) / 2.5), "Problem bei der Bisektion"}};
    for (const Case& c : cases) {
        clamped = false;
        EXPECT_NEAR(trial_temperature_from_table(table, P, c.S, clamped) / c.T, 1.0, 1e-9) << c.S;
        EXPECT_TRUE(clamped) << c.S;
        EXPECT_NE(fatal_text([&] { temperature_from_table(table, P, c.S); }).find(c.message), std::string::npos) << c.S;
    }
    // What no clamp mends still stops a trial.
    EXPECT_NE(fatal_text([&] { trial_temperature_from_table(table, P, std::nan(""), clamped); }).find("is NAN"),
              std::string::npos);
}

TEST_F(SyntheticTables, BadTablesAreRefusedWithTheirName) {
    std::ofstream(dir / "data" / "atmos" / "loggTeff_S_Burrows97_umint.dat", std::ios::app) << "1 2 3\n";
    EXPECT_NE(fatal_text([&] { entropie_von_gravteff_reggitt(tables, path, 100.0, 100.0); })
                  .find("loggTeff_S_Burrows97_umint.dat: holds more than the 5000 data lines"),
              std::string::npos);
    std::filesystem::resize_file(dir / "eos" / "table_HHeH2OpartIonZ0000.dat", 1000);
    EXPECT_NE(fatal_text([&] { temperaturausdruckundentropie(tables, path, 1e8, 8.0); }).find("table_HHeH2OpartIonZ0000.dat: "),
              std::string::npos);
}

TEST_F(SyntheticTables, BoundaryLiesOnTheAdiabatAt100Bar) {
    const double R = 7.14e9, M = 1.898783598618282e30, L = 3.3498660000000005e24;
    const OuterBoundary b = condextmaxstatic(bm, R, M, 1e9, 0.27, L);
    const double g = 6.67e-8 * M / (R * R);
    const double tint = std::pow(L / (4 * M_PI * 5.6735730625000006e-5 * R * R), 0.25);
    EXPECT_NEAR(temps.tint / tint, 1.0, 1e-9);
    EXPECT_EQ(b.P, 1e8);
    EXPECT_NEAR(b.T / adiabat_T(1e8, grid_S(std::log10(g), std::log10(tint))), 1.0, 1e-9);
    EXPECT_EQ(b.L, L);
    // Grey Eddington atmosphere: the depth whose temperature is T.
    EXPECT_NEAR(b.tau, 4.0 / 3.0 * std::pow(b.T / tint, 4) - 2.0 / 3.0, 1e-9 * b.tau);
}

TEST(Contraction, EnergyScalesAsOneOverRAndLuminosityIsCapped) {
    const double M = 1.9e30, Eold = -1e43, dt = 3.15576e13;
    const Contraction shrink = contractlum(dt, 8e9, Eold, M, 7.9e9, 1.0);
    EXPECT_NEAR(shrink.Enew / (Eold * 8e9 / 7.9e9), 1.0, 1e-12);
    EXPECT_GT(shrink.L, 0);
    EXPECT_LT(contractlum(dt, 8e9, Eold, M, 8.1e9, 1.0).L, 0);        // expansion
    EXPECT_EQ(contractlum(1.0, 8e9, Eold, M, 1e9, 1.0).L, 3.846e33);  // cap
    EXPECT_DOUBLE_EQ(contractlum(dt, 8e9, Eold, M, 7.9e9, 2.0).L, 2 * shrink.L);
}

TEST(Radiogenic, ChondriticHeatingDecays) {
    const double M = 5.97424e27, now = 4.57 * 3.15576e16;
    EXPECT_EQ(calclradio(0, M, 1.0), 0.0);  // pure ice core
    EXPECT_DOUBLE_EQ(calclradio(0, M, 0.5), 0.5 * calclradio(0, M, 0));
    EXPECT_LT(calclradio(now, M, 0), calclradio(3.15576e13, M, 0));
    // The present Earth's radiogenic output is of order 1e20 erg/s (10-20 TW).
    EXPECT_GT(calclradio(now, M, 0), 5e19);
    EXPECT_LT(calclradio(now, M, 0), 5e20);
}
