// The solid core: its mean density from mass, external pressure,
// temperature and ice fraction, and its gravitational and thermal energy.
#pragma once

#include <memory>

#include "common/console.hpp"
#include "core/context.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::core {

// ---------------------------------------------------------------------
// Density.

/// Pressure [dyn cm^-2] and temperature [K] at the core surface from the
/// record (r, L, P, T, tau) of the innermost envelope shell.
double shell_pressure(const double* shell);
double shell_temperature(const double* shell);

/// Thermal expansion coefficients [1/K] of high-pressure ice and of rock at
/// pressure P [dyn cm^-2]: power laws in P, capped at low pressure (a value
/// that is not a number also takes the cap).
double alpha_ice(double P);
double alpha_rock(double P);

/// Mean core density rho [g/cm3] of a core of mass M [g] and ice fraction
/// fice under the innermost envelope shell; shell points to that shell's
/// (r, L, P, T, tau), of which P and T at the core surface are used. The
/// cold table density is corrected for thermal expansion relative to 300 K.
/// Counts its calls in cc.ifirstrhocore.
void driverhocore(CoreContext& cc, const Console& io, const double* shell, double M, double fice, double& rho);

/// Cold core density [g/cm3] from the table, reduced for rock-rich cores
/// (fice < 0.2) by up to 1.05^3, i.e. a radius up to 5 % larger.
/// first: call counter (tables are built at 1); verbose: 0 or 1.
void mergedradiicore(CoreContext& cc, const Console& io, int first, int verbose, double M, double P, double fice,
                     double& rho);

/// Table density [g/cm3] at mass M [g], external pressure P [dyn cm^-2]
/// and ice fraction fice: cubic interpolation in all three variables;
/// points outside the table take the values on its edge.
void mcrad(CoreContext& cc, const Console& io, int first, int verbose, double M, double P, double fice, double& rho);

/// Grid values, points per axis and row strides of the density table.
void readhelptabrad(CoreTables& t);
/// The 4180 built-in density values in table order.
void denstabneweos(Vec1<double>& denscyr);
/// The complete interpolation table, built once.
std::shared_ptr<const CoreTables> build_core_tables();

// ---------------------------------------------------------------------
// Energy.

/// Energy content of a core treated as a uniform-density sphere.
struct CoreEnergy {
    double Tcentral = 0;    // central temperature [K]
    double Pcentral = 0;    // central pressure [dyn cm^-2]
    double EgravCore = 0;   // gravitational energy [erg] (negative)
    double EthermCore = 0;  // thermal energy [erg]
    double Ecore = 0;       // EgravCore + EthermCore [erg]
};

/// Energies of a core of radius Rc [cm] and mass Mc [g] whose surface has
/// temperature T [K] and pressure P [dyn cm^-2] (values below 1 or not a
/// number count as 1), with ice mass fraction f. The temperature rises
/// adiabatically inward as T(r) = T exp(q (1 - r^2/Rc^2)) with
/// q = G Mc alpha / (2 c Rc); the thermal energy is the integral of
/// rho_mean c T(r) over the core, in closed form (for q < 1e-3, where the
/// closed form loses accuracy, by its series). Used by the energy budget
/// for every new structure.
CoreEnergy calcecore(double Rc, double Mc, double T, double P, double f);

/// Luminosities [erg/s] from the change of the energies over a step dt [s];
/// positive when energy is released.
struct CoreLuminosities {
    double LgravCore = 0, LthermCore = 0, Lcoolcore = 0;  // core: contraction, cooling, sum
    double Lintenv = 0, Lgravenv = 0;                     // envelope: internal, gravitational
};
CoreLuminosities lcorecool(double EgravCoreold, double EthermCoreold, double EgravCore, double EthermCore,
                           double dt, double Eintenvold, double Eintenv, double Egravenvold, double Egravenv);

/// The same on the planet state: sets s.LgravCore, s.LthermCore,
/// s.Lcoolcore, s.Lintenv and s.Lgravenv from the energies of this step and
/// the previous one over s.dt.
void lcorecool(PlanetState& s);

}  // namespace velkaro::core
