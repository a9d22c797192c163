// Per-run state of the photometry: the loaded magnitude grids and filter
// curves (immutable, shareable between runs) and the one search position in
// the filter wavelengths that carries over from call to call.
#pragma once

#include <array>
#include <memory>

#include "output/photometry.hpp"

namespace velkaro::output {

class MagnitudeGrids;

struct PhotometryContext {
    /// The nine model-atmosphere magnitude grids, read on first use from the
    /// data directory. A caller running many planets may pre-set them.
    std::shared_ptr<const MagnitudeGrids> grids;
    /// The 16 filter transmission curves, read on first use likewise.
    std::shared_ptr<const FilterCurves> filters;
    /// Row of the last wavelength search; shared by all filters (a search in
    /// another filter simply starts from a poorer guess). 0 before the first.
    int jlolm = 0;
    /// The filters' Simpson points, filled as the lines need them.
    std::array<FilterNodes, kFilters> nodes;
};

}  // namespace velkaro::output
