#include "run/views.hpp"

namespace velkaro {

opacity::OpacityLaw opacity_law(RunContext& ctx) { return {ctx.opacity, ctx.common, ctx.opa}; }

atmosphere::BoundaryModel boundary_model(RunContext& ctx) {
    return {ctx.atmos, ctx.path, ctx.dbdboundary, ctx.dbdtemp, ctx.dualband, ctx.eos, opacity_law(ctx), ctx.console};
}

structure::EnvelopeModel envelope_model(RunContext& ctx) {
    return {ctx.eos, opacity_law(ctx), boundary_model(ctx), ctx.structure, ctx.common, ctx.console};
}

energy::EnergyModel energy_model(RunContext& ctx) { return {ctx.eos, ctx.energy, ctx.console}; }

processes::Star host_star(RunContext& ctx) { return {ctx.processes, ctx.path, ctx.common.qstar}; }

processes::EscapeModel escape_model(RunContext& ctx) { return {ctx.eos, ctx.common, ctx.gasloss, ctx.console}; }

processes::DeuteriumModel deuterium_model(RunContext& ctx) {
    return {ctx.eos, opacity_law(ctx), ctx.processes.deut, ctx.common.aff, ctx.console};
}

output::OutputModel output_model(RunContext& ctx) {
    return {ctx.output, ctx.photometry, ctx.path,    ctx.common,      ctx.gasloss, ctx.dualband,
            ctx.dbdtemp, ctx.eos,       opacity_law(ctx), host_star(ctx), ctx.console};
}

}  // namespace velkaro
