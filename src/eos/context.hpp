// Per-run state of the equation-of-state subsystem. The loaded tables are
// immutable and shared (several runs may hold the same pointer; a caller
// running a grid of planets can set it before the runs start). The
// evaluation keeps no other state between calls than the memo of full
// evaluations below (one per run) and the cell coefficients the shared
// tables form once on first use (the same numbers whichever run forms them):
// its 4 x 4 work area lives on the stack
// of each call, so runs in several threads never interfere.
#pragma once

#include <memory>
#include <vector>

namespace velkaro::eos {

struct EosTables;

/// One remembered full evaluation: the arguments and the ten output slots
/// (5 to 14) in the order of EosOut.
struct EosMemoEntry {
    double y, p, t;
    double out[10];
};

struct EosContext {
    /// The three H/He tables; loaded by loadeos when still empty.
    std::shared_ptr<const EosTables> tables;
    /// Full evaluations of recent (Y, P, T), direct-mapped by a hash of the
    /// arguments: after each step the entropy bookkeeping, the energy
    /// budget, deuterium burning and the output all evaluate the EOS at the
    /// same shells, and the three later ones find the values here. A hit
    /// returns exactly what the evaluation returned (same arguments, same
    /// tables). Allocated on first use; valid for memo_tables only.
    mutable std::vector<EosMemoEntry> memo;
    mutable const EosTables* memo_tables = nullptr;
};

}  // namespace velkaro::eos
