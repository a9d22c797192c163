// Black-body photometry and contrast: Simpson's rule against Stefan-Boltzmann,
// magnitudes and flux densities against a direct quadrature of Planck's law
// over the filter files, the Sun's absolute V magnitude, the contrast in the
// Rayleigh-Jeans limit, the spectrum record, and the refusals of bad filter
// files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/constants.hpp"
#include "output/observables.hpp"
#include "output/photometry.hpp"
#include "processes/star.hpp"
#include "run/context.hpp"
#include "support/fatal_text.hpp"
#include "run/views.hpp"

using namespace velkaro;
using namespace velkaro::output;
using velkaro::testing::fatal_text;
namespace fs = std::filesystem;

namespace {

const std::string kData = std::string(VELKARO_DATA_DIR) + "/";

// Planck's law written out again, with M_PI, for the independent checks.
double bnu_lambda(double lam, double t) {
    return 1.1910666467986475e-5 / std::pow(lam, 5) / std::expm1(1.9864850635e-16 / (lam * 1.38062e-16 * t));
}

// A data directory holding the shipped filter curves, with some replaced.
struct FilterDir {
    fs::path dir;
    explicit FilterDir(const std::string& name) : dir(fs::path(VELKARO_BINARY_DIR) / name) {
        fs::remove_all(dir);
        fs::create_directories(dir / "filtertransmissions");
        for (int k = 1; k <= kFilters; ++k) fs::copy_file(kData + filter_spec(k).file, dir / filter_spec(k).file);
    }
    void put(int k, const std::string& text) const { std::ofstream(dir / filter_spec(k).file) << text; }
    std::string path(int k) const { return (dir / filter_spec(k).file).string(); }
    std::shared_ptr<const FilterCurves> load() const { return FilterCurves::load(dir.string() + "/"); }
};

// The samples of a filter file read plainly: wavelength [cm], transmission.
std::vector<std::pair<double, double>> samples(int k) {
    std::ifstream in(kData + filter_spec(k).file);
    std::string line;
    std::getline(in, line);
    std::vector<std::pair<double, double>> v;
    double l, t;
    while (in >> l >> t) v.push_back({l * (filter_spec(k).angstrom ? 1e-8 : 1e-4), t});
    return v;
}

// Direct quadrature of f(lambda) times the linearly interpolated curve: a
// fine midpoint rule within each sample interval.
template <typename F>
double band_integral(int k, F f) {
    const auto s = samples(k);
    double sum = 0;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        const int n = 400;
        const double h = (s[i + 1].first - s[i].first) / n;
        for (int m = 0; m < n; ++m) {
            const double x = s[i].first + (m + 0.5) * h;
            const double w = (x - s[i].first) / (s[i + 1].first - s[i].first);
            sum += h * f(x) * (s[i].second + w * (s[i + 1].second - s[i].second));
        }
    }
    return sum;
}

}  // namespace

TEST(Simpson, KnownIntegralZeroIntegrandAndNonConvergence) {
    FilterDir d("photometry_simpson");
    // Filter 1 (Angstrom) made flat from 100 A to 1 mm: the integral of pi B
    // of a 10000 K body over it is sigma T^4 up to tails of 1e-7.
    d.put(1, "# flat\n100 1\n1e7 1\n");
    const auto fc = d.load();
    int jlo = 0;

    const double t = 1e4;
    const BodyLight hot{t, 7e9, 1e300, 7e10, 5800};  // the star too far to add anything
    const SimpsonResult r = qsimpbb(*fc, jlo, 1, 1e-6, 1e-1, hot);
    EXPECT_NEAR(r.s / std::pow(t, 4), 5.6704e-5, 1e-3 * 5.67e-5);  // Stefan-Boltzmann constant
    EXPECT_LT(r.stages, 20);

    // A 1 K body in U, nothing reflected: zero, not a failure to converge.
    EXPECT_EQ(qsimpbb(*fc, jlo, 1, 3e-5, 4e-5, BodyLight{1.0, 7e9, 1e300, 7e10, 5800}).s, 0.0);

    // An integrand that never settles (here a temperature that is not a
    // number) stops the run after 20 stages instead of returning NaN.
    BodyLight bad = hot;
    bad.tp = std::nan("");
    const std::string msg = fatal_text([&] { qsimpbb(*fc, jlo, 1, 1e-6, 1e-1, bad); });
    EXPECT_NE(msg.find("ERROR: too many steps in qsimpBB"), std::string::npos) << msg;
}

