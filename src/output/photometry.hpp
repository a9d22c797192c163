// Black-body photometry of the planet: its spectrum (own thermal emission
// plus reflected starlight, both black bodies) integrated over 16 measured
// filter transmission curves with Simpson's rule, and the planet-to-star
// contrast. The curves are read once from "filtertransmissions/" in the data
// directory; the public entry points are in output/observables.hpp.
#pragma once

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "common/modules.hpp"

namespace velkaro::output {

struct PhotometryContext;

inline constexpr int kFilters = 16;           // U B V R I J H Ks L M N Q W1 W2 W3 W4
inline constexpr int kFilterMaxRows = 1200;   // most samples a curve file may hold

/// Constants of the black-body photometry (cgs).
inline constexpr double kTwoHc2 = 1.1910666467986475e-5;  // 2 h c^2 [erg cm^2 s^-1]
inline constexpr double kHc = 1.9864850635e-16;           // h c [erg cm]
inline constexpr double kBoltzmann = 1.38062e-16;         // k [erg/K]
inline constexpr double kPi = 3.141592654;
inline constexpr double kTenParsec = 3.085678e19;         // 10 pc [cm]
inline constexpr double kTenParsec2 = 9.521408719684e38;  // (10 pc)^2 [cm^2]
/// Fraction of the starlight falling on the planet's disc that the planet
/// sends back towards the observer (a geometric albedo times the disc
/// factor, folded into one number).
inline constexpr double kReflected = 0.1655211407939586;
/// lambda^2 / (c 1e-23) with c = 2.997925e10 cm/s: F_lambda [cgs] to F_nu [Jy].
inline constexpr double kToJansky = 1.0 / 2.997925e-13;

/// One filter: file (relative to the data directory), whether its wavelength
/// column is in Angstrom (else micrometre), effective wavelength [micron] and
/// the zero point of its magnitude.
struct FilterSpec {
    const char* file;
    bool angstrom;
    double lambda_eff_um;
    double zero_point;
};
const FilterSpec& filter_spec(int k);

/// One transmission curve: nt samples, wavelengths [cm] strictly ascending.
struct FilterCurve {
    int nt = 0;
    std::vector<double> lamb;   // lamb[0] is row 1
    std::vector<double> trans;
    double lmin = 0, lmax = 0;  // first and last wavelength [cm]
};

class FilterCurves {
public:
    /// Read the 16 curves from `datadir` (trailing blanks ignored, names
    /// appended as they stand). A missing file, a malformed line, wavelengths
    /// that do not rise, fewer than 2 or more than 1200 samples stop the run
    /// naming the file.
    static std::shared_ptr<const FilterCurves> load(const std::string& datadir);
    /// One file: a header line, then "wavelength transmission" per line;
    /// wavelengths multiplied by to_cm.
    static FilterCurve read_curve(const std::string& filename, double to_cm);

