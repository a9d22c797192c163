// Plane-parallel grey atmospheres in the Eddington approximation, and the
// specific entropy of the convective interior below them.
//
// For a surface gravity g and an intrinsic effective temperature Teff the
// radiative layers follow
//     T^4 = 3/4 Teff^4 (tau + 2/3),        dP/dtau = g / kappa(rho, T),
// with the envelope's own opacity and equation of state. On this profile the
// actual gradient dlnT/dlnP equals the radiative-diffusion gradient
// 3 kappa P Teff^4 / (16 g T^4), so the Schwarzschild test of the envelope
// (as in convrad, with L / m = 4 pi sigma Teff^4 G / g) tells where the profile
// stops being a valid radiative solution: the radiative-convective boundary
// (RCB). Below it the gas follows the adiabat, whose entropy is the value
// at the RCB. Since dS = c_P (nabla - nabla_ad) dlnP, that entropy is the
// minimum of S along the grey profile, so a small error in locating the
// RCB changes S only to second order.
//
// Below a convective layer the gas may turn radiative again (a detached
// radiative zone where the opacity is low); there the temperature gradient
// is again the radiative one, T^4 - 3/4 Teff^4 tau constant, starting from
// the adiabat. The interior entropy is that of the convective stretch that
// reaches the bottom of the integration.
//
// Where the entropy is read off: on that adiabat at 100 bar (p_record), or
// at the RCB when that lies deeper. With one consistent equation of state
// this is the RCB value; the envelope's EOS, however, is the ideal molecular
// gas below 363 K or below 4.6 mbar and the tables elsewhere; the entropy
// table that the outer boundary inverts at 100 bar agrees with the EOS
// tables but not exactly with the ideal-gas branch. Reading S where the
// boundary will use it makes the boundary temperature at 100 bar the one of
// this very adiabat.
//
// Units: cgs; entropies are returned in Boltzmann constants per hydrogen
// atom mass, the unit of the hydrogen-helium entropy table that the outer
// boundary inverts, and on that table's zero point: the nuclear-spin
// entropy of the protons, k ln 2 each, is included (as in the published
// H/He EOS and the atmosphere and evolution grids built on it), whereas the
// envelope's EOS leaves it out. It is a constant per gram of hydrogen, so it
// shifts every entropy alike and changes no gradient.
#pragma once

#include <memory>
#include <string>

#include "common/constants.hpp"

namespace velkaro::eos {
struct EosTables;
}

namespace velkaro::atmosphere {

/// Mass of the hydrogen atom [g]: the unit of entropy "k_B per m_H". The
/// hydrogen-helium entropy table was written with this very factor, so the
/// grid and the table share one zero point and one unit.
inline constexpr double kHydrogenAtomMass = 1.00782503 * cst::amu;

/// Nuclear-spin entropy of the protons [erg g^-1 K^-1] of gas with helium
/// fraction Y: k ln 4 per H2 molecule of the hydrogen mass fraction 1 - Y.
inline double proton_spin_entropy(double Y) { return (1.0 - Y) * cst::kB * 1.3862943611198906 / cst::mH2; }

/// Specific entropy [erg g^-1 K^-1] in Boltzmann constants per hydrogen mass.
constexpr double entropy_kB_per_mH(double s_cgs) { return s_cgs * kHydrogenAtomMass / cst::kB; }

/// Eddington grey temperature [K] at optical depth tau for an effective
/// temperature teff [K]: T^4 = 3/4 teff^4 (tau + 2/3).
double eddington_temperature(double teff, double tau);

/// Composition, opacity switches and numerics of the grey atmospheres.
struct GreySettings {
    double Y = 0.27;             // helium mass fraction (the entropy table's)
    double metallicity = 0;      // [M/H] of the gas opacity
    bool redopagrains = true;    // grain law with its grain terms scaled by f_opacite
    double f_opacite = 1e-20;    // grain reduction factor
    double opacityscale = 1;     // factor on the opacity
    double p_top = 1e-2;         // pressure where the integration starts [dyn cm^-2]
    double p_bottom = 1e10;      // deepest pressure considered: 10 kbar [dyn cm^-2]
    double dlogp = 0.02;         // step in log10 P
    // Gas above the photosphere (tau < 2/3) is held radiative: optically thin
    // eddies lose their heat by radiation, so convection there carries
    // little flux and the Eddington profile holds down to the photosphere.
    double tau_convection = 2.0 / 3.0;
    double p_record = 1e8;       // entropy taken on the adiabat at this depth if the RCB is higher
};

/// Outcome of one grey atmosphere.
struct GreyResult {
    double s = 0;             // entropy of the interior adiabat [k_B/m_H]
    double p = 0;             // pressure where s was taken [dyn cm^-2]
    double t = 0;             // temperature there [K]
    double tau = 0;           // optical depth there
    double p_rcb = 0;         // top of the convective stretch reaching p_bottom [dyn cm^-2]
    double t_rcb = 0;         // temperature there [K]
    bool convective = false;  // false: still radiative at p_bottom, s taken there
    int zones = 0;            // convective stretches met down to p_bottom
};

/// Integrates grey atmospheres with one set of tables and settings. Holds a
/// private run context (opacity switches, metallicity bracket), so one
/// instance must not be used by two threads at once; instances are cheap.
class GreyAtmosphere {
public:
    GreyAtmosphere(std::shared_ptr<const eos::EosTables> tables, const GreySettings& settings);
    ~GreyAtmosphere();
    GreyAtmosphere(const GreyAtmosphere&) = delete;
    GreyAtmosphere& operator=(const GreyAtmosphere&) = delete;