TEST(BlackBody, MagnitudesFluxesWienAndContrastLimits) {
    RunContext ctx;
    ctx.path.path_fichiersdg = kData;
    const double tp = 1500, r = 1.1 * cst::Rjup, a = 0.05 * cst::AU, age = 1e8 * cst::year;
    const processes::StarProps st = processes::starprops(host_star(ctx), age, cst::Msun);
    std::array<double, 16> mags, fl;
    blackbodymagsv2(ctx.photometry, ctx.path, host_star(ctx), tp, r, a, age, cst::Msun, mags, fl);

    // Planet black body plus reflected starlight, integrated independently.
    auto flux = [&](double lam) {
        return M_PI * bnu_lambda(lam, tp) + std::pow(st.rstar / a, 2) * 0.1655211407939586 * M_PI *
                                                 bnu_lambda(lam, st.teffstar);
    };
    const double d2 = 9.521408719684e38;
    for (int k : {3, 13}) {  // V (reflection dominated) and WISE W1 (thermal)
        const double integral = band_integral(k, flux);
        const double m = -2.5 * std::log10(integral * r * r / d2) - filter_spec(k).zero_point;
        EXPECT_NEAR(mags[static_cast<std::size_t>(k - 1)], m, 2e-4) << "filter " << k;
        const double le = filter_spec(k).lambda_eff_um * 1e-4;
        const double jy = r * r / (3.085678e19 * 3.085678e19) * flux(le) * le * le / 2.997925e-13;
        EXPECT_NEAR(fl[static_cast<std::size_t>(k - 1)], jy, 1e-6 * jy) << "filter " << k;
    }

    // The Sun as a black body (5777 K, one solar radius, no companion star):
    // M_V = 4.83, the Sun's own absolute V magnitude, to a few hundredths.
    int jlo = 0;
    std::array<FilterNodes, kFilters> nodes;
    blackbodymags(filter_curves(ctx.photometry, ctx.path), jlo, nodes, BodyLight{5777, 6.956e10, 1e300, 6.956e10, 5777}, mags, fl);
    EXPECT_NEAR(mags[2], 4.83, 0.05);

    // Wien: B_lambda peaks at 0.2898 cm K / T.
    double peak;
    std::array<double, 14> c;
    contrast(host_star(ctx), false, age, cst::Msun, tp, r, a, peak, c, nullptr);
    const double lw = 0.28978 / tp;
    EXPECT_GT(planck(lw, tp), planck(lw * 1.01, tp));
    EXPECT_GT(planck(lw, tp), planck(lw * 0.99, tp));
    // Far in the Rayleigh-Jeans tail the thermal contrast is the ratio of
    // areas times the ratio of temperatures, plus the reflected share.
    const double rj = std::pow(r / st.rstar, 2) * tp / st.teffstar + std::pow(r / a, 2) * 0.1655211407939586;
    EXPECT_NEAR(c[13] / rj, 1.0, 0.05);
}

// The band fluxes from the per-run table agree with Simpson's rule over
// the filter curve (that the table replaces), run until it has converged,
// to the rule's own accuracy,
// from a cold planet to a hot star, in every filter; where the rule cannot
// resolve a cold body in a blue filter the table declines and the lines
// integrate directly.
TEST(BlackBody, TabulatedBandFluxesAgreeWithSimpsonsRule) {
    RunContext ctx;
    ctx.path.path_fichiersdg = kData;
    const FilterCurves& fc = filter_curves(ctx.photometry, ctx.path);
    int jlo = 0;
    std::array<FilterNodes, kFilters> table, direct;
    // The reference: Simpson's rule made to run at least 16 stages. (On the
    // jagged curves of filters 13 and 15 two successive estimates can agree
    // within the rule's 1e-6 at stage 8 while still 6e-4 off.)
    auto converged = [&](int k, double T) {
        const SimpsonResult r =
            qsimpbb_nodes(fc, jlo, k, direct[static_cast<std::size_t>(k - 1)], BodyLight{T, 1, 1, 0, T}, 20, 16);
        EXPECT_GT(r.stages, 0) << "filter " << k << " T " << T;
        return r.s;
    };
    int served = 0;
    for (int k = 1; k <= kFilters; ++k)
        for (double T : {41.3, 97.0, 263.5, 700.0, 1341.9, 2900.0, 5777.0, 9850.0}) {
            FilterNodes& nt = table[static_cast<std::size_t>(k - 1)];
            double I = 0;
            if (!band_flux(fc, jlo, k, nt, T, I)) continue;
            ++served;
            const double s = converged(k, T);
            EXPECT_NEAR(I, s, 3e-6 * s) << "filter " << k << " T " << T;
        }
    EXPECT_GE(served, 100);  // cold bodies in blue filters are left to the direct integral
    // The stored points (evaluated a batch at a time) give Simpson's rule
    // over the curve to the bit, for a lone body and with reflected light.
    for (int k : {3, 13, 15})
        for (const BodyLight b : {BodyLight{1341.9, 1, 1, 0, 1341.9}, BodyLight{700.0, 7e9, 7e11, 7e10, 5777.0}}) {
            const FilterCurve& c = fc.curve(k);
            FilterNodes fresh;
            EXPECT_EQ(qsimpbb_nodes(fc, jlo, k, fresh, b).s, qsimpbb(fc, jlo, k, c.lmin, c.lmax, b).s) << "filter " << k;
        }
    // On the Wien side ln I bends ever more sharply as T falls; where the
    // cubic's error would exceed the rule's own, the table declines. A dense
    // sweep of cold bodies through the filters where that happens.
    for (int k : {5, 7, 8, 13, 15})
        for (double T = 60.0; T < 600.0; T *= 1.0137) {
            FilterNodes& nt = table[static_cast<std::size_t>(k - 1)];
            double I = 0;
            if (!band_flux(fc, jlo, k, nt, T, I)) continue;
            EXPECT_NEAR(I, converged(k, T), 3e-6 * I) << "filter " << k << " T " << T;
        }
    double I = 0;
    EXPECT_FALSE(band_flux(fc, jlo, 1, table[0], 2.0, I));  // below the table
    EXPECT_FALSE(band_flux(fc, jlo, 1, table[0], std::nan(""), I));
}
