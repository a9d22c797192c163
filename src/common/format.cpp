#include "common/format.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velkaro::fmt {
namespace {

std::string stars(int w) { return std::string(static_cast<std::size_t>(w > 0 ? w : 0), '*'); }

std::string right(const std::string& s, int w) {
    if (static_cast<int>(s.size()) > w) return stars(w);
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

// NaN and infinities as gfortran writes them in a numeric field of width w.
std::string non_finite(double x, int w) {
    if (std::isnan(x)) return w >= 3 ? right("NaN", w) : stars(w);
    const bool neg = std::signbit(x);
    if (w >= (neg ? 9 : 8)) return right(neg ? "-Infinity" : "Infinity", w);
    if (w >= (neg ? 4 : 3)) return right(neg ? "-Inf" : "Inf", w);
    return stars(w);
}

// Decimal digits and exponent of |x| rounded to nd significant digits:
// |x| = 0.d1d2...dnd * 10^exp10 (exp10 is the Fortran E-format exponent).
struct Digits {
    std::string digits;
    int exp10 = 0;
};

Digits round_digits(double x, int nd) {
    Digits r;
    if (x == 0.0) {
        r.digits.assign(static_cast<std::size_t>(nd), '0');
        r.exp10 = 0;
        return r;
    }
    char buf[64];
    // buf = "d.ddddde[+-]XX", as printf's "%.*e" writes it: both give the
    // exact decimal value rounded to nearest, ties to even.
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific, nd - 1);
    if (res.ec == std::errc())
        *res.ptr = '\0';
    else
        std::snprintf(buf, sizeof buf, "%.*e", nd - 1, std::fabs(x));
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') r.digits.push_back(*p);
    r.exp10 = std::atoi(p + 1) + 1;
    return r;
}

// Exponent field: with e == 0 the standard's default (E+xx for |exp| <= 99,
// +xxx for up to 999); with e > 0, E followed by e digits.
std::string exponent_field(int ex, int e) {
    char buf[16];
    const char sign = ex < 0 ? '-' : '+';
    const int a = std::abs(ex);
    if (e == 0) {
        if (a <= 99)
            std::snprintf(buf, sizeof buf, "E%c%02d", sign, a);
        else if (a <= 999)
            std::snprintf(buf, sizeof buf, "%c%03d", sign, a);
        else
            return {};
    } else {
        std::snprintf(buf, sizeof buf, "E%c%0*d", sign, e, a);
        if (static_cast<int>(std::string(buf).size()) > e + 2) return {};
    }
    return buf;
}

// Assemble sign + mantissa + exponent; drop the optional leading zero of
// "0." when the field is one character short, as Fortran allows.
std::string fit(bool neg, std::string mant, const std::string& expo, int w) {
    if (expo.empty()) return stars(w);
    std::string s = (neg ? "-" : "") + mant + expo;
    if (static_cast<int>(s.size()) > w && mant.size() > 1 && mant[0] == '0' && mant[1] == '.') {
        mant.erase(0, 1);
        s = (neg ? "-" : "") + mant + expo;
    }
    return right(s, w);
}

}  // namespace

std::string F(double x, int w, int d) {
    if (!std::isfinite(x)) return non_finite(x, w);
    char buf[400];
    // As printf's "%#.*f" ("#": Fw.0 keeps its point).
    const auto res = std::to_chars(buf, buf + sizeof buf - 2, x, std::chars_format::fixed, d);
    if (res.ec == std::errc()) {
        char* end = res.ptr;
        if (d == 0) *end++ = '.';
        *end = '\0';
    } else {
        std::snprintf(buf, sizeof buf, "%#.*f", d, x);
    }
    std::string s = buf;
    // Fortran writes a minus sign on a negative value that rounds to zero
    // only if the processor chooses to; gfortran keeps it. Keep as printed.
    if (static_cast<int>(s.size()) > w) {
        // optional leading zero
        if (s.rfind("0.", 0) == 0)
            s.erase(0, 1);
        else if (s.rfind("-0.", 0) == 0)
            s.erase(1, 1);
    }
    return right(s, w);
}

std::string E(double x, int w, int d, int e) {
    if (!std::isfinite(x)) return non_finite(x, w);
    const Digits dg = round_digits(x, d);
    const int ex = x == 0.0 ? 0 : dg.exp10;
    return fit(std::signbit(x), "0." + dg.digits, exponent_field(ex, e), w);
}

std::string ES(double x, int w, int d, int e) {
    if (!std::isfinite(x)) return non_finite(x, w);
    const Digits dg = round_digits(x, d + 1);
    const int ex = x == 0.0 ? 0 : dg.exp10 - 1;
    std::string mant = dg.digits.substr(0, 1) + "." + dg.digits.substr(1);
    return fit(std::signbit(x), mant, exponent_field(ex, e), w);
}

std::string G(double x, int w, int d, int e) {
    if (!std::isfinite(x)) return non_finite(x, w);
    const int n = (e == 0 ? 2 : e) + 2;  // trailing blanks of the F form
    if (x == 0.0) return F(x, w - n, d - 1) + std::string(static_cast<std::size_t>(n), ' ');
    const Digits dg = round_digits(x, d);
    const int k = dg.exp10;  // 10^(k-1) <= |x| rounded < 10^k
    if (k >= 0 && k <= d) return F(x, w - n, d - k) + std::string(static_cast<std::size_t>(n), ' ');
    return E(x, w, d, e);
}

std::string I(std::int64_t v, int w) { return right(std::to_string(v), w); }

std::string label(std::string_view s, int w) {
    std::string r(s.substr(0, std::min<std::size_t>(s.size(), static_cast<std::size_t>(w))));
    r.resize(static_cast<std::size_t>(w), ' ');
    return r;
}

// gfortran writes a double in list-directed output like 1PG25.17E3 after a
// separating blank: F form for 0.1 <= |x| < 1e17 (17 significant digits),
// otherwise d.dddddddddddddddE+xxx.
std::string free_item(double x) {
    constexpr int w = 25, d = 17, n = 5;
    if (!std::isfinite(x)) return " " + non_finite(x, w);
    if (x == 0.0) return " " + F(x, w - n, d - 1) + std::string(n, ' ');
    const Digits dg = round_digits(x, d);
    const int k = dg.exp10;
    if (k >= 0 && k <= d) return " " + F(x, w - n, d - k) + std::string(n, ' ');
    return " " + ES(x, w, d - 1, 3);
}

std::string free_item(std::int64_t v) {
    const bool wide = v > 2147483647LL || v < -2147483648LL;
    return " " + I(v, wide ? 20 : 11);
}

std::string free_item(bool b) { return b ? " T" : " F"; }

FreeRecord& FreeRecord::operator<<(std::string_view s) {
    if (!last_was_char_) line_ += ' ';
    line_ += s;
    last_was_char_ = true;
    return *this;
}

FreeRecord& FreeRecord::operator<<(double x) { return add_number(free_item(x)); }
FreeRecord& FreeRecord::operator<<(bool b) { return add_number(free_item(b)); }

FreeRecord& FreeRecord::add_number(const std::string& item) {
    line_ += item;
    last_was_char_ = false;
    return *this;
}

}  // namespace velkaro::fmt
