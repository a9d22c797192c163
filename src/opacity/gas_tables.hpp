// Built-in Rosseland-mean gas opacities (molecules and atoms, no grains) for
// six metallicities, on a fixed grid of 42 temperatures and 21 densities.
// The values are the Freedman et al. (2014, ApJS 214, 25) tables resampled
// onto this grid by tools/opacitytables; gas_tables.cpp is that tool's output
// and is not edited by hand (see data/sources/freedman2014/SOURCES.md).
#pragma once

#include <array>

#include "common/arrays.hpp"

namespace velkaro::opacity {

inline constexpr int ntgas = 42;  // temperatures
inline constexpr int nrgas = 21;  // densities
inline constexpr int nmgas = 6;   // metallicities

/// Temperature grid [K].
inline constexpr Arr1<double, ntgas> tvect{{75,   100,  110,  120,  130,  140,  150,  160,  170,  180,  190,
                                            200,  210,  220,  230,  240,  250,  280,  300,  400,  500,  580,
                                            650,  720,  800,  900,  1000, 1100, 1200, 1300, 1400, 1500, 1600,
                                            1700, 1800, 1900, 2000, 2300, 2600, 3000, 3500, 4000}};

/// Density grid, log10 of rho [g cm^-3]: -11 to -1 in steps of 0.5.
inline constexpr Arr1<double, nrgas> rhovect{{-11.0, -10.5, -10.0, -9.5, -9.0, -8.5, -8.0, -7.5, -7.0, -6.5, -6.0,
                                              -5.5,  -5.0,  -4.5,  -4.0, -3.5, -3.0, -2.5, -2.0, -1.5, -1.0}};

/// [M/H] of the six tables and the linear metal factors 10^[M/H] that
/// address them in metallicity.
inline constexpr Arr1<double, nmgas> gasmh{{0.0, 0.5, 0.7, 1.0, 1.5, 1.7}};
inline constexpr Arr1<double, nmgas> gaszf{
    {1.0, 3.1622776601683795, 5.011872336272722, 10.0, 31.622776601683793, 50.11872336272722}};

/// One gas opacity table: kappa [cm^2 g^-1] at (tvect(i), rhovect(j)),
/// stored with the temperature index fastest.
struct GasTable {
    std::array<double, ntgas * nrgas> k;

    double operator()(int i, int j) const {
        VELKARO_INDEX_CHECK(i, 1, ntgas);
        VELKARO_INDEX_CHECK(j, 1, nrgas);
        return k[static_cast<std::size_t>((i - 1) + ntgas * (j - 1))];
    }
};

extern const GasTable vec0p0;  // [M/H] = 0.0
extern const GasTable vec0p5;  // [M/H] = 0.5
extern const GasTable vec0p7;  // [M/H] = 0.7
extern const GasTable vec1p0;  // [M/H] = 1.0
extern const GasTable vec1p5;  // [M/H] = 1.5
extern const GasTable vec1p7;  // [M/H] = 1.7

/// The table of metallicity m = 1..6 (in the order of gasmh).
const GasTable& gastable(int m);

/// log10 of the table temperatures tvect, increasing: where the opacity
/// interpolated linearly in T has kinks (and, at 75 K and 4000 K, changes
/// law). Formed once, immutable.
const std::array<double, ntgas>& gas_log10_temperatures();

}  // namespace velkaro::opacity
