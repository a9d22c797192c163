// Per-run state of the core subsystem. The density table is immutable once
// built and may be shared by several runs (a caller running a grid of
// planets can pre-set it); it is built on first use when null.
#pragma once

#include <array>
#include <memory>

#include "common/arrays.hpp"

namespace velkaro::core {

/// The core density table in the layout of the multidimensional
/// interpolator: 4180 rows of (mass [g], log10 P_ext [dyn cm^-2], ice
/// fraction, density [g cm^-3]) and the three axes' grid values.
struct CoreTables {
    static constexpr int kMaxn = 4180;  // rows
    static constexpr int kWidth = 4;    // columns: 3 coordinates + 1 density
    static constexpr int kDim = 3;      // mass, log10 P, ice fraction
    static constexpr int kNdep = 1;

    std::array<int, kDim> NoXi{};  // grid points per axis
    std::array<int, kDim> sblk{};  // row strides per axis
    Mat1<double> grid{20, kDim};   // grid(i, d): i-th value of axis d
    Vec1<double> denscyr{kMaxn};   // densities, ice fraction fastest
    Mat1<double> tab{kMaxn, kWidth};
};

struct CoreContext {
    std::shared_ptr<const CoreTables> tables;
    /// Calls of the core density so far plus one (1: the first call, which
    /// builds the table when none was handed to the run).
    int ifirstrhocore = 1;
};

}  // namespace velkaro::core
