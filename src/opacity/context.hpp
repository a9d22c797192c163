// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::opacity {

struct OpacityContext {
    // filled by the opacity subsystem
};

}  // namespace velkaro::opacity
