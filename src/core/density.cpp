// Mean density of the solid core from the built-in table.
#include <cmath>

#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "core/core.hpp"
#include "core/density_table.hpp"
#include "core/interpol.hpp"

namespace velkaro::core {

namespace {

constexpr double kEarthMass = 5.97424e27;  // mass unit of the table grid [g]
constexpr int kNMass = 20, kNPres = 19, kNIce = 11;

// A surface value used as the core's boundary: values below 1, and values
// that are not a number (a bare or empty boundary), count as 1.
double floor_one(double v) { return (v >= 1.0) ? v : 1.0; }

}  // namespace

double shell_pressure(const double* shell) { return shell[kP - 1]; }
double shell_temperature(const double* shell) { return shell[kT - 1]; }

double alpha_ice(double P) {
    const double a = 4e-6 * std::pow(1e13 / P, 0.45);
    return (a <= 1e-4) ? a : 1e-4;
}

double alpha_rock(double P) {
    const double a = 2e-6 * std::pow(1e13 / P, 0.5);
    return (a <= 1.5e-5) ? a : 1.5e-5;
}

void readhelptabrad(CoreTables& t) {
    static constexpr double kMassEarth[kNMass] = {0.1, 0.2, 0.3, 0.5, 1,   2,   3,   5,   7,   10,
                                                  20,  30,  50,  70,  100, 200, 300, 500, 700, 1000};
    t.NoXi = {kNMass, kNPres, kNIce};
    // Ice fraction fastest, mass slowest.
    t.sblk = {kNPres * kNIce, kNIce, 1};
    for (int i = 1; i <= kNMass; ++i) t.grid(i, 1) = kMassEarth[i - 1] * kEarthMass;
    for (int i = 1; i <= kNPres; ++i) t.grid(i, 2) = -1.0 + (i - 1);
    for (int i = 1; i <= kNIce; ++i) t.grid(i, 3) = 0.1 * (i - 1);
}

void denstabneweos(Vec1<double>& denscyr) {
    const std::array<double, kTabBlock>* blocks[10] = {&tab1, &tab2, &tab3, &tab4, &tab5,
                                                       &tab6, &tab7, &tab8, &tab9, &tab10};
    int k = 0;
    for (const auto* b : blocks)
        for (double v : *b) denscyr(++k) = v;
}

std::shared_ptr<const CoreTables> build_core_tables() {
    auto t = std::make_shared<CoreTables>();
    denstabneweos(t->denscyr);
    readhelptabrad(*t);
    for (int iM = 1; iM <= kNMass; ++iM)
        for (int iP = 1; iP <= kNPres; ++iP)
            for (int iF = 1; iF <= kNIce; ++iF) {
                const int row = t->sblk[0] * (iM - 1) + t->sblk[1] * (iP - 1) + iF;
                t->tab(row, 1) = t->grid(iM, 1);
                t->tab(row, 2) = t->grid(iP, 2);
                t->tab(row, 3) = t->grid(iF, 3);
                t->tab(row, 4) = t->denscyr(row);
            }
    return t;
}

void mcrad(CoreContext& cc, const Console& io, int first, int verbose, double M, double P, double fice, double& rho) {
    if (!(M > 0.0) || !(fice >= 0.0))
        fatal({fmt::free("SBR MCRAD: ERROR: Mass not positive or ice fraction less than 0", M, fice)});
    const double lP = (P >= 0.1) ? std::log10(P) : -1.0;
    auto& o = io.con();
    if (verbose != 0) {
        o << fmt::free("sbr MCRAD") << '\n'
          << fmt::free("Mass", M) << '\n'
          << fmt::free("Pext", std::pow(10.0, lP)) << '\n'
          << fmt::free("FracIce", fice) << '\n';
    }
    if (first == 1 && verbose != 0) {
        o << fmt::free("Number of independent varialbles=", CoreTables::kDim) << '\n'
          << fmt::free("Number of dependent variables=", CoreTables::kNdep) << '\n'
          << fmt::free("The lenght of the table is", CoreTables::kMaxn) << '\n'
          << fmt::free("The width of the table is", CoreTables::kWidth) << '\n';
    }
    // The table is constant data: built once, on the first call or
    // whenever no table has been handed to this run yet.
    if (!cc.tables) cc.tables = build_core_tables();
    const CoreTables& t = *cc.tables;
    if (verbose != 0) o << fmt::free("Starting interpolation, takes some time to finish") << '\n';

    std::array<double, CoreTables::kDim> x{M, lP, fice};
    double y = 0.0;
    interpolrad(CoreTables::kMaxn, CoreTables::kWidth, CoreTables::kDim, CoreTables::kNdep,
                Span1<const int>{t.NoXi.data(), CoreTables::kDim}, t.tab, t.grid, span1(x.data(), CoreTables::kDim),
                Span1<const int>{t.sblk.data(), CoreTables::kDim}, span1(&y, 1), 4, kPolynomial);
    rho = y;
    if (verbose != 0) o << fmt::free("Interpolation finished. Dens:", rho) << '\n';
}

void mergedradiicore(CoreContext& cc, const Console& io, int first, int verbose, double M, double P, double fice,
                     double& rho) {
    mcrad(cc, io, first, verbose, M, P, fice, rho);
    if (!(rho > 0.0))
        fatal({fmt::free("ERROR in sbr Mergedradiicore: rho core<=0", rho), "PROBLEME: mergedradiicore"});
    // Rock-rich cores: the table's rock is denser than the planets it is
    // meant for; shrink the density by up to 1.05^3 (5 % in radius) at
    // fice = 0, falling linearly to no change at fice = 0.2.
    const double shrink = fice / 0.2 + (fice - 0.2) / (-0.2) * 1.1576250000000001;
    rho = rho / std::max(1.0, shrink);
}

void driverhocore(CoreContext& cc, const Console& io, const double* shell, double M, double fice, double& rho) {
    const double P = floor_one(shell_pressure(shell));
    const double T = floor_one(shell_temperature(shell));
    double rho0 = 0.0;
    mergedradiicore(cc, io, cc.ifirstrhocore, 0, M, P, fice, rho0);
    cc.ifirstrhocore += 1;
    // Thermal expansion relative to the cold (300 K) table.
    const double alpha = fice * alpha_ice(P) + (1.0 - fice) * alpha_rock(P);
    rho = rho0 / (1.0 + alpha * (T - 300.0));
}

}  // namespace velkaro::core
