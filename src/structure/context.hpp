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
};

}  // namespace velkaro::structure
