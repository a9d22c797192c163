// Per-run state of the equation-of-state subsystem. The loaded tables are
// immutable and shared (several runs may hold the same pointer; a caller
// running a grid of planets can set it before the runs start). The
// evaluation keeps no other state between calls than the memo of full
// evaluations and the two kinds of blended cells below (one of each per run) and the cell coefficients the shared
// tables form once on first use (the same numbers whichever run forms them):
// its 4 x 4 work area lives on the stack
// of each call, so runs in several threads never interfere.
#pragma once

#include <array>
#include <limits>
#include <memory>
#include <vector>

namespace velkaro::eos {

struct EosTables;

/// One remembered full evaluation: the arguments and the ten output slots
/// (5 to 14) in the order of EosOut.
struct EosMemoEntry {
    double y, p, t;
    double out[10];
};

/// What a blended cell serves (its tables, Y and cell, lower-left node ip,
/// jt) and where it lies: the node's log P, log T and the reciprocal cell
/// widths with which an evaluation places a point in it.
struct EosBlendedKey {
    const EosTables* tables = nullptr;
    double y = std::numeric_limits<double>::quiet_NaN();
    int ip = 0, jt = 0;
    double lp0 = 0, lt0 = 0;        // log P, log T of the lower-left node
    double inv_d1 = 0, inv_d2 = 0;  // reciprocal cell widths in log P, log T
    bool serves(const EosTables& tb, double yy, int i, int j) const {
        return ip == i && jt == j && y == yy && tables == &tb;
    }
};

/// The bicubic coefficients of log10 rho and of the adiabatic gradient
/// dlog T/dlog P in one table cell, blended linearly in Y between the two
/// tables that bracket y. The bicubic is linear in its coefficients, so one
/// bicubic of the blend gives the Y interpolation of the two tables' values
/// (to rounding) at half the work.
struct EosBlendedCell : EosBlendedKey {
    std::array<double, 16> lrho{}, grad{};
};

/// The bicubic coefficients of all eight interpolated quantities (log rho,
/// log S, log U, the four logarithmic derivatives, the adiabatic gradient)
/// in one table cell, blended linearly in Y as EosBlendedCell blends two of
/// them (quantities 1 and 8 are formed by the same operations, so that the
/// full and the envelope evaluation give the same density and gradient).
struct EosBlendedFullCell : EosBlendedKey {
    std::array<std::array<double, 16>, 8> q{};
};

struct EosContext {
    /// The three H/He tables; loaded by loadeos when still empty.
    std::shared_ptr<const EosTables> tables;
    /// Full evaluations of recent (Y, P, T), direct-mapped by a hash of the
    /// arguments: after each step the entropy bookkeeping, the energy
    /// budget, deuterium burning and the output all evaluate the EOS at the
    /// same shells, and the three later ones find the values here. A hit
    /// returns exactly what the evaluation returned (same arguments, same
    /// tables). Allocated on first use; valid for memo_tables only.
    mutable std::vector<EosMemoEntry> memo;
    mutable const EosTables* memo_tables = nullptr;
    /// Blended cells of the envelope equations (eosfast_envelope), direct
    /// mapped by cell. An integration keeps Y and walks one line of cells, so
    /// after its first pass nearly every call finds its cell here. An entry
    /// serves only its own tables, Y and cell: a change of Y simply misses.
    /// Allocated on first use, once per run.
    mutable std::vector<EosBlendedCell> blended;
    /// Blended cells of all eight quantities for the full evaluations that
    /// miss the memo (the shells of each new structure), direct mapped by
    /// cell like blended: a structure's shells lie in a few hundred cells,
    /// mostly the same from one step to the next. Allocated on first use.
    mutable std::vector<EosBlendedFullCell> blended_full;
};

}  // namespace velkaro::eos
