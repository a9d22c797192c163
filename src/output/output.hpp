// Result files of a run.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::output {

/// Write the evolution track line (and structure dumps when due).
void ecriture(RunContext& ctx, PlanetState& s);

}  // namespace velkaro::output
