// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::atmosphere {

struct AtmosphereContext {
    // filled by the atmosphere subsystem
};

}  // namespace velkaro::atmosphere
