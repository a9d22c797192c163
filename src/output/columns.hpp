// The columns of the result files, each with its name, unit, meaning and
// the value it holds. The line writers walk these tables and the column
// descriptions are printed from them, so the files and their descriptions
// cannot disagree.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velkaro {
struct PlanetState;
}

namespace velkaro::eos {
struct EosOut;
}
namespace velkaro::atmosphere {
struct ShellClass;
}

namespace velkaro::output {

struct TrackValues;
struct OutputContext;
struct OutputModel;

/// What one track line is made of.
struct TrackView {
    const OutputModel& m;
    const PlanetState& s;
    const TrackValues& v;
};

/// What one line of a structure dump is made of: shell i of the model.
struct DumpView {
    const PlanetState& s;
    const OutputContext& o;
    int i;
    const eos::EosOut& e;
    const atmosphere::ShellClass& c;
    double kappa;  // opacity at the shell [cm2/g]
};

template <typename View>
struct Column {
    std::string name;     // short identifier, unit suffix included
    std::string unit;     // empty for pure numbers
    std::string meaning;
    bool integer = false; // written as an integer, right-aligned
    double (*get)(const View&, int) = nullptr;
    int k = 0;            // index within a group of columns (filters, wavelengths)
};

/// The 193 columns of fort.1.
const std::vector<Column<TrackView>>& track_columns();
/// The columns of "irradiated.track", the levels of the irradiated
/// atmosphere, one line per line of fort.1.
const std::vector<Column<TrackView>>& irradiated_columns();
/// The 23 columns of fort.13.
const std::vector<Column<DumpView>>& dump_columns();

/// CSV description of a table: header "column,name,unit,meaning", then one
/// row per column (the meaning in double quotes).
template <typename View>
void write_description(std::ostream& os, const std::vector<Column<View>>& cols);

/// Append one line (without its newline) to `line`: every column in a field
/// of `width` characters, reals in Fortran G format with `digits`
/// significant digits. Returns the 1-based number of the first column whose
/// value is not a finite number, or 0.
template <typename View>
int append_line(std::string& line, const std::vector<Column<View>>& cols, const View& view, int width, int digits);

}  // namespace velkaro::output
