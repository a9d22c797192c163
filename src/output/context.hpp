// Per-run state of the output subsystem: the result files of the run.
#pragma once

#include <fstream>

namespace velkaro::output {

struct OutputContext {
    std::ofstream fort1;  // evolution track, one line per output call
};

}  // namespace velkaro::output
