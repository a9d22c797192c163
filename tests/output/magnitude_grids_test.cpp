// Magnitudes from the model-atmosphere grids: interpolation on synthetic
// grids whose exact answers are known, Neville's rule, the fits, the grid
// files against the published BT-Settl rows, and the generator reproducing
// the committed grids byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "output/magnitude_grids.hpp"
#include "output/observables.hpp"
#include "support/fatal_text.hpp"
#include "support/files.hpp"

using namespace velkaro::output;
using velkaro::testing::fatal_text;
using velkaro::testing::read_file;
namespace fs = std::filesystem;

namespace {

const std::string kData = std::string(VELKARO_DATA_DIR) + "/";
constexpr double kTenPc = 3.0856802e19;  // sqrt(9.521422605240062e38) cm, to 1e-8

// Nine grid files in `name` with value f(filter, Teff, log g); hole(f, k, j)
// marks missing nodes.
std::shared_ptr<const MagnitudeGrids> synthetic(const std::string& name,
                                                std::function<double(int, double, double)> f,
                                                std::function<bool(int, int, int)> hole = nullptr) {
    const fs::path dir = fs::path(VELKARO_BINARY_DIR) / name;
    fs::create_directories(dir);
    for (int fi = 1; fi <= kGridFilters; ++fi) {
        std::ofstream o(dir / grid_file(fi));
        o.precision(17);
        for (int k = kGridRows; k >= 1; --k) {
            for (int j = 1; j <= kGridCols; ++j)
                o << (hole && hole(fi, k, j) ? 1e100 : f(fi, grid_teff(j), grid_logg(k))) << (j % 5 ? ' ' : '\n');
            o << '\n';
        }
    }
    return MagnitudeGrids::load(dir.string() + "/");
}

}  // namespace

TEST(MagnitudeGrids, InterpolationRules) {
    // Filter f holds f + T/1000 + (T/1000)^2 + 0.3 (log g)^2: quadratic in
    // both, so the 3 x 3 refinement is exact and the bilinear cell is not.
    auto q = [](int f, double t, double g) { return f + t / 1000 + (t / 1000) * (t / 1000) + 0.3 * g * g; };
    // Filter 4 misses the node (1000 K, log g 4.0); filter 5 the node
    // (1200 K, log g 3.0), which only the 3 x 3 block from (1000, 4.0) sees.
    const auto g = synthetic("maggrid_quadratic", q, [](int f, int k, int j) {
        return (f == 4 && k == 5 && j == 7) || (f == 5 && k == 7 && j == 9);
    });
    std::array<double, 9> m, gm;
    auto at = [&](double t, double lg, double r = kTenPc) { interpolmagnitudesgrid(*g, t, lg, r, m, gm); };

    // Interior point: exact for the complete filters, with and without the radius term.
    at(1030, 3.8, 7e9);
    const double dmag = 5 * std::log10(7e9 / kTenPc);
    for (int f : {1, 2, 3, 6, 9}) {
        EXPECT_NEAR(gm[f - 1], q(f, 1030, 3.8), 1e-9) << f;
        EXPECT_NEAR(m[f - 1], gm[f - 1] - dmag, 1e-6) << f;
    }
    EXPECT_EQ(gm[3], 0.0);  // filter 4: its cell touches a missing node
    EXPECT_EQ(m[3], 0.0);
    // Filter 5: cell complete, block not: a value (the bilinear one), not the exact one.
    EXPECT_GT(std::abs(gm[4] - q(5, 1030, 3.8)), 1e-4);
    EXPECT_LT(std::abs(gm[4] - q(5, 1030, 3.8)), 0.1);

    // Exact at nodes; the lower bounds are inside, the upper ones outside.
    for (auto [t, lg] : {std::pair{2500.0, 2.0}, {400.0, 6.0}, {11800.0, -0.0}}) {
        at(t, lg);
        EXPECT_NEAR(gm[0], q(1, t, lg), 1e-9) << t << " " << lg;
        EXPECT_NEAR(m[0], gm[0], 1e-6);  // a body of 10-pc radius
    }
    for (auto [t, lg] : {std::pair{12000.0, 3.0}, {3000.0, -0.5}, {399.9, 3.0}, {3000.0, 6.01}}) {
        at(t, lg);
        EXPECT_EQ(gm[0], 0.0) << t << " " << lg;
    }
    // The last temperature interval (j = 91) and the last gravity interval
    // (i = 13) use the bilinear value only.
    at(11900, 3.0);
    EXPECT_NEAR(gm[0], 0.5 * (q(1, 11800, 3) + q(1, 12000, 3)), 1e-9);
    at(3000, -0.25);
    EXPECT_NEAR(gm[0], 0.5 * (q(1, 3000, 0) + q(1, 3000, -0.5)), 1e-9);
    // 7000 K to 7200 K straddles the change of spacing: still exact.
    at(7100, 4.2);
    EXPECT_NEAR(gm[0], q(1, 7100, 4.2), 1e-9);

    // A temperature that is not a number stops the run (out of table).
    EXPECT_NE(fatal_text([&] { at(std::nan(""), 4.0); }).find("PROBLEME: sbr interpolmagnitudes: out of table"),
              std::string::npos);
}

