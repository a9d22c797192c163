// What the structure searches read and change. The driver hands a solver
// one EnvelopeModel: references to the run's EOS tables and opacity law,
// the outer boundary's model, the structure's own state (the trajectory of
// the last integration, search hints and counters), the shared settings it
// reads and the console. Nothing else of the run is reachable from here.
#pragma once

#include "atmosphere/boundary.hpp"
#include "common/console.hpp"
#include "common/modules.hpp"
#include "eos/context.hpp"
#include "opacity/opacity.hpp"
#include "structure/context.hpp"
#include "structure/equations.hpp"
#include "structure/rootfind.hpp"

namespace velkaro::structure {

struct EnvelopeModel {
    const eos::EosContext& eos;
    opacity::OpacityLaw opacity;
    atmosphere::BoundaryModel boundary;
    StructureContext& state;     // trajectory, hints, counters
    const CommonModule& common;  // aff (the running account), lconst
    const Console& io;

    bool verbose() const { return common.aff; }
    /// Where Brent's method reports.
    SearchLog search_log() const { return {io, common.aff, state.compteur_shooting}; }
    /// The right-hand side of the envelope equations for helium fraction Y
    /// and luminosity profile prof.
    EnvelopeEquations equations(double Y, const LuminosityProfile& prof) const {
        return {eos, opacity, state, common.lconst, io, Y, prof};
    }
};

}  // namespace velkaro::structure