    const FilterCurve& curve(int k) const { return c_[static_cast<std::size_t>(k - 1)]; }

private:
    std::array<FilterCurve, kFilters> c_;
};

/// The run's curves, loaded on first use from path.path_fichiersdg into pc.
const FilterCurves& filter_curves(PhotometryContext& pc, const PathModule& path);

/// Hunt search on one filter's wavelengths (xx points to row 1); as huntpisa.
void huntfiltertransmission(const double* xx, double x, int& jlo, int n);

/// Transmission of filter k at wavelength lambda [cm] (0 off the curve) and
/// the filter's first and last wavelengths. jlolm is the remembered row.
void filtertransmission(const FilterCurves& fc, int& jlolm, double lambda, int k, double& trans, double& lmin,
                        double& lmax);
void filtertransmission(PhotometryContext& pc, const PathModule& path, double lambda, int k, double& trans,
                        double& lmin, double& lmax);

/// Planck's law B_lambda(T) [erg s^-1 cm^-2 cm^-1 sr^-1], lambda in cm.
double planck(double lambda, double t);
/// The same from the wavelength factors l5 = lambda^5 and lk = lambda k.
inline double planck_at(double l5, double lk, double t) {
    return kTwoHc2 / (l5 * (std::exp(kHc / (lk * t)) - 1.0));
}

/// The light of the planet and its star that the photometry needs.
struct BodyLight {
    double tp = 0;        // planet effective temperature [K]
    double r = 0;         // planet radius [cm]
    double a = 0;         // orbital distance [cm]
    double rstar = 0;     // stellar radius [cm]
    double teffstar = 0;  // stellar effective temperature [K]
};

/// Planet surface flux per unit wavelength [erg s^-1 cm^-2 cm^-1]: its own
/// black body plus the reflected stellar one.
double fluxbb(double lambda, const BodyLight& b);

/// n-th stage of the trapezoid refinement of the integral of fluxbb times
/// the transmission of filter k over [lo, hi]; s holds the previous stage.
void trapzdbb(const FilterCurves& fc, int& jlolm, int k, double lo, double hi, const BodyLight& b, double& s, int n);

struct SimpsonResult {
    double s = 0;    // the integral
    int stages = 0;  // trapezoid stages used
};
/// Simpson's rule by successive refinement to a relative accuracy of 1e-6;
/// stops the run after 20 stages without convergence.
SimpsonResult qsimpbb(const FilterCurves& fc, int& jlolm, int k, double lo, double hi, const BodyLight& b);

/// Absolute magnitude of a body of radius r [cm] whose surface magnitude is m.
double magnitudesabs(double m, double r);

/// The 14 wavelengths of the contrast [micron].
inline constexpr std::array<double, 14> kContrastWavelengths = {1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 20, 40, 60, 100};

/// The points at which Simpson's rule samples one filter's whole curve,
/// stage by stage in the order the trapezoid stages visit them, with what
/// the integrand needs there that does not depend on the planet: the
/// wavelength and the transmission. Every track line integrates the same
/// 16 curves over the same intervals, so these are computed once per run
/// (deeper stages are added when a line first needs them) and each line
/// only evaluates the two Planck functions. Beyond stage 1 a point where
/// the curve is 0 is not stored: its term, exactly 0, leaves a sum of the
/// others unchanged. The sums are exactly those of trapzdbb.
struct FilterNode {
    double lambda;  // [cm]
    double trans;
};
struct FilterNodes {
    int stages = 0;  // trapezoid stages whose points are stored
    /// points[n-1]: the points that stage n adds (each stage its own block,
    /// so that a deeper stage copies none of those before it).
    std::vector<std::vector<FilterNode>> points;
    /// The band flux of a black body, I(T) = integral of pi B(lambda, T)
    /// times the transmission, by the same Simpson's rule, at the
    /// temperatures T_i = exp(i kBandStep) K (i = 0..kBandPoints-1); NaN
    /// where not computed yet. Filled as the lines need them (see
    /// band_flux); empty until the first.
    std::vector<double> band;
};

/// Grid of the band-flux table: steps of 0.02 in ln T from 1 K to 1e6 K.
inline constexpr double kBandStep = 0.02;
inline constexpr int kBandPoints = 692;
/// Most Simpson stages spent on one point of the table (2^15 + 1 points:
/// the curves of filters 13 and 15 need 15 stages at any temperature).
inline constexpr int kBandStages = 16;
/// Fewest Simpson stages of a table point (2^12 + 1 points). On the jagged
/// curves of filters 13 and 15 two successive estimates may agree within
/// 1e-6 by chance at stage 8 to 11 while the integral is still off by up to
/// 6e-4; from stage 13 on the estimates have settled. A table point serves
/// every line near its temperature, so it is made sure of.
inline constexpr int kBandMinStages = 13;
/// Largest estimated error of the table's interpolation (relative, in I)
/// at which a line still reads the table: the Simpson rule's own tolerance.
inline constexpr double kBandInterpolationTolerance = 1e-6;

/// Band flux I(T) of filter k [erg s^-1 cm^-2] from the table: cubic
/// (four-point Lagrange) interpolation of ln I in ln T between the Simpson
/// integrals at the four nearest grid temperatures, computed on first use.
/// Returns false (I not set) where the table does not serve: T outside
/// 3 K to 3e5 K or not a number, a grid integral that is 0 or unresolved (a
/// filter far on the Wien side of a cold body), or an interpolation whose
/// error, estimated from a fifth grid point, exceeds
/// kBandInterpolationTolerance; the caller then integrates directly.
bool band_flux(const FilterCurves& fc, int& jlolm, int k, FilterNodes& nodes, double T, double& I);

/// Simpson's rule over the whole curve of filter k on its stored points
/// (extended as needed); the same result as qsimpbb over [lmin, lmax].
/// With max_stages > 0: at most that many stages, and a rule that has not
/// converged by then returns stages = 0 instead of stopping the run; and
/// two successive estimates that agree count as convergence only from stage
/// min_stages on.
SimpsonResult qsimpbb_nodes(const FilterCurves& fc, int& jlolm, int k, FilterNodes& nodes, const BodyLight& b,
                            int max_stages = 0, int min_stages = 1);

/// Black-body photometry on given curves for a given star (the work of
/// blackbodymagsv2 once the star is known); nodes is the run's cache of
/// the filters' Simpson points.
void blackbodymags(const FilterCurves& fc, int& jlolm, std::array<FilterNodes, kFilters>& nodes, const BodyLight& b,
                   std::array<double, 16>& mags, std::array<double, 16>& fluxes);

}  // namespace velkaro::output
