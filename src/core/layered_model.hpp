// Cold, differentiated rock/ice core in hydrostatic equilibrium under an
// external pressure: the physics behind the built-in core density table.
//
// From the centre outwards the core holds an iron (epsilon-Fe) kernel with
// one third of the rock mass, a silicate (MgSiO3 perovskite) mantle with the
// other two thirds, and a water-ice shell with the ice mass fraction. Each
// material follows the modified polytrope of Seager, Kuchner, Hier-Majumder
// & Militzer (2007, ApJ 669, 1279, Table 3 / Eq. 11),
//     rho = rho0 + c P^n        (rho in kg m^-3, P in Pa),
// a fit to their merged Vinet/BME and Thomas-Fermi-Dirac equations of state.
// There is no thermal pressure: the structure is that of a cold body; the
// program corrects for thermal expansion afterwards.
//
// The table generator (tools/coretable) runs this model on the table grid
// and calibrates the result to a few published table entries; the tests
// rerun it on a handful of grid points.
#pragma once

#include <array>
#include <vector>

namespace velkaro::core::layered {

/// Modified polytrope rho = rho0 + c P^n in SI units (kg m^-3, Pa).
struct Polytrope {
    double rho0;  // zero-pressure density [kg m^-3]
    double c;     // [kg m^-3 Pa^-n]
    double n;

    /// Density [g cm^-3] at pressure P [dyn cm^-2]. Tension (P < 0) does
    /// not occur in a converged structure; it is given the zero-pressure
    /// density so that a trial integration stays continuous.
    double density(double P) const;
};

// Seager et al. (2007), Table 3.
inline constexpr Polytrope kIron{8300.0, 0.00349, 0.528};        // Fe (epsilon)
inline constexpr Polytrope kPerovskite{4100.0, 0.00161, 0.541};  // MgSiO3 perovskite
inline constexpr Polytrope kWaterIce{1460.0, 0.00311, 0.513};    // H2O ice VII/VIII/X

/// Model settings. The gravitational constant is the measured one: the
/// table is a property of the materials, not of the program's rounded G.
struct ModelSettings {
    double G = 6.674e-8;              // [cm^3 g^-1 s^-2]
    double iron_share = 1.0 / 3.0;    // iron fraction of the rock mass
    int steps_per_layer = 1200;       // Runge-Kutta steps in each layer
};

/// A converged structure.
struct CoreStructure {
    double radius = 0;    // outer radius [cm]
    double rho_mean = 0;  // mean density M / (4/3 pi R^3) [g cm^-3]
    double Pcentre = 0;   // central pressure [dyn cm^-2]
};

/// Pressure at the surface [dyn cm^-2] and radius [cm] reached by
/// integrating outward from central pressure Pc through a core of mass M
/// [g] and ice fraction fice.
struct SurfaceState {
    double P;
    double radius;
};
SurfaceState integrate_outward(double M, double fice, double Pc, const ModelSettings& set);

/// Structure of a core of mass M [g] and ice mass fraction fice (0..1)
/// whose surface pressure is Pext [dyn cm^-2]: the central pressure is
/// found by bracketing and bisection-safeguarded secant steps.
CoreStructure solve(double M, double Pext, double fice, const ModelSettings& set = {});

// ---------------------------------------------------------------------
// The table grid and its calibration.

inline constexpr int kNMass = 20, kNPres = 19, kNIce = 11;
inline constexpr int kNTable = kNMass * kNPres * kNIce;  // 4180

/// Core masses of the grid in Earth masses (5.97424e27 g).
inline constexpr std::array<double, kNMass> kMassEarth{0.1, 0.2, 0.3, 0.5, 1,   2,   3,   5,   7,   10,
                                                        20,  30,  50,  70,  100, 200, 300, 500, 700, 1000};
inline constexpr double kEarthMass = 5.97424e27;  // [g]

/// Grid values: mass [g], log10 of the external pressure, ice fraction.
double grid_mass(int iM);
double grid_logP(int iP);
double grid_ice(int iF);

/// Position of grid point (iM, iP, iF) (one-based) in the flat table:
/// ice fraction fastest, mass slowest.
constexpr int table_index(int iM, int iP, int iF) {
    return 209 * (iM - 1) + 11 * (iP - 1) + iF;
}

/// A published table entry at (mass index, pressure index) for ice
/// fractions 0, 0.5 and 1 [g cm^-3]. The table must contain these values.
struct TellingRow {
    int iM, iP;
    std::array<double, 3> rho;  // at iF = 1, 6, 11
};
inline constexpr std::array<TellingRow, 7> kTellingRows{{
    {1, 1, {5.466, 2.564, 1.672}},
    {1, 19, {802.6, 619.1, 503.6}},
    {5, 1, {6.276, 3.017, 1.982}},
    {5, 12, {6.293, 3.05, 2.009}},
    {10, 1, {8.862, 4.445, 2.968}},
    {20, 1, {167.4, 83.1, 49.19}},
    {20, 19, {1097.0, 771.0, 585.6}},
}};

/// Model densities on (some of) the grid. Entries not yet computed are 0;
/// `at` computes and remembers one on demand.
class RawTable {
public:
    explicit RawTable(ModelSettings set = {}) : set_(set), rho_(kNTable, 0.0) {}
    double at(int iM, int iP, int iF);
    void compute_all();
    const std::vector<double>& values() const { return rho_; }

private:
    ModelSettings set_;
    std::vector<double> rho_;
};

/// Calibrated table entry (iM, iP, iF): the model density times a smooth
/// correction factor that makes the published entries exact. The factor is
/// interpolated linearly in ice fraction between the published ice
/// fractions, in "pressure progress" w = (rho(P) - rho(Pmin)) / (rho(Pmax) -
/// rho(Pmin)) between published pressures (so it is constant where the
/// external pressure does not yet compress the core, and the density stays
/// monotonic in pressure), and linearly in log mass between the published
/// masses. The published entries themselves are returned exactly.
double calibrated(RawTable& raw, int iM, int iP, int iF);

/// The whole calibrated table in table order (4180 values).
std::vector<double> calibrated_table(RawTable& raw);

}  // namespace velkaro::core::layered
