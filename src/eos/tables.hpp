// The three H/He equation-of-state tables, one per helium mass fraction,
// on one (log P, log T) grid. Loaded once (a table that a run opened but does
// not need is never read, see require); the values are then read-only and
// several runs and threads may share one instance. The bicubic coefficients
// of a cell are formed from them on first use and kept (see cell()).
//
// Grid rule (the evaluation computes cell indices from it instead of
// searching): log P(IP) = 3.5 + 0.15 (IP - 1), log T(JT) = 2.5 + 0.05 (JT - 1).
//
// Quantities n = 1..9 per node, as in the files:
//   1 log rho [g cm^-3]          2 log S [erg g^-1 K^-1]   3 log U [erg g^-1]
//   4 dlog rho/dlog T at P        5 dlog rho/dlog P at T
//   6 dlog S/dlog T at P          7 dlog S/dlog P at T
//   8 adiabatic gradient dlog T/dlog P at S
//   9 log10 of a ninth positive column (0 where the file value is <= 0);
//     not used by the evaluation.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "common/arrays.hpp"
#include "eos/bicubic.hpp"

namespace velkaro::eos {

struct EosTables {
    static constexpr int kCapacity = 150;  // largest NP and NT accepted
    static constexpr int kTables = 3;      // helium fractions
    static constexpr int kQuantities = 9;  // columns per node
    static constexpr int kInterpolated = 8;  // columns the evaluation interpolates

    int np = 0;             // pressure points
    int nt = 0;             // temperature points
    Arr1<double, 3> yval;   // helium mass fraction of table k, increasing
    Vec1<double> logp;      // log P of row IP [dyn cm^-2], IP = 1..np
    Vec1<double> logt;      // log T of column JT [K], JT = 1..nt
    std::array<std::string, 3> names;  // file names, for messages

    /// Quantity n (1..9) of table k (1..3) at node (ip, jt).
    double q(int n, int k, int ip, int jt) const {
        VELKARO_INDEX_CHECK(n, 1, kQuantities);
        return values[static_cast<std::size_t>(n - 1)][index(k, ip, jt)];
    }
    double& q(int n, int k, int ip, int jt) {
        VELKARO_INDEX_CHECK(n, 1, kQuantities);
        return values[static_cast<std::size_t>(n - 1)][index(k, ip, jt)];
    }

    /// The bicubic coefficients of quantities 1..8 of one table in one cell.
    using CellBlock = std::array<CellCoefficients, kInterpolated>;

    /// Bicubic coefficients of quantities 1..8 (element n - 1) of table k
    /// (1..3) in the cell whose lower-left node is (ip, jt), ip = 2..np-2,
    /// jt = 2..nt-2, from the same centred differences as a direct
    /// evaluation. A cell's coefficients are computed the first time it is
    /// asked for and kept (a run visits a small part of the 27 000 cells, and
    /// forming all of them took more time than a short run). They are a pure
    /// function of the table values, so whichever call computes them first,
    /// every call sees the same numbers: several threads may share the tables.
    /// When a cell is not yet stored, the coefficients are formed in scratch
    /// and the returned reference may point there.
    const CellBlock& cell(int k, int ip, int jt, CellBlock& scratch) const {
        const std::size_t slot = cell_index(ip, jt) * kTables + static_cast<std::size_t>(k - 1);
        if (cell_state[slot].load(std::memory_order_acquire) == kCellStored) return cell_blocks[slot];
        return store_cell(k, ip, jt, slot, scratch);
    }
    /// True when the log S stencil of some corner of the cell holds a zero
    /// (a hole in the entropy table), for table k.
    bool entropy_hole(int k, int ip, int jt) const { return holes[cell_index(ip, jt) * kTables + static_cast<std::size_t>(k - 1)] != 0; }

    /// Read table k (1..3) if it is not read yet. Tables opened by
    /// open_eos_tables are read on first use: a run whose helium fraction
    /// lies between the second and third table never reads the first.
    /// Cheap once read; several threads may ask at once (the first reads,
    /// the others wait). A file that cannot be read throws FatalError, as
    /// read_eos_tables would.
    void require(int k) const {
        if (!ready_[static_cast<std::size_t>(k - 1)].load(std::memory_order_acquire)) read_table(k);
    }
    /// The two tables that bracket the helium fraction y (none outside).
    void require_for(double y) const;

    // Storage (filled by the loader).
    std::array<std::vector<double>, kQuantities> values;
    std::vector<std::uint8_t> holes;
    /// Allocate the (empty) store of cell coefficients; called by the loader
    /// once np and nt are known.
    void prepare_cells();

private:
    friend std::shared_ptr<const EosTables> open_eos_tables(const std::array<std::string, 3>&,
                                                            const std::array<std::filesystem::path, 3>&);
    // Where each table is read from, and whether it has been.
    std::array<std::filesystem::path, kTables> files_;
    mutable std::array<std::once_flag, kTables> once_;
    mutable std::array<std::atomic<bool>, kTables> ready_{};
    void read_table(int k) const;

    static constexpr std::uint8_t kCellEmpty = 0, kCellWriting = 1, kCellStored = 2;
    // Left uninitialised: the pages of cells never used are never touched.
    std::unique_ptr<CellBlock[]> cell_blocks;
    // Per (cell, table): empty, being written by one caller, stored.
    std::unique_ptr<std::atomic<std::uint8_t>[]> cell_state;
    const CellBlock& store_cell(int k, int ip, int jt, std::size_t slot, CellBlock& scratch) const;

public:

    std::size_t index(int k, int ip, int jt) const {
        VELKARO_INDEX_CHECK(k, 1, kTables);
        VELKARO_INDEX_CHECK(ip, 1, np);
        VELKARO_INDEX_CHECK(jt, 1, nt);
        return static_cast<std::size_t>(k - 1) +
               kTables * (static_cast<std::size_t>(ip - 1) + static_cast<std::size_t>(np) * static_cast<std::size_t>(jt - 1));
    }
    std::size_t cell_index(int ip, int jt) const {
        VELKARO_INDEX_CHECK(ip, 2, np - 2);
        VELKARO_INDEX_CHECK(jt, 2, nt - 2);
        return static_cast<std::size_t>(ip - 1) + static_cast<std::size_t>(np) * static_cast<std::size_t>(jt - 1);
    }
};

/// The corner data of quantity n, table k, in the cell (ip, jt) from centred
/// differences of the 4 x 4 neighbourhood (rows ip-1..ip+2, columns
/// jt-1..jt+2); corners in the order (ip, jt), (ip+1, jt), (ip+1, jt+1),
/// (ip, jt+1). Both cell widths are those of the cell itself.
struct CellData {
    Corners y, y1, y2, y12;
    double d1 = 0, d2 = 0;
};
CellData cell_data(const EosTables& tb, int n, int k, int ip, int jt);

}  // namespace velkaro::eos
