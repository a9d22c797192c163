// Reading the run's three input files ("sivex.in", "path.dat",
// "sivexdualband.in"). Each holds one value per line, read as a Fortran
// list-directed record: the first item of the line is the value, the rest of
// the line is a comment. Numbers may use any decimal or exponent form,
// including Fortran's 1.0d-3; logicals are T/F or .true./.false.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_input.hpp"

namespace velkaro {

struct RunContext;
struct PlanetState;

namespace input {

/// Sequential reader of a one-value-per-line file, whose errors name the
/// file, the line and what was expected.
class RecordReader {
public:
    /// Opens the file; a file that cannot be opened is a fatal error.
    RecordReader(const std::filesystem::path& file, std::string display_name);

    double real(std::string_view what);
    long integer(std::string_view what);
    bool logical(std::string_view what);
    /// True when a line after the one read last holds a value: an optional
    /// last record may be absent (blank lines after the last record are not
    /// a record).
    bool more_values() const;
    /// Number of the line read last (1-based).
    int line_number() const { return line_no_; }
    const std::string& name() const { return name_; }
    /// A fatal error about the value on the line read last.
    [[noreturn]] void reject(std::string_view what, std::string_view why) const;

private:
    std::string_view next(std::string_view what, std::string_view kind);
    std::string name_;
    std::vector<std::string> lines_;
    std::string current_;
    int line_no_ = 0;
};

}  // namespace input

/// Read "sivex.in" and "path.dat" from the run directory, convert the planet
/// values to cgs, load the EOS tables and echo the run.
void initcond(RunContext& ctx, PlanetState& s);

/// Read "sivexdualband.in" into the shared modules and complete their
/// defaults; needs teq (the irradiation step runs before it).
void init2bd(RunContext& ctx);

}  // namespace velkaro
