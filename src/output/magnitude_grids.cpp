#include "output/magnitude_grids.hpp"

#include <cmath>
#include <fstream>
#include <sstream>
#include <string_view>

#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/text_input.hpp"
#include "output/photometry_context.hpp"

namespace velkaro::output {

namespace {

const std::array<std::string, kGridFilters> kGridFiles = {
    "2MASSJ.sfl",      "2MASSH.sfl",      "2MASSKs.sfl",     "NACOCONICAJ.sfl", "NACOCONICAH.sfl",
    "NACOCONICAKs.sfl", "NACOLPRIME.sfl", "NACOMPRIME.sfl", "HICIAOH.sfl",
};

[[noreturn]] void unreadable(const std::string& filename, const std::string& why) {
    fatal({"Sbr interpolmagnitudesgridCO: ERROR reading filter file", why, "PROBLEME : Filename " + filename});
}

// Bilinear interpolation of filter f in the cell of rows i, i+1 and columns
// j, j+1: linear in Teff on both rows, then linear in lgg = -log g.
double bilinear(const MagnitudeGrids& g, int i, int j, int f, double teff, double lgg) {
    const double t1 = grid_teff(j), t2 = grid_teff(j + 1);
    const double wt = (teff - t1) / (t2 - t1);
    const double lo = g.value(i, j, f) + wt * (g.value(i, j + 1, f) - g.value(i, j, f));
    const double hi = g.value(i + 1, j, f) + wt * (g.value(i + 1, j + 1, f) - g.value(i + 1, j, f));
    const double l1 = -grid_logg(i), l2 = -grid_logg(i + 1);
    return lo + (lgg - l1) / (l2 - l1) * (hi - lo);
}

// No missing value in the n x n block of filter f from row i, column j.
bool present(const MagnitudeGrids& g, int i, int j, int f, int n) {
    for (int di = 0; di < n; ++di)
        for (int dj = 0; dj < n; ++dj)
            if (g.value(i + di, j + dj, f) > kGridMissing) return false;
    return true;
}

// Radius term: a body of radius r [cm] at 10 pc is fainter than the grid's
// body of 10-pc radius by 2.5 log10((10 pc)^2 / r^2).
double radius_term(double r) { return 2.5 * std::log10(r * r / kGridTenParsec2); }

}  // namespace

const std::string& grid_file(int f) { return kGridFiles[static_cast<std::size_t>(f - 1)]; }

std::vector<double> MagnitudeGrids::read_grid(const std::string& filename) {
    std::ifstream in(filename, std::ios::binary);
    if (!in)
        fatal({"Sbr interpolmagnitudesgridCO: ERROR opening filter file", "PROBLEME : Filename " + filename});
    std::vector<double> v(kGridRows * kGridCols);
    std::size_t n = 0;
    std::vector<std::string_view> f;
    std::string line;
    int lineno = 0;
    while (std::getline(in, line)) {
        ++lineno;
        input::split_fields(line, f);
        for (const auto tok : f) {
            const auto x = input::parse_real(tok);
            if (!x)
                unreadable(filename, "line " + std::to_string(lineno) + ": cannot read the value '" +
                                         std::string(tok) + "'");
            if (n == v.size())
                unreadable(filename, "line " + std::to_string(lineno) + ": more than " +
                                         std::to_string(kGridRows) + " records of " + std::to_string(kGridCols) +
                                         " values");
            // Record r = n / 92 holds gravity row k = 14 - r; within it the
            // temperature columns in order.
            const int r = static_cast<int>(n / kGridCols), j = static_cast<int>(n % kGridCols) + 1;
            const int k = kGridRows - r;
            v[static_cast<std::size_t>(k - 1) * kGridCols + static_cast<std::size_t>(j - 1)] = *x;
            ++n;
        }
    }
    if (n < v.size())
        unreadable(filename, "holds " + std::to_string(n) + " values, expected " + std::to_string(v.size()) + " (" +
                                 std::to_string(kGridRows) + " records of " + std::to_string(kGridCols) + ")");
    return v;
}

std::shared_ptr<const MagnitudeGrids> MagnitudeGrids::load(const std::string& datadir) {
    std::string dir = datadir;
    while (!dir.empty() && dir.back() == ' ') dir.pop_back();
    auto g = std::make_shared<MagnitudeGrids>();
    for (int f = 1; f <= kGridFilters; ++f) {
        const std::vector<double> one = read_grid(dir + grid_file(f));
        for (int k = 1; k <= kGridRows; ++k)
            for (int j = 1; j <= kGridCols; ++j)
                g->v_[index(k, j, f)] =
                    one[static_cast<std::size_t>(k - 1) * kGridCols + static_cast<std::size_t>(j - 1)];
    }
    return g;
}

const MagnitudeGrids& magnitude_grids(PhotometryContext& pc, const PathModule& path) {
    if (!pc.grids) {
        std::string dir = path.path_fichiersdg;
        while (!dir.empty() && dir.back() == ' ') dir.pop_back();
        pc.grids = MagnitudeGrids::load(path.resolve(dir).string());
    }
    return *pc.grids;
}

void polintmagnitudesco(const double* xa, const double* ya, int n, double x, double& y, double& dy) {
    constexpr int kMax = 10;
    if (n < 1 || n > kMax) fatal({fmt::free("PROBLEME: polintmagnitudesCO: number of points", n)});
    double c[kMax + 1], d[kMax + 1];
    int ns = 1;
    double dif = std::abs(x - xa[0]);
    for (int i = 1; i <= n; ++i) {
        const double dift = std::abs(x - xa[i - 1]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[i] = ya[i - 1];
        d[i] = ya[i - 1];
    }
    y = ya[ns - 1];
    --ns;
    dy = 0;
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const double ho = xa[i - 1] - x, hp = xa[i + m - 1] - x;
            const double w = c[i + 1] - d[i];
            double den = ho - hp;
            if (den == 0.0) fatal({"PROBLEME: failure in polintmagnitudesCO"});
            den = w / den;
            d[i] = hp * den;
            c[i] = ho * den;
        }
        dy = 2 * ns < n - m ? c[ns + 1] : d[ns--];
        y += dy;
    }
}

