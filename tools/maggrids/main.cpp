// maggrids: builds the nine model-atmosphere magnitude grids (*.sfl) of the
// data directory from published BT-Settl tables.
//
//   maggrids [--sources DIR] [--out DIR]
//
// Defaults: --sources data/sources/photometry/, --out data/; run from the
// source directory. DIR/BT-Settl_AGSS2009/colmag.BT-Settl.server.2MASS.Vega
// and DIR/isochrones_NaCo/model.BT-Settl.M-0.0.NaCo.txt are read.
//
// Every grid value is the magnitude of a body of 10-pc radius seen from
// 10 pc, i.e. the surface magnitude m = -2.5 log10(F_surface / F_Vega).
//
// 2MASS J, H, Ks: the BT-Settl colour table (AGSS2009 abundances) gives
// these surface magnitudes directly; the rows with [M/H] = [a/H] = 0 that
// fall on grid nodes are taken as they stand, every other node is missing.
//
// NACO J, H, Ks, L', M': the BT-Settl NACO isochrones give absolute
// magnitudes M at the model radius R; m = M + 2.5 log10(R^2 / (10 pc)^2).
// The isochrones sample (Teff, log g) along curves, not on the grid, so each
// node is filled by two linear interpolations: along each isochrone, between
// neighbouring models no more than 200 K apart, to the grid temperatures they
// span; then, in each temperature column, in log g between the nearest
// samples below and above the node, when those are no more than 0.5 dex
// apart. Nodes not bracketed that way lie outside what the isochrones cover
// and are missing. Five isochrone rows (ages >= 8 Gyr, Teff < 750 K) carry
// magnitudes some 16 mag brighter than their own bolometric magnitude, which
// no model atmosphere gives; rows with a band more than 8 mag brighter than
// M_bol are skipped as defective.
//
// HiCIAO H: no public table for this filter was found; the NACO H grid is
// written in its place as a proxy (both are H bands near 1.65 micron).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/fatal.hpp"
#include "common/text_input.hpp"
#include "output/magnitude_grids.hpp"

namespace out = velkaro::output;
namespace input = velkaro::input;

namespace {

constexpr double kMissing = 1e100;
constexpr double kMaxTeffGap = 200.0;  // K, between neighbouring models of an isochrone
constexpr double kMaxLoggGap = 0.5;    // dex, between the samples bracketing a node
constexpr double kBrighterThanBol = 8.0;  // mag: a band this much brighter than M_bol is defective
constexpr double kMbolSun = 4.74;

using Grid = std::vector<double>;  // value(k, j) at (k-1)*92 + (j-1)
std::size_t at(int k, int j) { return static_cast<std::size_t>(k - 1) * out::kGridCols + static_cast<std::size_t>(j - 1); }

[[noreturn]] void fail(const std::string& file, int line, const std::string& why) {
    std::cerr << "maggrids: " << file << (line > 0 ? ":" + std::to_string(line) : std::string()) << ": " << why
              << '\n';
    std::exit(1);
}

// Grid column of temperature t and row of gravity g, or 0 off the grid.
int column_of(double t) {
    for (int j = 1; j <= out::kGridCols; ++j)
        if (std::abs(out::grid_teff(j) - t) < 1e-6) return j;
    return 0;
}
int row_of(double g) {
    for (int k = 1; k <= out::kGridRows; ++k)
        if (std::abs(out::grid_logg(k) - g) < 1e-6) return k;
    return 0;
}

std::vector<std::string> read_lines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) fail(file, 0, "cannot be opened");
    std::vector<std::string> v;
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// 2MASS J, H, Ks from the colour table: columns Teff, log g, [M/H], [a/H], J, H, K, ...
std::array<Grid, 3> twomass(const std::string& file) {
    std::array<Grid, 3> g;
    for (auto& x : g) x.assign(out::kGridRows * out::kGridCols, kMissing);
    std::vector<bool> seen(out::kGridRows * out::kGridCols, false);
    const auto lines = read_lines(file);
    int n = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::string& s = lines[l];
        if (s.empty() || s[0] == '!') continue;
        double v[7];
        if (!input::parse_reals(s, v, 7)) fail(file, static_cast<int>(l + 1), "expected at least 7 numbers");
        if (v[2] != 0.0 || v[3] != 0.0) continue;  // solar abundances, no alpha enhancement
        const int j = column_of(v[0]), k = row_of(v[1]);
        if (j == 0 || k == 0) continue;  // off the grid (e.g. the solar model, log g 4.44)
        if (seen[at(k, j)]) fail(file, static_cast<int>(l + 1), "a second row for the same Teff and log g");
        seen[at(k, j)] = true;
        for (int f = 0; f < 3; ++f) g[static_cast<std::size_t>(f)][at(k, j)] = v[4 + f];
        ++n;
    }
    std::cerr << "maggrids: 2MASS: " << n << " of " << out::kGridRows * out::kGridCols << " nodes from " << file
              << '\n';
    return g;
}

struct Model {
    double teff, logg;
    std::array<double, 5> m;  // surface magnitudes J H Ks L' M'
};

