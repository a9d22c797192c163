#include "common/text_input.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace velkaro::input {
namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\r'; }
// Between the numbers of a data line: blanks and commas.
bool is_field_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; }

}  // namespace

std::string_view first_item(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    std::size_t j = i;
    while (j < line.size() && !is_separator(line[j])) ++j;
    return line.substr(i, j - i);
}

namespace {

// The common form of a table's numbers, as C writes them: an optional '-',
// digits with at most one '.', at least one digit, then optionally e or E,
// an optional sign and digits. Such a token needs no rewriting and goes to
// from_chars as it stands (the tables hold about a million of them).
bool plain_c_real(std::string_view tok) {
    std::size_t i = tok[0] == '-' ? 1 : 0;
    bool digit = false, point = false;
    for (; i < tok.size(); ++i) {
        const char c = tok[i];
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            break;
    }
    if (!digit) return false;
    if (i == tok.size()) return true;
    if (tok[i] != 'e' && tok[i] != 'E') return false;
    ++i;
    if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) ++i;
    if (i == tok.size()) return false;
    for (; i < tok.size(); ++i)
        if (tok[i] < '0' || tok[i] > '9') return false;
    return true;
}

}  // namespace

namespace {

// Exact powers of ten: 10^k is a double without rounding for k <= 22.
constexpr double kExactPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The short plain numbers of the tables ("-6.56999140e+00", "2.55") read
// without from_chars, to the same double. When the digits, read as one
// integer m, stay below 2^53 and the decimal exponent e satisfies
// |e| <= 22, both m and 10^|e| are doubles exactly, so m * 10^e or
// m / 10^-e is one IEEE operation and rounds the exact value once, to
// nearest even: the correctly rounded result, which is what from_chars
// returns (Clinger, "How to read floating point numbers accurately",
// PLDI 1990). Anything else (more digits, far exponents, other forms)
// returns false and takes the general path.
bool fast_plain_real(std::string_view tok, double& v) {
    const char* p = tok.data();
    const char* const end = p + tok.size();
    const bool neg = *p == '-';
    if (neg) ++p;
    std::uint64_t m = 0;
    int digits = 0, frac = 0;
    bool point = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            // Leading zeros add nothing to m; at most 15 significant digits
            // keep m below 10^15 < 2^53.
            if (m != 0 || c != '0') {
                if (++digits > 15) return false;
            }
            m = m * 10 + static_cast<std::uint64_t>(c - '0');
            if (point) ++frac;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    int e = 0;
    if (p < end) {
        if (*p != 'e' && *p != 'E') return false;
        ++p;
        bool eneg = false;
        if (p < end && (*p == '+' || *p == '-')) eneg = *p++ == '-';
        if (p == end || end - p > 3) return false;
        for (; p < end; ++p) {
            if (*p < '0' || *p > '9') return false;
            e = e * 10 + (*p - '0');
        }
        if (eneg) e = -e;
    }
    e -= frac;
    if (e < -22 || e > 22) return false;
    double x = static_cast<double>(m);
    x = e >= 0 ? x * kExactPow10[e] : x / kExactPow10[-e];
    v = neg ? -x : x;
    return true;
}

}  // namespace

std::optional<double> parse_real(std::string_view tok) {
    if (tok.empty() || tok.size() > 64) return std::nullopt;
    if (plain_c_real(tok)) {
        double v = 0;
        if (fast_plain_real(tok, v)) return v;
        const char* last = tok.data() + tok.size();
        auto [ptr, ec] = std::from_chars(tok.data(), last, v, std::chars_format::general);
        if (ec != std::errc() || ptr != last || !std::isfinite(v)) return std::nullopt;
        return v;
    }
    // Rewrite the Fortran forms into C's: D and Q exponent letters become E,
    // and an exponent given by its sign alone ("1.5+3") gets its E.
    // A buffer on the stack: every character plus at most one inserted E
    // each (the EOS tables alone are about a million numbers, so no heap
    // string per number).
    char buf[2 * 64];
    std::size_t n = 0;
    bool seen_digit = false;
    for (std::size_t i = 0; i < tok.size(); ++i) {
        char c = tok[i];
        if (c == 'd' || c == 'D' || c == 'q' || c == 'Q') c = 'e';
        if ((c == '+' || c == '-') && i > 0 && seen_digit && buf[n - 1] != 'e' && buf[n - 1] != 'E') buf[n++] = 'e';
        if (std::isdigit(static_cast<unsigned char>(c))) seen_digit = true;
        buf[n++] = c;
    }
    const std::string_view s(buf, n);
    std::size_t start = (s[0] == '+') ? 1 : 0;  // from_chars takes no '+'
    if (start == 1 && s.size() > 1 && s[1] == '-') return std::nullopt;
    // Require digits in the mantissa (rejects "e5", "inf", "nan", ".").
    bool mant_digit = false;
    for (std::size_t i = start; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        const char c = s[i];
        if (std::isdigit(static_cast<unsigned char>(c)))
            mant_digit = true;
        else if (c != '.' && !(i == start && c == '-'))
            return std::nullopt;
    }
    if (!mant_digit) return std::nullopt;
    double v = 0;
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(v)) return std::nullopt;
    return v;
}

