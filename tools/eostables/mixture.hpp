// Hydrogen-helium mixture by the additive volume law with the ideal entropy
// of mixing (Saumon, Chabrier & van Horn 1995, section 6), on the lattice of
// the published tables, and its smooth interpolation to any (log P, log T).
//
// Per gram of mixture, X = 1 - Y, at the same P and T:
//   1/rho = X/rho_H + Y/rho_He,   U = X U_H + Y U_He,
//   S = X S_H + Y S_He + S_mix,
// S_mix the ideal entropy of mixing of the particles of the two components
// (molecules, atoms, ions and electrons, counted from the tables' number
// fractions). The logarithmic derivatives of the mixture follow from these
// sums by the chain rule; those of S_mix by differences on the lattice.
// Between lattice nodes, log rho, log S and log U are interpolated by
// bicubic Hermite polynomials whose corner slopes are these derivatives, so
// that the derivatives anywhere are those of the interpolated function
// itself; the adiabatic gradient is -(dlog S/dlog P)/(dlog S/dlog T).
#pragma once

#include <vector>

#include "scvh.hpp"

namespace velkaro::eosbuild {

struct MixNode {
    double logrho = 0, logs = 0, logu = 0;
    double rhot = 0, rhop = 0, st = 0, sp = 0, ut = 0, up = 0;
    double rho_pt = 0, s_pt = 0, u_pt = 0;  // cross derivatives d2/dlogP dlogT
    double smix = 0;                         // entropy of mixing [erg g^-1 K^-1]
    Origin origin = Origin::None;            // the less reliable of the two components
};

struct Mixture {
    double y = 0;
    std::vector<MixNode> nodes = std::vector<MixNode>(static_cast<std::size_t>(Lattice::nT * Lattice::nP));
    MixNode& at(int i, int j) { return nodes[static_cast<std::size_t>(i + Lattice::nT * j)]; }
    const MixNode& at(int i, int j) const { return nodes[static_cast<std::size_t>(i + Lattice::nT * j)]; }
};

/// Ideal entropy of mixing per gram of mixture [erg g^-1 K^-1] from the
/// number fractions of the hydrogen table (x_H2, x_H) and the helium table
/// (x_He, x_He+), both counted among all free particles including electrons.
double mixing_entropy(double y, double xh2, double xh, double xhe, double xhep);

Mixture mix(const Component& h, const Component& he, double y);

/// The mixture at (log P, log T): logarithms of rho, S, U and their
/// logarithmic derivatives, the adiabatic gradient and Gamma_1 =
/// (dlog P/dlog rho) at constant S; origin: the least reliable source among
/// the four lattice nodes around the point.
struct MixState {
    double logrho, logs, logu, rhot, rhop, st, sp, ut, up, gradad, gamma1;
    Origin origin;
};
MixState evaluate(const Mixture& m, double lp, double lt);

}  // namespace velkaro::eosbuild
