// Per-run state of the atmosphere subsystem: the atmosphere entropy grid and
// the hydrogen-helium entropy table, read on first use. Both are immutable
// once read, so a caller running many planets may load them once and hand
// the same pointers to every run. The nodes of the irradiated boundary are
// the run's own.
#pragma once

#include <array>
#include <memory>

namespace velkaro::atmosphere {

struct AtmosGrid;
struct EntropyTable;

/// One node (ln g, ln Tint) = (ix, iy) times the lattice step of the
/// irradiated boundary: the column's temperature [K] and optical depth at
/// the boundary pressure of that gravity.
struct IrradiatedNode {
    int ix = 0, iy = 0;
    bool set = false;
    double lnt = 0, tau = 0;
};

/// The nodes of the irradiated boundary computed so far in this run, for
/// one equilibrium temperature, opacity ratio and helium fraction (a change
/// of any of them empties it). Direct-mapped by (ix mod 4, iy mod 4): the
/// trials of a search and of successive steps fall in neighbouring cells.
struct IrradiatedLattice {
    double teq = -1, gamma = -1, Y = -1;
    std::array<IrradiatedNode, 16> nodes{};
};

struct AtmosphereContext {
    std::shared_ptr<const AtmosGrid> grid;         // S(g, Teff) of the atmosphere models
    std::shared_ptr<const EntropyTable> stable;    // S(P, T) of the H/He mixture
    IrradiatedLattice irradiated;                  // per-run memo of the irradiated boundary
};

}  // namespace velkaro::atmosphere
