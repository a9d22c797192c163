#include "common/text_input.hpp"

#include <bit>
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

// The decimal value of eight ASCII digits loaded little-endian (the first
// character, the most significant digit, in the low byte): pairs, then
// quadruples, then the whole, by multiplications.
std::uint64_t eight_digit_value(std::uint64_t x) {
    x -= 0x3030303030303030u;
    x = (x * 10) + (x >> 8);
    return (((x & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
            (((x >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
           32;
}

constexpr std::uint64_t kPow10Int[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Appends the run of decimal digits at p to m (m = 10 m + digit each),
// counting them in n; stops at the first other character, or when n
// reaches 19 (m stays below 10^19 < 2^64). Eight characters at a time
// where the text has eight more: a byte is a digit when neither x - '0'
// borrows below 0 nor x + 0x46 carries past 0x7F ('9' + 0x46 = 0x7F); a
// borrow or carry out of a byte disturbs only the bytes after it, and the
// run ends at the first non-digit anyway.
inline const char* read_digits(const char* p, const char* end, std::uint64_t& m, int& n) {
    // The eight-character step reads the first character as the low byte:
    // little-endian machines only; others take the loop below.
    while (std::endian::native == std::endian::little && end - p >= 8 && n <= 11) {
        std::uint64_t x;
        std::memcpy(&x, p, 8);
        const std::uint64_t other =
            ((x - 0x3030303030303030u) | (x + 0x4646464646464646u)) & 0x8080808080808080u;
        if (other == 0) {
            m = m * 100000000u + eight_digit_value(x);
            n += 8;
            p += 8;
            continue;
        }
        const int k = std::countr_zero(other) / 8;  // digits before the first other character
        if (k > 0) {
            // The k digits moved to the top, '0's below them: their value.
            const std::uint64_t y = (x << (8 * (8 - k))) | (0x3030303030303030u >> (8 * k));
            m = m * kPow10Int[k] + eight_digit_value(y);
            n += k;
            p += k;
        }
        return p;
    }
    while (p < end && *p >= '0' && *p <= '9' && n < 19) {
        m = m * 10 + static_cast<std::uint64_t>(*p - '0');
        ++n;
        ++p;
    }
    return p;
}

}  // namespace

// The plain numbers of the tables ("-6.56999140e+00", "2.55") read without
// from_chars, to the same double. When the digits, read as one integer m,
// give m <= 2^53 and the decimal exponent e satisfies |e| <= 22, both m
// and 10^|e| are doubles exactly, so m * 10^e or m / 10^-e is one IEEE
// operation and rounds the exact value once, to nearest even: the correctly
// rounded result, which is what from_chars returns (Clinger, "How to read
// floating point numbers accurately", PLDI 1990). The number ends at the
// end or at a field separator; anything else (more digits, far exponents,
// the Fortran forms) returns nullptr and takes the general path.
const char* scan_plain_real(const char* p, const char* end, double& v) {
    const bool neg = p < end && *p == '-';
    if (neg) ++p;
    std::uint64_t m = 0;
    int n = 0;
    if (end - p >= 2 && p[0] >= '0' && p[0] <= '9' && p[1] == '.') {
        // One digit before the point, as in most numbers of the tables.
        m = static_cast<std::uint64_t>(p[0] - '0');
        n = 1;
        ++p;
    } else {
        p = read_digits(p, end, m, n);
    }
    int frac = 0;
    if (p < end && *p == '.') {
        const int before = n;
        p = read_digits(p + 1, end, m, n);
        frac = n - before;
    }
    if (n == 0) return nullptr;
    int e = 0;
    if (end - p >= 4 && (*p == 'e' || *p == 'E') && (p[1] == '+' || p[1] == '-') && p[2] >= '0' && p[2] <= '9' &&
        p[3] >= '0' && p[3] <= '9' && (end - p == 4 || p[4] < '0' || p[4] > '9')) {
        // The exponent as C's %e writes it: a sign and two digits.
        e = (p[2] - '0') * 10 + (p[3] - '0');
        if (p[1] == '-') e = -e;
        p += 4;
    } else if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool eneg = false;
        if (p < end && (*p == '+' || *p == '-')) eneg = *p++ == '-';
        const char* first = p;
        while (p < end && *p >= '0' && *p <= '9' && p - first < 3) e = e * 10 + (*p++ - '0');
        if (p == first) return nullptr;
        if (eneg) e = -e;
    }
    if (p < end && !is_field_separator(*p)) return nullptr;
    e -= frac;
    if (e < -22 || e > 22 || m > (std::uint64_t{1} << 53)) return nullptr;
    double x = static_cast<double>(m);
    x = e >= 0 ? x * kExactPow10[e] : x / kExactPow10[-e];
    v = neg ? -x : x;
    return p;
}

std::optional<double> parse_real(std::string_view tok) {
    if (tok.empty() || tok.size() > 64) return std::nullopt;
    double v = 0;
    if (scan_plain_real(tok.data(), tok.data() + tok.size(), v) == tok.data() + tok.size()) return v;
    if (plain_c_real(tok)) {
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
    v = 0;
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
    // The fields one at a time, as split_fields finds them (no vector); a
    // plain number is read in the same pass that finds its end.
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int k = 0; k < n; ++k) {
        while (p < end && is_field_separator(*p)) ++p;
        if (p == end) return false;  // the line ended
        if (const char* q = scan_plain_real(p, end, out[k])) {
            p = q;
            continue;
        }
        const char* b = p;
        while (p < end && !is_field_separator(*p)) ++p;
        const auto v = parse_real(std::string_view(b, static_cast<std::size_t>(p - b)));
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
