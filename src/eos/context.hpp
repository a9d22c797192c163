// Per-run state of this subsystem: loaded tables (shared, immutable),
// saved search hints and work arrays. One instance lives in each RunContext.
#pragma once

namespace velkaro::eos {

struct EosContext {
    // filled by the EOS subsystem
};

}  // namespace velkaro::eos
