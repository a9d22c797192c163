// The generated EOS files: the three H/He tables read by the program, the
// H-He entropy table S(P, T) of the atmosphere coupling, and a map of where
// each table node comes from.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "mixture.hpp"

namespace velkaro::eosbuild {

/// Grid of the H/He tables: log P = 3.5 + 0.15 (IP - 1), IP = 1..kNP;
/// log T = 2.5 + 0.05 (JT - 1), JT = 1..kNT.
inline constexpr int kNP = 105;
inline constexpr int kNT = 92;
inline double table_logp(int ip) { return 3.5 + 0.15 * (ip - 1); }
inline double table_logt(int jt) { return 2.5 + 0.05 * (jt - 1); }

/// Grid of the entropy table: log T = 1.0 + 0.025 (k - 1), k = 1..221;
/// log P = -2 + 0.1 (l - 1), l = 1..201.
inline constexpr int kEntropyNT = 221;
inline constexpr int kEntropyNP = 201;
inline double entropy_logt(int k) { return 1.0 + 0.025 * (k - 1); }
inline double entropy_logp(int l) { return -2.0 + 0.1 * (l - 1); }

/// Mass of the hydrogen atom [g]: the unit of the entropy table is k_B per
/// hydrogen atom mass.
double hydrogen_atom_mass();

/// One H/He table: header "NT NP Y", then for IP = 1..NP, JT = 1..NT the
/// record log T, log P, log rho, log S, log U, dlog rho/dlog T,
/// dlog rho/dlog P, dlog S/dlog T, dlog S/dlog P, grad_ad, Gamma_1.
std::string eos_table_text(const Mixture& m);

/// The entropy table: for each log T (slow) and log P (fast), one line
/// log T, log P, log rho, S [k_B per hydrogen atom mass]. Unlike the H/He
/// tables, S includes the nuclear-spin entropy of the protons (k ln 2 per
/// proton): the zero point of the SCvH tables and of the atmosphere and
/// evolution grids built on them, whose entropies this table converts to
/// temperatures.
std::string entropy_table_text(const Mixture& m);

/// Map of the origin of each H/He table node ("S" published SCvH table,
/// "e" extended set, "p" above the published pressures, "c" cold corner).
std::string coverage_map_text(const Mixture& m);

struct BuildOptions {
    std::filesystem::path sources = "data/sources/scvh";
    std::vector<double> ys = {0.20, 0.27, 0.35};
    double y_entropy = 0.27;
};

/// All generated files: (base name, contents).
std::vector<std::pair<std::string, std::string>> build_all(const BuildOptions& o);

}  // namespace velkaro::eosbuild
