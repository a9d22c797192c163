// Model-atmosphere magnitude grids: for nine near-infrared filters (2MASS J,
// H, Ks; NACO-CONICA J, H, Ks, L', M'; HiCIAO H) the magnitude of a body of
// 10-pc radius seen from 10 pc, that is -2.5 log10 of the filter-integrated
// surface flux relative to Vega, tabulated on 14 gravities (log g = 6.0 down
// to -0.5 in steps of 0.5) and 92 effective temperatures (400..7000 K every
// 100 K, 7200..12000 K every 200 K). Values above 1e99 mark missing points.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/modules.hpp"

namespace velkaro::output {

struct PhotometryContext;

inline constexpr int kGridRows = 14;     // gravity rows k = 1..14
inline constexpr int kGridCols = 92;     // temperature columns j = 1..92
inline constexpr int kGridFilters = 9;   // filters f = 1..9
inline constexpr double kGridMissing = 1e99;  // values above this are missing
/// Square of 10 pc [cm^2] as the grid magnitudes are defined with.
inline constexpr double kGridTenParsec2 = 9.521422605240062e38;

/// log g [cgs] of gravity row k: 6.0, 5.5, ..., -0.5 for k = 1..14.
constexpr double grid_logg(int k) { return (13 - k) / 2.0; }
/// Teff [K] of temperature column j: 400..7000 every 100, then 7200..12000 every 200.
constexpr double grid_teff(int j) { return j < 68 ? (j + 3) * 100.0 : (j - 32) * 200.0; }
/// File name of filter f = 1..9 in the data directory ("2MASSJ.sfl" ...).
const std::string& grid_file(int f);

class MagnitudeGrids {
public:
    /// Read the nine grid files from `datadir` (trailing blanks ignored; the
    /// names are appended as they stand). A missing file or one that does not
    /// hold 14 records of 92 numbers stops the run naming the file.
    static std::shared_ptr<const MagnitudeGrids> load(const std::string& datadir);
    /// One file: 14 free-format records of 92 numbers, the first record the
    /// row log g = -0.5, the last log g = 6.0. Returned as value(k, j).
    static std::vector<double> read_grid(const std::string& filename);

    /// Magnitude of filter f at gravity row k, temperature column j.
    double value(int k, int j, int f) const { return v_[index(k, j, f)]; }

private:
    static std::size_t index(int k, int j, int f) {
        return (static_cast<std::size_t>(f - 1) * kGridRows + static_cast<std::size_t>(k - 1)) * kGridCols +
               static_cast<std::size_t>(j - 1);
    }
    std::vector<double> v_ = std::vector<double>(kGridRows * kGridCols * kGridFilters);
};

/// The run's grids, loaded on first use from path.path_fichiersdg into pc.
const MagnitudeGrids& magnitude_grids(PhotometryContext& pc, const PathModule& path);

/// The interpolation behind interpolmagnitudesgridco on given grids.
void interpolmagnitudesgrid(const MagnitudeGrids& g, double teff, double logg, double r,
                            std::array<double, 9>& mags, std::array<double, 9>& gridmags);

/// Neville's polynomial through (xa(1..n), ya(1..n)) at x: value y and the
/// error estimate dy (the last correction). Two equal abscissae stop the run.
void polintmagnitudesco(const double* xa, const double* ya, int n, double x, double& y, double& dy);

}  // namespace velkaro::output
