// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::core {

struct CoreContext {
    // filled by the core subsystem
};

}  // namespace velkaro::core
