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

/// One node (ln g, ln Tint, ln Teq) = (ix, iy, iz) times the lattice step
/// of the irradiated boundary: the column's temperature [K] and optical
/// depth at the boundary pressure of that gravity. `teq` is the node's
/// equilibrium temperature (exp(iz step), or the run's own Teq where it
/// has no logarithm) and its opacity ratio.
struct IrradiatedNode {
    int ix = 0, iy = 0;
    double teq = -1, gamma = -1;  // the plane's Teq [K] and visible-to-thermal opacity ratio
    bool set = false;
    double lnt = 0, tau = 0;
};

/// The nodes of the irradiated boundary computed so far in this run, for
/// one helium fraction (a change empties it).
/// Direct-mapped by (ix mod 4, iy mod 4, iz mod 2): the trials of a search
/// and of successive steps fall in neighbouring cells, and the star's
/// slowly changing Teq stays between the same two planes for many steps.
struct IrradiatedLattice {
    double Y = -1;
    std::array<IrradiatedNode, 32> nodes{};
};

struct AtmosphereContext {
    std::shared_ptr<const AtmosGrid> grid;         // S(g, Teff) of the atmosphere models
    std::shared_ptr<const EntropyTable> stable;    // S(P, T) of the H/He mixture
    IrradiatedLattice irradiated;                  // per-run memo of the irradiated boundary
};

}  // namespace velkaro::atmosphere
