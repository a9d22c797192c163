// Where a run's console output goes. The running account (every routine's
// report of what it did) goes to `out`; the lines a quiet console keeps —
// warnings after which the run goes on, and the final message with its stop
// code — go to `notes`. Routines that report take a Console& and write to
// con() or note(); nothing else of the run is reachable through it.
#pragma once

#include <iostream>
#include <ostream>

namespace velkaro {

class Console {
public:
    /// Console output of the run (standard output by default).
    std::ostream* out = &std::cout;
    /// Where the notes go. Null: to out, in the order of the running account.
    std::ostream* notes = nullptr;

    std::ostream& con() const { return *out; }
    std::ostream& note() const { return notes ? *notes : *out; }
    /// A quiet console: the notes go where the console went, the running
    /// account is dropped.
    void quiet() {
        notes = &note();
        out = &discard_;
    }

    Console() = default;
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    /// A stream without a buffer: every write to it is dropped.
    mutable std::ostream discard_{nullptr};
};

}  // namespace velkaro
