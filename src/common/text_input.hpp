// Reading values written the way Fortran list-directed input accepts them:
// numbers in any decimal or exponent form (1.0d-3, 1.5+3), logicals T/F or
// .true./.false., character values quoted or ended by a blank, comma or
// slash. Used by the input files and by every data-table reader.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro::input {

/// Parse one Fortran real constant ("5.2", "1.0d-3", "-2E5", "1.5+3").
/// Returns nothing if the token is not a finite real number.
std::optional<double> parse_real(std::string_view token);
/// A number in the plain C form (optional '-', digits with at most one '.',
/// optional exponent) that starts at p and ends at `end` or at a blank,
/// comma, tab or '\r', read exactly as parse_real reads it; returns where it
/// ends, or nullptr for any other token (which parse_real may still read).
const char* scan_plain_real(const char* p, const char* end, double& v);
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

/// The blank- or comma-separated fields of a data line (at most max).
void split_fields(std::string_view line, std::vector<std::string_view>& out,
                  std::size_t max = static_cast<std::size_t>(-1));
/// The first n list-directed numbers of a line (separated by blanks or
/// commas) into out[0..n-1]; false if the line holds fewer or one does not
/// parse.
bool parse_reals(std::string_view line, double* out, int n);

/// A text file's lines one after the other, read in blocks into one
/// buffer that is reused: no string per line, no buffer the size of the file.
class LineReader {
public:
    /// Opens the file; is_open() is false if it cannot be opened or is a
    /// directory.
    explicit LineReader(const std::filesystem::path& file);
    bool is_open() const { return f_ != nullptr; }
    /// The next line without its '\n' (a '\r' before it stays, as getline
    /// keeps it; a last line without '\n' counts). The view is valid until
    /// the next call. False at the end of the file or on a read error.
    bool next(std::string_view& line);

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f_;
    std::unique_ptr<char[]> buf_;
    std::size_t cap_ = 0, begin_ = 0, end_ = 0;
    bool eof_ = false;
};

}  // namespace velkaro::input
