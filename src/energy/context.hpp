// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::energy {

struct EnergyContext {
    // filled by the energy subsystem
};

}  // namespace velkaro::energy
