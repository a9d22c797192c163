// A planet at the start of its evolution, for tests of the time step: the
// Jupiter example's input files in a throw-away run directory, taken through
// the driver's start-up (initial structure, energy, first step, entropy).
#pragma once

#include <memory>
#include <sstream>

#include "common/model_state.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/run_dir.hpp"

namespace velkaro::testing {

struct StartedPlanet {
    RunDir dir;
    RunContext ctx;
    std::ostringstream out;
    std::unique_ptr<PlanetState> s = std::make_unique<PlanetState>();

    /// lines replaces lines of sivex.in: {line number, text}.
    explicit StartedPlanet(std::initializer_list<std::pair<int, std::string>> lines = {}) {
        dir.write("sivex.in", edited(jupiter_run_file(), lines));
        ctx.console.out = &out;
        ctx.path.rundir = dir.path();
        start_run(ctx, *s);
    }
};

}  // namespace velkaro::testing
