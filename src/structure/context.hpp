// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each run.
#pragma once

#include "structure/odeint.hpp"

namespace velkaro::structure {

/// How the outer radius changed over the last evolution step: the search
/// of the next step starts from its extrapolation.
struct RadiusTrend {
    bool valid = false;
    double Rfrom = 0;  // radius the last step started from [cm]
    double Rto = 0;    // radius it found [cm]
    double dt = 0;     // its time step [s]
    /// The radii found by the last three searches and their ages (index 2
    /// the latest), for a quadratic extrapolation; n of them are set.
    int n = 0;
    double age[3] = {0, 0, 0};  // [s]
    double R[3] = {0, 0, 0};    // [cm]
    /// Slope of the mismatch near the root found by the last search [g/cm]
    /// (0: unknown).
    double slope = 0;
};

/// What the static solver's last search found: the change of radius from
/// the radius it started about, and the slope of the mismatch near the
/// root (a search hint).
struct StaticTrend {
    bool valid = false;
    double dR = 0;     // root minus starting radius [cm]
    double slope = 0;  // df/dR [g/cm]; 0: unknown
};

/// The luminosity profile the static solver hands to the structure
/// equations: the previous static profile rescaled to the new planet
/// (lumiscale). Sized to the shell capacity once per run.
struct StaticProfile {
    Vec1<double> lumi{kmaxp};  // [erg/s]
    Vec1<double> mass{kmaxp};  // [g]
};

struct StructureContext {
    /// Points recorded by the last envelope integration (radius and state
    /// of up to 10000 points, step counters). Allocated once per run and
    /// overwritten by every integration; the structure solvers copy the
    /// accepted one into the planet's shells.
    Trajectory traj;
    /// Interval of the luminosity profile found by the last lookup of the
    /// structure equations: the starting guess of the next one.
    int itmp = 0;
    /// Evaluations of the structure equations since the run began (for
    /// performance reports; read, never reset, by the solvers).
    long nderiv = 0;
    /// Brent iterations of the last structure search (reported by the
    /// solvers).
    int compteur_shooting = 0;
    /// Radius trend of the evolution solver (a search hint).
    RadiusTrend trend;
    /// Trial integrations of the evolution solver since the run began (for
    /// performance reports) and how many of its searches needed more than
    /// three (the secant steps from the predicted radius did not converge
    /// at once).
    long ntrials = 0, nsolves = 0, nguess_missed = 0;
    /// Work arrays and search hint of the static solver.
    StaticProfile staticprof;
    StaticTrend statictrend;
};

}  // namespace velkaro::structure