    /// Integrate downward from p_top to p_bottom with dlnT/dlnP =
    /// min(nabla_rad, nabla_ad): the Eddington profile where the gas is
    /// radiative, the adiabat where it is convective (so a detached radiative
    /// zone below a first convective layer continues from the adiabat, not
    /// from the hotter Eddington profile). Above tau_convection the gas is
    /// held radiative. The RCB is the top of the convective stretch that
    /// reaches p_bottom (located by bisection within one step); the entropy
    /// is taken on its adiabat at p_record, or at the RCB if that is deeper.
    /// If the gas is radiative at p_bottom, it is taken there. g in cm s^-2,
    /// teff in K.
    GreyResult solve(double g, double teff);

    /// Entropy of the envelope gas [k_B/m_H] at pressure p and temperature t.
    double entropy(double p, double t);
    /// Opacity of the envelope gas [cm^2 g^-1] at pressure p and temperature t.
    double kappa(double p, double t);
    /// The envelope's own Schwarzschild test (convrad) for the flux of teff
    /// at gravity g: true when the gas at (p, t) is convective.
    bool convrad_says_convective(double g, double teff, double p, double t);

    /// Opacity [cm^2 g^-1] and the two logarithmic gradients at (p, t) for
    /// the flux of teff at gravity g: nabla_rad = 3 kappa P Teff^4 /
    /// (16 g T^4) (radiative diffusion) and nabla_ad = (P/T) (dT/dP)_S. The
    /// gas is convective where nabla_rad > nabla_ad, as in convrad.
    struct Gradients {
        double kappa = 0, rad = 0, ad = 0;
    };
    Gradients gradients(double g, double teff, double p, double t);

    const GreySettings& settings() const { return set_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    GreySettings set_;
};

/// Axes of the atmosphere entropy grid: log10 g and log10 Teff, uniform.
struct GridSpan {
    double logg_min = 2.0, logg_max = 5.5;                    // g [cm s^-2]
    double teff_min = 60.0, teff_max = 3000.0;                // Teff [K]
    int ngrav = 50, nteff = 100;
    double g(int i) const;     // i = 1..ngrav
    double teff(int j) const;  // j = 1..nteff
};

/// One grid line exactly as written: "g Teff S".
std::string grid_line(double g, double teff, double s);

/// The whole grid file: a header line, then ngrav x nteff lines "g Teff S",
/// gravity-major. radiative_points receives the number of points that were
/// still radiative at p_bottom (also stated in the header).
std::string atmos_grid_text(GreyAtmosphere& atm, const GridSpan& span, int* radiative_points = nullptr);

}  // namespace velkaro::atmosphere
