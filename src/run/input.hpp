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

namespace velkaro {

struct RunContext;
struct PlanetState;

namespace input {

/// Parse one Fortran real constant ("5.2", "1.0d-3", "-2E5", "1.5+3").
/// Returns nothing if the token is not a finite real number.
std::optional<double> parse_real(std::string_view token);
/// Parse an integer constant (optional sign, digits).
std::optional<long> parse_int(std::string_view token);
/// Parse a logical: optional '.', then T or F (any case), rest ignored.
std::optional<bool> parse_logical(std::string_view token);
/// First list-directed item of a line: the text up to the first blank,
/// comma or slash. Empty when the line holds no value.
std::string_view first_item(std::string_view line);
/// A character value: between quotes (a doubled quote stands for one), or
/// unquoted up to the first blank, comma or slash.
std::optional<std::string> parse_character(std::string_view line);

/// The first n list-directed numbers of a line (separated by blanks or
/// commas) into out[0..n-1]; false if the line holds fewer or one does not
/// parse.
bool parse_reals(std::string_view line, double* out, int n);

/// Sequential reader of a one-value-per-line file, whose errors name the
/// file, the line and what was expected.
class RecordReader {
public:
    /// Opens the file; a file that cannot be opened is a fatal error.
    RecordReader(const std::filesystem::path& file, std::string display_name);

    double real(std::string_view what);
    long integer(std::string_view what);
    bool logical(std::string_view what);
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