TEST(MagnitudeGrids, NevilleAndFits) {
    const double xa[3] = {1.0, 2.0, 4.0}, ya[3] = {1.0, 4.0, 16.0};
    double y, dy;
    polintmagnitudesco(xa, ya, 3, 3.0, y, dy);
    EXPECT_NEAR(y, 9.0, 1e-12);
    const double same[3] = {1.0, 1.0, 2.0};
    EXPECT_NE(fatal_text([&] { polintmagnitudesco(same, ya, 3, 1.5, y, dy); })
                  .find("PROBLEME: failure in polintmagnitudesCO"),
              std::string::npos);

    // Fit 1 at Teff = 1000 K, log g = 4, body of 10-pc radius: its six terms
    // -(c0 + c1 x^c2 y^c3 + c4 x + c5 y), x = Teff/100, y = log g, evaluated by hand.
    std::array<double, 36> f;
    magnitudesfit(1000, 4.0, std::sqrt(9.521408719684e38), f);
    EXPECT_NEAR(f[0], -33.360759643239206, 1e-12);
    // A larger body is brighter by 5 log10 of the radius ratio.
    std::array<double, 36> f2;
    magnitudesfit(1000, 4.0, 10 * std::sqrt(9.521408719684e38), f2);
    for (int k = 0; k < 36; ++k) EXPECT_NEAR(f[k] - f2[k], 5.0, 1e-9);
    for (auto [t, lg] : {std::pair{1000.0, 0.0}, {1000.0, 7.1}, {9.0, 4.0}, {10001.0, 4.0}}) {
        magnitudesfit(t, lg, 7e9, f);
        EXPECT_EQ(f[35], -9e99) << t << " " << lg;
    }
}

TEST(MagnitudeGrids, ShippedGridsAgainstPublishedRows) {
    const auto g = MagnitudeGrids::load(kData);
    auto node = [&](double t, double lg, int f) {
        int j = 1, k = 1;
        while (grid_teff(j) != t) ++j;
        while (grid_logg(k) != lg) ++k;
        return g->value(k, j, f);
    };
    // BT-Settl AGSS2009 colour table, [M/H] = 0: Teff, log g, J, H, Ks.
    for (const auto& [t, lg, j, h, ks] : {std::tuple{600.0, 3.0, -30.777, -29.995, -29.877},
                                         {2000.0, 4.5, -36.209, -36.812, -37.143},
                                         {1000.0, 3.0, -31.407, -33.446, -34.013},
                                         {3000.0, 3.5, -37.578, -38.191, -38.493}}) {
        EXPECT_DOUBLE_EQ(node(t, lg, 1), j);
        EXPECT_DOUBLE_EQ(node(t, lg, 2), h);
        EXPECT_DOUBLE_EQ(node(t, lg, 3), ks);
    }
    // Not in the table: 400 and 500 K at solar metallicity, 600 K at log g 5.5.
    for (const auto& [t, lg] : {std::pair{400.0, 4.0}, {500.0, 3.0}, {600.0, 5.5}})
        EXPECT_GT(node(t, lg, 1), kGridMissing);

    // NACO isochrone models lying on nodes (age, M/Msun, Teff, log g, R/1e9 cm, J, L'):
    // 6 Myr 0.09: 2999 K, 4.00, 34.50, 7.163, 5.841;  40 Myr 0.006: 899 K, 4.00, 8.93, 15.086, 12.455;
    // 40 Myr 0.75: 4003 K, 4.50, 56.35, 5.165, 4.208. Surface magnitude m = M + 5 log10(R / 10 pc).
    for (const auto& [t, lg, r, mj, ml] : {std::tuple{3000.0, 4.0, 34.50, 7.163, 5.841},
                                          {900.0, 4.0, 8.93, 15.086, 12.455},
                                          {4000.0, 4.5, 56.35, 5.165, 4.208}}) {
        const double shift = 5 * std::log10(r * 1e9 / kTenPc);
        EXPECT_NEAR(node(t, lg, 4), mj + shift, 0.01) << t;
        EXPECT_NEAR(node(t, lg, 7), ml + shift, 0.01) << t;
        EXPECT_EQ(node(t, lg, 9), node(t, lg, 5));  // HiCIAO H: the NACO H proxy
    }
    // Below the coolest isochrone model (603 K) nothing is given.
    EXPECT_GT(node(500, 4.0, 7), kGridMissing);
}

TEST(MagnitudeGrids, GeneratorReproducesCommittedGridsAndFilesAreChecked) {
    const fs::path out = fs::path(VELKARO_BINARY_DIR) / "maggrids_regenerated";
    fs::create_directories(out);
    const std::string cmd = std::string("\"") + VELKARO_MAGGRIDS + "\" --sources \"" + kData +
                            "sources/photometry\" --out \"" + out.string() + "\" 2> /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int f = 1; f <= kGridFilters; ++f)
        EXPECT_TRUE(read_file(out / grid_file(f)) == read_file(kData + grid_file(f))) << grid_file(f) << " differs";

    // A missing file and a short one are refused, naming the file.
    for (const auto& [text, what] : {std::pair{"", "opening"}, {"1.0 2.0\n", "reading"}}) {
        if (*text)
            std::ofstream(out / "NACOMPRIME.sfl") << text;
        else
            fs::remove(out / "NACOMPRIME.sfl");
        const std::string msg = fatal_text([&] { MagnitudeGrids::load(out.string() + "/"); });
        EXPECT_NE(msg.find(std::string("Sbr interpolmagnitudesgridCO: ERROR ") + what + " filter file"), std::string::npos) << msg;
        EXPECT_NE(msg.find("PROBLEME : Filename " + (out / "NACOMPRIME.sfl").string()), std::string::npos) << msg;
    }
}
