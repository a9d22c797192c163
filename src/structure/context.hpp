// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::structure {

struct StructureContext {
    // filled by the structure subsystem
};

}  // namespace velkaro::structure
