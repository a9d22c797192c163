// Each subsystem's part of a run. The driver, the run set-up and the entry
// points hold the whole RunContext; every physics routine takes only what it
// reads and changes. These functions hand out those parts: small structs of
// references into the one RunContext (nothing is copied, and a part is valid
// as long as the context is).
#pragma once

#include "atmosphere/boundary.hpp"
#include "energy/energy.hpp"
#include "opacity/opacity.hpp"
#include "output/output.hpp"
#include "processes/deuterium.hpp"
#include "processes/escape.hpp"
#include "processes/star.hpp"
#include "run/context.hpp"
#include "structure/model.hpp"

namespace velkaro {

/// The envelope opacity with the run's settings and gas-table choice.
opacity::OpacityLaw opacity_law(RunContext& ctx);
/// The outer boundary: entropy tables, boundary settings and temperatures.
atmosphere::BoundaryModel boundary_model(RunContext& ctx);
/// The structure searches and the envelope integration.
structure::EnvelopeModel envelope_model(RunContext& ctx);
/// The energy budget and the -T dS/dt luminosity.
energy::EnergyModel energy_model(RunContext& ctx);
/// The host star.
processes::Star host_star(RunContext& ctx);
/// Atmospheric escape.
processes::EscapeModel escape_model(RunContext& ctx);
/// Deuterium burning.
processes::DeuteriumModel deuterium_model(RunContext& ctx);
/// The result files.
output::OutputModel output_model(RunContext& ctx);

}  // namespace velkaro
