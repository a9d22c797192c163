// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

#include "structure/odeint.hpp"

namespace velkaro::structure {

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
};

}  // namespace velkaro::structure
