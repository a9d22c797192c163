// The tabulated gas opacity: reference values, the built-in tables against the
// published Freedman et al. (2014) tables and analytic fit they come from, the
// interpolation and extrapolations, and the generator that made the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "opacity/gas_tables.hpp"
#include "opacity/opacity.hpp"
#include "support/files.hpp"

using velkaro::testing::read_file;

namespace {

using namespace velkaro::opacity;

const char* const mh_tags[nmgas] = {"0.0", "0.5", "0.7", "1.0", "1.5", "1.7"};
const std::string kSources = std::string(VELKARO_DATA_DIR) + "/sources/freedman2014";
std::string source(const std::string& dir, const char* tag) { return dir + "/freedman2014_MH" + tag + ".txt"; }

// One published isotherm: pressure [dyn cm^-2], density [g cm^-3] and
// Rosseland mean [cm^2 g^-1] row by row.
struct Isotherm {
    double T = 0;
    std::vector<double> P, rho, kap;
};

std::vector<Isotherm> published(int m) {
    std::ifstream in(source(kSources, mh_tags[m - 1]));
    std::vector<Isotherm> iso;
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        double T, P, rho, kap;
        if (!(ls >> T >> P >> rho >> kap) || T < 75) continue;  // header lines
        if (iso.empty() || iso.back().T != T) iso.push_back(Isotherm{T, {}, {}, {}});
        iso.back().P.push_back(P);
        iso.back().rho.push_back(rho);
        iso.back().kap.push_back(kap);
    }
    return iso;
}

double rel(double a, double b) { return std::abs(a / b - 1.0); }

// Reference values of the built-in tables (T [K], log10 rho, kappa for
// [M/H] = 0.0, 1.0, 1.7), held in tables 1, 4 and 6.
struct Reference {
    double T, lr, kap[3];
};
const Reference references[] = {
    {75, -11, {1.018e-08, 1.0691e-08, 1.2531e-08}},
    {1000, -6, {0.00306545, 0.0124752, 0.0293666}},
    {2000, -3, {0.0998066, 0.396853, 0.962831}},
    {4000, -1, {3.117, 8.8382, 23.615}},
};

TEST(GasOpacity, ReferenceValues) {
    const double mh[3] = {0.0, 1.0, 1.7};
    OpacityContext oc;
    for (const Reference& r : references)
        for (int q = 0; q < 3; ++q)
            EXPECT_EQ(opafreedman2013(oc, mh[q], std::pow(10.0, r.lr), r.T), r.kap[q])
                << "T " << r.T << " log rho " << r.lr << " [M/H] " << mh[q];
}

// The analytic fit of Freedman et al. (2014, Eqs. 3-5, Table 2), good to about
// 0.3 dex over 75-4000 K and 1 ubar-300 bar.
double freedman_fit(double T, double P, double met) {
    const double lT = std::log10(T), lP = std::log10(P);
    const double pi = std::acos(-1.0);
    const double low = 10.602 * std::atan(lT - 2.882) - 6.09e-15 / (lP + 2.954) * std::exp((lT + 2.526) * (lT + 2.526)) +
                       0.843 * met - 5.490;
    const bool cold = T < 800.0;
    const double c8 = cold ? -14.051 : 82.241, c9 = cold ? 3.055 : -55.456, c10 = cold ? 0.024 : 8.754,
                 c11 = cold ? 1.877 : 0.7048, c12 = cold ? -0.445 : -0.0414;
    const double high = c8 + c9 * lT + c10 * lT * lT + lP * (c11 + c12 * lT) +
                        0.8321 * met * (0.5 + std::atan((lT - 2.5) / 0.2) / pi);
    return std::pow(10.0, low) + std::pow(10.0, high);
}

