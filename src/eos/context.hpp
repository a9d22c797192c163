// Per-run state of the equation-of-state subsystem. The loaded tables are
// immutable and shared (several runs may hold the same pointer; a caller
// running a grid of planets can set it before the runs start). The
// evaluation keeps no other state between calls: its 4 x 4 work area lives
// on the stack of each call, so runs in several threads never interfere.
#pragma once

#include <memory>

namespace velkaro::eos {

struct EosTables;

struct EosContext {
    /// The three H/He tables; loaded by loadeos when still empty.
    std::shared_ptr<const EosTables> tables;
};

}  // namespace velkaro::eos
