// Time step control: the next step is a fraction of the Kelvin-Helmholtz
// (cooling) time of the current structure, scaled with the planet's mass and
// the run's divisorTKH, allowed to grow by at most 10 % and to shrink by at
// most half per step, shortened while the orbit changes fast, and kept
// between 0.003 yr and 1e8 yr.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;

/// Shortest and longest step [s].
inline constexpr double kDtMin = 94672.8;        // 0.003 yr
inline constexpr double kDtMax = 3.15576e15;     // 1e8 yr
/// Largest first step [s] (1e4 yr).
inline constexpr double kDtFirstMax = 3.15576e11;

/// The structure that sets the step: at the photosphere shell and the core.
struct StepStructure {
    double M = 0, R = 0, L = 0;  // mass, radius, luminosity at the photosphere [g, cm, erg/s]
    double Mc = 0, Rc = 0;       // core mass and radius [g, cm]
    double Rold = 0;             // photosphere radius of the previous step [cm] (reported only)
};

struct StepChoice {
    double dt = 0;       // the next step [s]
    double dtold = 0;    // the step just taken (on the first call: the raw first step) [s]
    double TKH = 0;      // G M^2 / (R L) [s]
    double TKHenv = 0;   // G Menv^2 / ((R - Rc) L) [s] (reported)
    double tec = 0;      // G Menv Mc / (Rc L) [s]
    double tKHused = 0;  // the cooling time the step is taken from [s]
    double scale = 0;    // mass-dependent divisor
    double drrel = 0;    // relative radius change of the last step (reported)
};

/// The step after a structure st; dt is the step just taken, first is true
/// on the first call of a run; a and aold the orbit now and one step ago.
StepChoice choose_timestep(const StepStructure& st, double dt, bool first, double divisorTKH, double a, double aold);

/// Length of the next evolution step -> s.dt, s.dtold, s.TKH (with its report).
void timestep(RunContext& ctx, PlanetState& s);

}  // namespace velkaro