void split_fields(std::string_view line, std::vector<std::string_view>& out, std::size_t max) {
    out.clear();
    std::size_t i = 0;
    while (i < line.size() && out.size() < max) {
        while (i < line.size() && is_field_separator(line[i])) ++i;
        const std::size_t b = i;
        while (i < line.size() && !is_field_separator(line[i])) ++i;
        if (i > b) out.push_back(line.substr(b, i - b));
    }
}

bool parse_reals(std::string_view line, double* out, int n) {
    // The fields one at a time, as split_fields finds them (no vector).
    std::size_t i = 0;
    for (int k = 0; k < n; ++k) {
        while (i < line.size() && is_field_separator(line[i])) ++i;
        const std::size_t b = i;
        while (i < line.size() && !is_field_separator(line[i])) ++i;
        if (i == b) return false;  // the line ended
        const auto v = parse_real(line.substr(b, i - b));
        if (!v) return false;
        out[k] = *v;
    }
    return true;
}

std::optional<long> parse_int(std::string_view tok) {
    if (tok.empty()) return std::nullopt;
    std::size_t start = tok[0] == '+' ? 1 : 0;
    long v = 0;
    auto [ptr, ec] = std::from_chars(tok.data() + start, tok.data() + tok.size(), v);
    if (ec != std::errc() || ptr != tok.data() + tok.size()) return std::nullopt;
    if (start == 1 && tok.size() > 1 && tok[1] == '-') return std::nullopt;
    return v;
}

std::optional<bool> parse_logical(std::string_view tok) {
    std::size_t i = 0;
    if (i < tok.size() && tok[i] == '.') ++i;
    if (i >= tok.size()) return std::nullopt;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(tok[i])));
    if (c == 'T') return true;
    if (c == 'F') return false;
    return std::nullopt;
}

std::optional<std::string> parse_character(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '\r') return std::nullopt;
    const char q = line[i];
    if (q == '\'' || q == '"') {
        std::string v;
        for (std::size_t j = i + 1; j < line.size(); ++j) {
            if (line[j] == q) {
                if (j + 1 < line.size() && line[j + 1] == q) {
                    v += q;
                    ++j;
                    continue;
                }
                return v;
            }
            v += line[j];
        }
        return std::nullopt;  // no closing quote on the line
    }
    const std::string_view tok = first_item(line);
    if (tok.empty()) return std::nullopt;
    return std::string(tok);
}

LineReader::LineReader(const std::filesystem::path& file) : f_(nullptr, &std::fclose) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return;
    f_.reset(std::fopen(file.c_str(), "rb"));
    if (!f_) return;
    cap_ = std::size_t{1} << 16;
    buf_.reset(new char[cap_]);
}

bool LineReader::next(std::string_view& line) {
    if (!f_) return false;
    std::size_t scanned = begin_;  // no '\n' in [begin_, scanned)
    for (;;) {
        const void* nl = std::memchr(buf_.get() + scanned, '\n', end_ - scanned);
        if (nl) {
            const std::size_t e = static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.get());
            line = std::string_view(buf_.get() + begin_, e - begin_);
            begin_ = e + 1;
            return true;
        }
        if (eof_) {
            if (begin_ == end_) return false;
            line = std::string_view(buf_.get() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        // Move the started line to the front (or make room for a long one)
        // and read the next block behind it.
        const std::size_t rest = end_ - begin_;
        if (rest == cap_) {
            std::unique_ptr<char[]> wider(new char[2 * cap_]);
            std::memcpy(wider.get(), buf_.get() + begin_, rest);
            buf_ = std::move(wider);
            cap_ *= 2;
        } else if (begin_ > 0) {
            std::memmove(buf_.get(), buf_.get() + begin_, rest);
        }
        begin_ = 0;
        end_ = rest;
        scanned = rest;
        const std::size_t got = std::fread(buf_.get() + end_, 1, cap_ - end_, f_.get());
        end_ += got;
        if (got == 0) eof_ = true;  // end of file, or a read error: the text ends here
    }
}

}  // namespace velkaro::input
