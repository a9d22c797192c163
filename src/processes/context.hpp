// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::processes {

struct ProcessesContext {
    // filled by the star, burning, escape and tides subsystem
};

}  // namespace velkaro::processes
