// atmosgrid: generates the atmosphere entropy grid S(g, Teff) from grey
// Eddington atmospheres integrated with the envelope's own opacity and
// equation of state (src/atmosphere/grey_atmosphere.hpp).
//
//   atmosgrid [--eos DIR] [--out FILE] [--point G TEFF ...]
//             [--compare MC14FILE] [--p-record P] [--tau-convection TAU]
//
// Defaults: --eos data/eos/, --out data/atmos/loggTeff_S_Burrows97_umint.dat;
// run from the source directory. --point prints the solution at (g, Teff)
// instead of writing the grid (repeatable). --compare prints, for the
// models of the Marleau & Cumming (2014) grid, our S at their (g, Teff)
// beside theirs, and writes nothing. --p-record and --tau-convection change
// those two settings (see GreySettings) for experiments; the committed grid
// uses the defaults.
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "atmosphere/grey_atmosphere.hpp"
#include "common/fatal.hpp"
#include "eos/eos.hpp"

namespace atm = velkaro::atmosphere;
namespace fs = std::filesystem;

namespace {

int usage() {
    std::cerr << "usage: atmosgrid [--eos DIR] [--out FILE] [--point G TEFF ...] [--compare MC14FILE]"
                 " [--p-record P] [--tau-convection TAU]\n";
    return 2;
}

bool number(const char* s, double& v) {
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end != s && *end == '\0' && std::isfinite(v);
}

// The models of the Marleau & Cumming grid: S [k_B/baryon], g [cm s^-2],
// Teff [K]; masses and radii in their units of 2.0e30 g and 7.0e9 cm.
int compare(atm::GreyAtmosphere& a, const std::string& file) {
    std::ifstream in(file);
    if (!in) {
        std::cerr << "cannot open " << file << '\n';
        return 1;
    }
    // S[k_B/m_H] = S[k_B/baryon] m_H / m_u with the baryon as one atomic mass unit.
    const double to_mh = atm::kHydrogenAtomMass / velkaro::cst::amu;
    // S10: our EOS entropy on their 10-bar point (P = 1e7, T10), which lies on
    // their interior adiabat; its difference from their S is the difference
    // of the two equations of state alone.
    std::printf("%8s %8s %8s %9s %9s %9s %9s\n", "log g", "Teff", "M/2e30", "S_MC14", "S_ours", "ours-MC", "S10-MC");
    std::string line;
    double sum = 0, sum2 = 0;
    int n = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        std::vector<double> c(23);
        for (int k = 1; k <= 22; ++k) ls >> c[static_cast<std::size_t>(k)];
        if (!ls) continue;
        const double m = c[3] * 2.0e30, r = c[4] * 7.0e9, teff = c[7];
        const double g = velkaro::cst::G * m / (r * r);
        const atm::GreyResult res = a.solve(g, teff);
        const double d = res.s / to_mh - c[5];
        sum += d;
        sum2 += d * d;
        ++n;
        const double s10 = a.entropy(1e7, c[17]) / to_mh;
        std::printf("%8.4f %8.2f %8.3f %9.4f %9.4f %9.4f %9.4f  %s P_rcb=%.3e T_rcb=%.1f (MC14 %.3e %.1f)\n",
                    std::log10(g), teff, c[3], c[5], res.s / to_mh, d, s10 - c[5], res.convective ? "C" : "R", res.p_rcb,
                    res.t_rcb, c[15], c[21]);
    }
    if (n > 0)
        std::printf("# %d models: mean(ours - MC14) = %.4f, rms = %.4f k_B/baryon\n", n, sum / n,
                    std::sqrt(sum2 / n));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string eosdir = "data/eos/";
    std::string out = "data/atmos/loggTeff_S_Burrows97_umint.dat";
    std::string mc14;
    std::vector<std::array<double, 2>> points;
    atm::GreySettings set;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--eos" && i + 1 < argc) {
            eosdir = argv[++i];
        } else if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (arg == "--compare" && i + 1 < argc) {
            mc14 = argv[++i];
        } else if (arg == "--p-record" && i + 1 < argc) {
            if (!number(argv[++i], set.p_record)) return usage();
        } else if (arg == "--tau-convection" && i + 1 < argc) {
            if (!number(argv[++i], set.tau_convection)) return usage();
        } else if (arg == "--point" && i + 2 < argc) {
            double g = 0, t = 0;
            if (!number(argv[i + 1], g) || !number(argv[i + 2], t)) return usage();
            points.push_back({g, t});
            i += 2;
        } else {
            return usage();
        }
    }
    try {
        std::array<fs::path, 3> files;
        for (std::size_t k = 0; k < 3; ++k) files[k] = fs::path(eosdir + velkaro::eos::kTableNames[k]);
        const auto tables = velkaro::eos::read_eos_tables(velkaro::eos::kTableNames, files);
        atm::GreyAtmosphere a(tables, set);

        if (!mc14.empty()) return compare(a, mc14);
        if (!points.empty()) {
            for (const auto& p : points) {
                const atm::GreyResult r = a.solve(p[0], p[1]);
                std::printf("g %.6e Teff %.4f: S %.6f k_B/m_H at P %.4e T %.3f; %s P %.4e T %.3f, %d convective zone(s)\n",
                            p[0], p[1], r.s, r.p, r.t, r.convective ? "RCB at" : "radiative down to", r.p_rcb,
                            r.t_rcb, r.zones);
            }
            return 0;
        }

        const auto t0 = std::chrono::steady_clock::now();
        int nrad = 0;
        const std::string text = atm::atmos_grid_text(a, atm::GridSpan{}, &nrad);
        const fs::path op(out);
        if (op.has_parent_path()) fs::create_directories(op.parent_path());
        std::ofstream f(op, std::ios::binary);
        f << text;
        f.close();
        if (!f) {
            std::cerr << "cannot write " << out << '\n';
            return 1;
        }
        const double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("wrote %s (%d points still radiative at the bottom) in %.1f s\n", out.c_str(), nrad, sec);
    } catch (const velkaro::FatalError& e) {
        for (const auto& l : e.lines()) std::cerr << l << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
