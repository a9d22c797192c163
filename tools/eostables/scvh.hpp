// The published hydrogen and helium tables of Saumon, Chabrier & van Horn
// (1995, ApJS 99, 713) on one rectangular (log T, log P) lattice, with the
// places the published tables do not cover filled in.
//
// Lattice: log T = 0.98 + 0.08 i (i = 0..76, up to 7.06), log P = -6 + 0.2 j
// (j = 0..126, up to 19.2). Sources, by priority:
//   - the SCvH "interpolated" tables (log T 2.10..7.06, log P 4.0 up to an
//     upper limit that grows with T), with their derivative columns;
//   - the extended set (same nodes plus log P -6..3.8 at every T and the
//     isotherms log T 1.06..2.02 up to log P 5.8), values only;
//   - everywhere else (the cold, dense corner at high P and low T, the row
//     log P = 19.2 above the tables and the row log T = 0.98 below them)
//     each field (log rho, log S, log U and the two number fractions) is
//     continued smoothly: the filled values minimise the summed squares of
//     the second differences of the field over the lattice (a discrete
//     thin-plate continuation), with the published nodes held fixed. This
//     carries the published trends into the gap in both directions at once
//     and leaves no steps where the edge of the tables is ragged.
// Derivatives not published (extended and filled nodes, and log U
// everywhere) are taken from differences on the lattice, limited so that a
// monotonic run of values keeps a slope of its own sign (harmonic mean of
// the two one-sided slopes, zero where they differ in sign).
//
// Entropy zero point: SCvH hydrogen entropies contain the nuclear-spin
// entropy of the protons (k ln 2 per proton, k ln 4 per H2 molecule); the
// extended set's isotherms below log T = 2.10 do not. The spin term is taken
// out everywhere, so that the entropy agrees with an ideal molecular gas
// whose partition function has the nuclear-spin degeneracy divided out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velkaro::eosbuild {

struct Lattice {
    static constexpr int nT = 77, nP = 127;
    static constexpr double lt0 = 0.98, dlt = 0.08, lp0 = -6.0, dlp = 0.2;
    static double lt(int i) { return lt0 + dlt * i; }
    static double lp(int j) { return lp0 + dlp * j; }
};

/// Where the values of a lattice node come from.
enum class Origin : std::uint8_t {
    None = 0,
    Scvh,      // published SCvH node, with published derivatives
    Extended,  // extended set, derivatives by finite differences
    HighP,     // filled, above the published pressures (log P > 19.0)
    Cold,      // filled, elsewhere (the cold dense corner, the coolest row)
};

/// One node of one component (pure hydrogen or pure helium). Logarithms are
/// base 10, derivatives logarithmic: rhot = dlog rho/dlog T at P, rhop =
/// dlog rho/dlog P at T, and likewise st, sp (entropy) and ut, up (energy).
struct Node {
    double logrho = 0, logs = 0, logu = 0;
    double rhot = 0, rhop = 0, st = 0, sp = 0, ut = 0, up = 0;
    double f1 = 0, f2 = 0;  // number fractions among all free particles:
                            // hydrogen x_H2, x_H; helium x_He, x_He+
    Origin origin = Origin::None;
};

struct Component {
    bool hydrogen = true;
    std::vector<Node> nodes = std::vector<Node>(static_cast<std::size_t>(Lattice::nT * Lattice::nP));
    Node& at(int i, int j) { return nodes[static_cast<std::size_t>(i + Lattice::nT * j)]; }
    const Node& at(int i, int j) const { return nodes[static_cast<std::size_t>(i + Lattice::nT * j)]; }
};

/// Nuclear-spin entropy of hydrogen per gram of hydrogen [erg g^-1 K^-1]:
/// k ln 4 per H2 molecule.
double hydrogen_spin_entropy();

/// Read one component from its SCvH table and its extended table, remove
/// the spin entropy (hydrogen), and fill the whole lattice as described
/// above. Throws std::runtime_error naming file and line on bad input.
Component build_component(bool hydrogen, const std::filesystem::path& scvh_table,
                          const std::filesystem::path& extended_table);

/// The same with the default file names in a source directory
/// (H_TAB_I.A / HE_TAB_I.A and extended/{hydrogen,helium}_scvh_extended.data).
Component build_component(bool hydrogen, const std::filesystem::path& source_dir);

}  // namespace velkaro::eosbuild
