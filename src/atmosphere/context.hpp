// Per-run state of the atmosphere subsystem: the atmosphere entropy grid and
// the hydrogen-helium entropy table, read on first use. Both are immutable
// once read, so a caller running many planets may load them once and hand
// the same pointers to every run.
#pragma once

#include <memory>

namespace velkaro::atmosphere {

struct AtmosGrid;
struct EntropyTable;

struct AtmosphereContext {
    std::shared_ptr<const AtmosGrid> grid;         // S(g, Teff) of the atmosphere models
    std::shared_ptr<const EntropyTable> stable;    // S(P, T) of the H/He mixture
};

}  // namespace velkaro::atmosphere
