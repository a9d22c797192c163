// Everything one run reads and changes besides the planet state itself:
// the shared settings, each subsystem's loaded tables and search hints, and
// where console output goes. Only the driver, the run set-up and the entry
// points (velkaro, velkaro-grid, the Python module) hold the whole of it;
// they hand each subsystem the parts it reads and changes. There is no
// global state, so several runs can share a process.
#pragma once

#include "atmosphere/context.hpp"
#include "common/console.hpp"
#include "common/modules.hpp"
#include "core/context.hpp"
#include "energy/context.hpp"
#include "eos/context.hpp"
#include "opacity/context.hpp"
#include "output/context.hpp"
#include "output/photometry_context.hpp"
#include "processes/context.hpp"
#include "structure/context.hpp"

namespace velkaro {

struct RunContext {
    // Shared settings and results.
    CommonModule common;
    PathModule path;
    DualbandModule dualband;
    OpacityModule opacity;
    GaslossModule gasloss;
    DbdboundaryModule dbdboundary;
    DbdtempModule dbdtemp;

    // Subsystem state.
    eos::EosContext eos;
    opacity::OpacityContext opa;
    structure::StructureContext structure;
    atmosphere::AtmosphereContext atmos;
    core::CoreContext core;
    energy::EnergyContext energy;
    processes::ProcessesContext processes;
    output::OutputContext output;
    output::PhotometryContext photometry;

    /// Where the console output goes.
    Console console;

    RunContext() = default;
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;
};

}  // namespace velkaro