void interpolmagnitudesgrid(const MagnitudeGrids& g, double teff, double logg, double r,
                            std::array<double, 9>& mags, std::array<double, 9>& gridmags) {
    mags.fill(0.0);
    gridmags.fill(0.0);
    const double lgg = -logg;
    // Upper bounds exclusive, lower inclusive: 400 <= Teff < 12000, -0.5 < log g <= 6.
    if (teff >= 12000.0 || teff < 400.0 || lgg < -6.0 || lgg >= 0.5) return;

    // Lower bracketing row and column (checked as reals first: a NaN input
    // must not reach the integer conversion).
    const double xi = 2.0 * lgg + 13.0;
    const double xj = teff <= 7000.0 ? (teff - 300.0) / 100.0 : (teff + 6400.0) / 200.0;
    if (!(xi >= 1.0 && xi < kGridRows) || !(xj >= 1.0 && xj < kGridCols)) {
        fatal({"lower bracketing index not ok",
               fmt::free("ilow,jlow", std::isfinite(xi) ? static_cast<long>(xi) : 0L,
                         std::isfinite(xj) ? static_cast<long>(xj) : 0L),
               fmt::free("lgg,T    ", lgg, teff), "PROBLEME: sbr interpolmagnitudes: out of table"});
    }
    const int i = static_cast<int>(xi), j = static_cast<int>(xj);

    // Each filter on its own: a filter whose cell or block touches a missing
    // value reports 0 (cell) or keeps its bilinear value (block), the others
    // are unaffected. The grids of different filters come from different
    // published tables and do not cover the same part of the grid.
    const double dmag = radius_term(r);
    const bool refine = j + 2 <= kGridCols && i + 2 <= kGridRows;
    const double xt[3] = {grid_teff(j), grid_teff(j + 1), grid_teff(j + 2 <= kGridCols ? j + 2 : j + 1)};
    const double xl[3] = {-grid_logg(i), -grid_logg(i + 1), -grid_logg(i + 2 <= kGridRows ? i + 2 : i + 1)};
    for (int f = 1; f <= kGridFilters; ++f) {
        if (!present(g, i, j, f, 2)) continue;
        double m = bilinear(g, i, j, f, teff, lgg);
        // Quadratic refinement on the 3 x 3 block from the lower corner where
        // it fits in the grid: Neville in Teff on each row, then in lgg. The
        // cells touching the last row or column keep the bilinear value.
        if (refine && present(g, i, j, f, 3)) {
            double rows[3], dy;
            for (int di = 0; di <= 2; ++di) {
                const double ya[3] = {g.value(i + di, j, f), g.value(i + di, j + 1, f), g.value(i + di, j + 2, f)};
                polintmagnitudesco(xt, ya, 3, teff, rows[di], dy);
            }
            polintmagnitudesco(xl, rows, 3, lgg, m, dy);
        }
        gridmags[static_cast<std::size_t>(f - 1)] = m;
        mags[static_cast<std::size_t>(f - 1)] = m - dmag;
    }
}

}  // namespace velkaro::output