// NACO isochrones: blocks headed "t (Gyr) = ...", then a column header, then
// rows M/Ms Teff L/Ls lg(g) R(1e9 cm) D Li J H Ks L' M' ...
std::vector<std::vector<Model>> isochrones(const std::string& file, int& skipped) {
    std::vector<std::vector<Model>> iso;
    const auto lines = read_lines(file);
    skipped = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::string& s = lines[l];
        if (s.find("t (Gyr)") != std::string::npos) {
            iso.emplace_back();
            continue;
        }
        const std::string_view first = input::first_item(s);
        if (first.empty() || !input::parse_real(first)) continue;  // blank or column header
        if (iso.empty()) fail(file, static_cast<int>(l + 1), "model row before the first isochrone");
        double v[12];
        if (!input::parse_reals(s, v, 12)) fail(file, static_cast<int>(l + 1), "expected at least 12 numbers");
        const double mbol = kMbolSun - 2.5 * v[2];
        const double radius = v[4] * 1e9;
        if (!(radius > 0) || !(v[1] > 0)) fail(file, static_cast<int>(l + 1), "radius and Teff must be positive");
        if (*std::min_element(v + 7, v + 12) < mbol - kBrighterThanBol) {
            ++skipped;
            continue;
        }
        Model m{v[1], v[3], {}};
        const double shift = 2.5 * std::log10(radius * radius / out::kGridTenParsec2);
        for (int b = 0; b < 5; ++b) m.m[static_cast<std::size_t>(b)] = v[7 + b] + shift;
        iso.back().push_back(m);
    }
    return iso;
}

std::array<Grid, 5> naco(const std::string& file) {
    int skipped = 0;
    const auto iso = isochrones(file, skipped);
    // Samples per temperature column: (log g, five magnitudes).
    std::vector<std::vector<std::pair<double, std::array<double, 5>>>> col(out::kGridCols + 1);
    for (const auto& curve : iso)
        for (std::size_t i = 0; i + 1 < curve.size(); ++i) {
            const Model &p = curve[i], &q = curve[i + 1];
            const double lo = std::min(p.teff, q.teff), hi = std::max(p.teff, q.teff);
            if (hi == lo || hi - lo > kMaxTeffGap) continue;
            for (int j = 1; j <= out::kGridCols; ++j) {
                const double t = out::grid_teff(j);
                if (t < lo || t > hi) continue;
                const double w = (t - p.teff) / (q.teff - p.teff);
                std::array<double, 5> m;
                for (std::size_t b = 0; b < 5; ++b) m[b] = p.m[b] + w * (q.m[b] - p.m[b]);
                col[static_cast<std::size_t>(j)].push_back({p.logg + w * (q.logg - p.logg), m});
            }
        }
    std::array<Grid, 5> g;
    for (auto& x : g) x.assign(out::kGridRows * out::kGridCols, kMissing);
    int n = 0;
    for (int j = 1; j <= out::kGridCols; ++j) {
        auto& s = col[static_cast<std::size_t>(j)];
        std::stable_sort(s.begin(), s.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
        for (int k = 1; k <= out::kGridRows; ++k) {
            const double lg = out::grid_logg(k);
            // Nearest samples at or below and at or above the node.
            const auto above = std::lower_bound(s.begin(), s.end(), lg,
                                                [](const auto& x, double v) { return x.first < v; });
            if (above == s.end()) continue;
            const auto below_end = std::upper_bound(s.begin(), s.end(), lg,
                                                    [](double v, const auto& x) { return v < x.first; });
            if (below_end == s.begin()) continue;
            const auto& b = *(below_end - 1);
            const auto& a = *above;
            if (a.first - b.first > kMaxLoggGap) continue;
            const double w = a.first == b.first ? 0.5 : (lg - b.first) / (a.first - b.first);
            for (std::size_t f = 0; f < 5; ++f) g[f][at(k, j)] = b.second[f] + w * (a.second[f] - b.second[f]);
            ++n;
        }
    }
    std::cerr << "maggrids: NACO: " << n << " nodes from " << iso.size() << " isochrones of " << file << " ("
              << skipped << " defective rows skipped)\n";
    return g;
}

// 14 records, log g = -0.5 first; each record's 92 values 8 to a line.
void write_grid(const std::string& file, const Grid& g) {
    std::FILE* f = std::fopen(file.c_str(), "w");
    if (!f) fail(file, 0, "cannot be written");
    for (int k = out::kGridRows; k >= 1; --k) {
        for (int j = 1; j <= out::kGridCols; ++j) {
            const double v = g[at(k, j)];
            if (v > out::kGridMissing)
                std::fprintf(f, "%11s", "1.0E+100");
            else
                std::fprintf(f, "%11.4f", v);
            if (j % 8 == 0 || j == out::kGridCols) std::fputc('\n', f);
        }
    }
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    std::string sources = "data/sources/photometry/", outdir = "data/";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--sources" && i + 1 < argc)
            sources = std::string(argv[++i]) + "/";
        else if (a == "--out" && i + 1 < argc)
            outdir = std::string(argv[++i]) + "/";
        else {
            std::cerr << "usage: maggrids [--sources DIR] [--out DIR]\n";
            return 2;
        }
    }
    const auto tm = twomass(sources + "BT-Settl_AGSS2009/colmag.BT-Settl.server.2MASS.Vega");
    const auto nc = naco(sources + "isochrones_NaCo/model.BT-Settl.M-0.0.NaCo.txt");
    const std::array<const Grid*, out::kGridFilters> grids = {&tm[0], &tm[1], &tm[2], &nc[0], &nc[1],
                                                               &nc[2], &nc[3], &nc[4], &nc[1]};
    for (int f = 1; f <= out::kGridFilters; ++f)
        write_grid(outdir + out::grid_file(f), *grids[static_cast<std::size_t>(f - 1)]);
    return 0;
}
