// The adiabat of the outer boundary. An atmosphere-model grid gives the
// specific entropy S of the convective interior as a function of surface
// gravity g and intrinsic effective temperature Teff; the hydrogen-helium
// entropy table S(P, T) is then inverted for the temperature at the
// boundary pressure of 100 bar. Entropies are in k_B per hydrogen mass.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "atmosphere/context.hpp"
#include "common/arrays.hpp"
#include "common/modules.hpp"

namespace velkaro::atmosphere {

/// The atmosphere grid S(log g, log Teff) on uniform axes.
struct AtmosGrid {
    static constexpr int ngrav = 50;
    static constexpr int nteff = 100;
    Vec1<double> loggs{ngrav};        // log10 g [cm s^-2]
    Vec1<double> tefflinlogs{nteff};  // log10 Teff [K]
    Mat1<double> entro{ngrav, nteff}; // S [k_B/m_H]
};

/// The hydrogen-helium entropy table S(log P, log T), both axes uniform.
struct EntropyTable {
    static constexpr int nt = 221;
    static constexpr int np = 201;
    Vec1<double> logt{nt};       // log10 T [K]
    Vec1<double> logp{np};       // log10 P [dyn cm^-2], -2 .. 18
    Mat1<double> s{np, nt};      // S(l, k) [k_B/m_H], pressure index first
};

/// Boundary pressure of the outer boundary: 100 bar [dyn cm^-2].
inline constexpr double kBoundaryPressure = 1e8;

/// Read the atmosphere grid file (one header line, then 50 x 100 lines
/// "g Teff S", gravity-major); axes returned as base-10 logarithms.
std::shared_ptr<const AtmosGrid> read_atmos_grid(const std::string& file);
/// Read the hydrogen-helium entropy table (221 x 201 lines "logT logP - S",
/// temperature-major).
std::shared_ptr<const EntropyTable> read_entropy_table(const std::string& file);

/// f at x by linear interpolation on the uniform grid xx(1..n); x outside
/// [xx(1), xx(n)] is a fatal error. f and xx point to element 1.
double linterp_fvonx(int n, const double* f, const double* xx, double x);

/// S(g, Teff) [k_B/m_H] by bilinear interpolation in log g and log Teff;
/// outside the grid the edge cell is extrapolated. The grid is read on first
/// use from the data directory of `path` into `ac`.
double entropie_von_gravteff_reggitt(AtmosphereContext& ac, const PathModule& path, double g, double teff);
/// Same, on a given grid.
double entropy_from_grid(const AtmosGrid& grid, double g, double teff);

/// T [K] on the adiabat of entropy S [k_B/m_H] at pressure P [dyn cm^-2];
/// stops the run where the table has no such adiabat. The table is read on
/// first use from the EOS directory of `path` into `ac`.
double temperaturausdruckundentropie(AtmosphereContext& ac, const PathModule& path, double P, double S);
/// Load the atmosphere entropy grid and the H/He entropy table now unless
/// they are already set (a caller running many planets shares them).
void load_entropy_tables(AtmosphereContext& ac, const PathModule& path);
/// Same, on a given table.
double temperature_from_table(const EntropyTable& table, double P, double S);

/// The inversion for the boundary of a trial radius of a structure search,
/// which must not stop the run: where temperature_from_table has no answer
/// (an entropy below that of 100 K at P, the root or the bracket outside the
/// table) the entropy is raised to that of 100 K and the bracket kept in the
/// table, and `clamped` is set; elsewhere the same T, bit for bit. NaN, P
/// out of range and S > 100 still stop the run.
double trial_temperature_from_table(const EntropyTable& table, double P, double S, bool& clamped);

/// Outer-boundary state for gravity g and intrinsic temperature teff: the
/// adiabat's entropy S, the boundary pressure P (100 bar) and T there. With
/// `clamped` null the exact inversion (stops the run where it has no
/// answer); otherwise the trial inversion, *clamped telling whether it
/// clamped.
void pt_aus_gravteff(AtmosphereContext& ac, const PathModule& path, double g, double teff, double& P, double& T, double& S,
                     bool* clamped = nullptr);

}  // namespace velkaro::atmosphere
