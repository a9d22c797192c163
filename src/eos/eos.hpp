// Equation of state of the hydrogen-helium envelope.
#pragma once

namespace velkaro {
struct RunContext;
}

namespace velkaro::eos {

/// Load the three H/He EOS tables from the EOS directory of the path file.
void loadeos(RunContext& ctx);

}  // namespace velkaro::eos
