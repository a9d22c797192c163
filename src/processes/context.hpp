// Per-run state of the planet-environment processes: loaded tables (shared,
// immutable), saved search hints and work arrays. One instance lives in each
// RunContext.
#pragma once

#include <memory>

namespace velkaro::processes {

class StellarTracks;

/// Where the last age searches in the two bracketing stellar tracks ended.
/// They are kept from call to call so that a run moving forward in time finds
/// its rows in a few compares. They belong to whatever mass interval the
/// current call uses and are not reset when that interval changes.
struct TrackHints {
    int jlolm = 1;  // age row in the lower-mass track
    int jlohm = 0;  // age row in the upper-mass track
};

struct ProcessesContext {
    /// The stellar evolution tracks, read on first use from the data
    /// directory. Immutable; a caller running many planets may pre-set it.
    std::shared_ptr<const StellarTracks> tracks;
    TrackHints trackhints;
};

}  // namespace velkaro::processes