// The built-in nodes are the published isotherms resampled in log rho: each
// node other than the reference nodes lies between the two published rows
// around it (6 printed digits), and the tables agree with the analytic fit to
// its accuracy inside the published range.
TEST(GasOpacity, FollowsThePublishedIsothermsAndFit) {
    for (int m = 1; m <= nmgas; ++m) {
        double sum2 = 0;
        int n = 0;
        for (const Isotherm& s : published(m)) {
            int i = 1;
            while (i <= ntgas && tvect(i) != s.T) ++i;
            if (i > ntgas) continue;
            for (int j = 1; j <= nrgas; ++j) {
                const double rho = std::pow(10.0, rhovect(j)), k = gastable(m)(i, j);
                if ((m == 1 || m == 4 || m == 6) && std::any_of(std::begin(references), std::end(references),
                                                                [&](auto& r) { return r.T == s.T && r.lr == rhovect(j); }))
                    continue;
                std::ostringstream where;
                where << "[M/H] " << gasmh(m) << " T " << s.T << " log rho " << rhovect(j);
                if (rho <= s.rho.front() || rho >= s.rho.back()) continue;
                std::size_t r = 1;
                while (s.rho[r] < rho) ++r;
                EXPECT_GE(k, std::min(s.kap[r - 1], s.kap[r]) * (1 - 1e-5)) << where.str();
                EXPECT_LE(k, std::max(s.kap[r - 1], s.kap[r]) * (1 + 1e-5)) << where.str();
                // pressure of the node, log-log along the isotherm
                const double w = std::log(rho / s.rho[r - 1]) / std::log(s.rho[r] / s.rho[r - 1]);
                const double P = s.P[r - 1] * std::pow(s.P[r] / s.P[r - 1], w);
                const double d = std::log10(k / freedman_fit(s.T, P, gasmh(m)));
                sum2 += d * d;
                ++n;
            }
        }
        EXPECT_LT(std::sqrt(sum2 / n), 0.35) << "rms in dex, [M/H] " << gasmh(m) << ", " << n << " nodes";
    }
}

// Outside the tables: nothing above 4000 K (the grain law holds the hot
// opacities), T^2 below 75 K, proportional to density below 1e-11 g cm^-3,
// the edge value above 0.1 g cm^-3, and the end tables scaled with the metal
// factor 10^[M/H] outside 0..1.7.
TEST(GasOpacity, OutsideTheTables) {
    OpacityContext oc;
    for (double rho : {1e-12, 1e-6, 10.0})
        for (double T : {4000.001, 1e5}) EXPECT_EQ(opafreedman2013(oc, 1.7, rho, T), 0.0) << rho << " " << T;
    for (double mh : {0.0, 0.6, 1.7}) {
        auto k = [&](double rho, double T) { return opafreedman2013(oc, mh, rho, T); };
        for (double rho : {1e-10, 1e-6, 1e-2}) EXPECT_LT(rel(k(rho, 37.5), 0.25 * k(rho, 75.0)), 1e-4) << rho;
        for (double T : {75.0, 300.0, 2000.0}) {
            EXPECT_LT(rel(k(1e-13, T), 1e-2 * k(1e-11, T)), 1e-4) << mh << " " << T;
            EXPECT_LT(rel(k(10.0, T), k(0.1, T)), 1e-4) << mh << " " << T;
        }
    }
    for (const auto& [rho, T] : {std::pair{1e-10, 100.0}, {1e-3, 2000.0}, {1e-1, 4000.0}, {1e-12, 50.0}}) {
        EXPECT_LT(rel(opafreedman2013(oc, -1.0, rho, T), 0.1 * opafreedman2013(oc, 0.0, rho, T)), 1e-12);
        EXPECT_LT(rel(opafreedman2013(oc, 2.0, rho, T), std::pow(10.0, 0.3) * opafreedman2013(oc, 1.7, rho, T)), 1e-12);
    }
}

int run_generator(const std::string& sources, const std::string& out, const std::string& log) {
    const std::string cmd = std::string("\"") + VELKARO_OPACITYTABLES + "\" \"" + sources + "\" \"" + out +
                            "\" > /dev/null 2> \"" + log + "\"";
    return std::system(cmd.c_str());
}

// The committed tables are exactly what the generator makes from the
// published tables; a damaged source table is refused with the file, line and
// value.
TEST(GasOpacity, Generator) {
    const std::string out = std::string(VELKARO_BINARY_DIR) + "/gas_tables_regenerated.cpp";
    ASSERT_EQ(run_generator(kSources, out, "/dev/null"), 0);
    EXPECT_TRUE(read_file(out) == read_file(std::string(VELKARO_SOURCE_DIR) + "/src/opacity/gas_tables.cpp"))
        << "src/opacity/gas_tables.cpp differs from the generator's output " << out;

    const std::string dir = std::string(VELKARO_BINARY_DIR) + "/opacitytables_bad";
    std::system(("mkdir -p \"" + dir + "\"").c_str());
    for (const char* tag : mh_tags) {
        std::ifstream in(source(kSources, tag));
        std::ofstream o(source(dir, tag));
        int n = 0;
        for (std::string line; std::getline(in, line);)
            o << (++n == 100 && std::string(tag) == "0.5" ? line.replace(22, 10, "1.23x4E-03") : line) << '\n';
    }
    EXPECT_NE(run_generator(dir, dir + "/out.cpp", dir + "/log.txt"), 0);
    const std::string msg = read_file(dir + "/log.txt");
    EXPECT_NE(msg.find("freedman2014_MH0.5.txt, line 100"), std::string::npos) << msg;
    EXPECT_NE(msg.find("1.23x4E-03"), std::string::npos) << msg;
}

}  // namespace
