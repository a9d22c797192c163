// Everything one run reads and changes besides the planet state itself:
// the shared settings, each subsystem's loaded tables and search hints, and
// where console output and result files go. Passed explicitly to every
// routine; there is no global state, so several runs can share a process.
#pragma once

#include <filesystem>
#include <iostream>
#include <ostream>
#include <string>

#include "atmosphere/context.hpp"
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

    /// Directory holding the input files and receiving the result files.
    std::filesystem::path rundir = ".";
    /// Console output of the run (standard output by default): the running
    /// account of every routine.
    std::ostream* out = &std::cout;
    /// Where the lines a quiet console keeps go: warnings (the run goes on)
    /// and the final message with its stop code. Null: to out, in the order
    /// of the running account.
    std::ostream* notes = nullptr;

    std::ostream& con() { return *out; }
    std::ostream& note() { return notes ? *notes : *out; }
    /// A quiet console: the notes go where the console went, the running
    /// account is dropped.
    void quiet_console() {
        notes = &note();
        out = &discard_;
    }

    RunContext() = default;
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;
    /// A data path as the path file names it: relative paths are taken
    /// relative to the run directory.
    std::filesystem::path resolve(const std::string& p) const;

private:
    /// A stream without a buffer: every write to it is dropped.
    std::ostream discard_{nullptr};
};

}  // namespace velkaro
