// The output layouts are compared with what gfortran 12 writes for the same
// values and edit descriptors (strings captured from gfortran itself), so
// that result files keep the layout users' plotting scripts expect.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/format.hpp"

namespace fmt = velkaro::fmt;

namespace {

struct Case {
    double v;
    const char* g22_10;
    const char* e15_5;
    const char* es15_5;
    const char* free;
};

const Case kCases[] = {
    {1.0, "       1.000000000    ", "    0.10000E+01", "    1.00000E+00", "   1.0000000000000000     "},
    {0.5e-3, "      0.5000000000E-03", "    0.50000E-03", "    5.00000E-04", "   5.0000000000000001E-004"},
    {123456.789, "       123456.7890    ", "    0.12346E+06", "    1.23457E+05", "   123456.78900000000     "},
    {1e100, "      0.1000000000+101", "    0.10000+101", "    1.00000+100", "   1.0000000000000000E+100"},
    {-0.0, "      -0.000000000    ", "   -0.00000E+00", "   -0.00000E+00", "  -0.0000000000000000     "},
    {9999999999.5, "      0.1000000000E+11", "    0.10000E+11", "    1.00000E+10", "   9999999999.5000000     "},
    {0.09999999999, "      0.9999999999E-01", "    0.10000E+00", "    1.00000E-01", "   9.9999999990000005E-002"},
    {-2.5e-7, "     -0.2500000000E-06", "   -0.25000E-06", "   -2.50000E-07", "  -2.4999999999999999E-007"},
    {1e-300, "      0.1000000000-299", "    0.10000-299", "    1.00000-300", "   1.0000000000000000E-300"},
    {0.1, "      0.1000000000    ", "    0.10000E+00", "    1.00000E-01", "  0.10000000000000001     "},
};

}  // namespace

TEST(Format, EditDescriptorsMatchGfortran) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.v);
        EXPECT_EQ(fmt::G(c.v, 22, 10), c.g22_10);
        EXPECT_EQ(fmt::E(c.v, 15, 5), c.e15_5);
        EXPECT_EQ(fmt::ES(c.v, 15, 5), c.es15_5);
        EXPECT_EQ(fmt::free_item(c.v), c.free);
    }
}

TEST(Format, ListDirectedRecordsMatchGfortran) {
    // print *, 1.0d0 / 3 / .true. / 'abc' / 'abc', 1.0d0, 3, .true., 'x', 'y'
    EXPECT_EQ(fmt::free(1.0), "   1.0000000000000000     ");
    EXPECT_EQ(fmt::free(3), "           3");
    EXPECT_EQ(fmt::free(true), " T");
    EXPECT_EQ(fmt::free("abc"), " abc");
    EXPECT_EQ(fmt::free("abc", 1.0, 3, true, "x", "y"), " abc   1.0000000000000000                3 T xy");
    // Numbers in the F range up to 1e17, then E with a three-digit exponent.
    EXPECT_EQ(fmt::free(2.5e15), "   2500000000000000.0     ");
    EXPECT_EQ(fmt::free(1e16), "   10000000000000000.     ");
    EXPECT_EQ(fmt::free(1e17), "   1.0000000000000000E+017");
    EXPECT_EQ(fmt::free(1e-310), "   9.9999999999999694E-311");
}

TEST(Format, NonFiniteValuesIntegersAndOverflow) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(fmt::free(nan), "                       NaN");
    EXPECT_EQ(fmt::free(-inf), "                 -Infinity");
    EXPECT_EQ(fmt::G(inf, 22, 10), "              Infinity");
    EXPECT_EQ(fmt::ES(nan, 15, 5), "            NaN");
    EXPECT_EQ(fmt::I(42, 15), "             42");
    EXPECT_EQ(fmt::I(123456, 5), "*****");  // does not fit: asterisks, as Fortran
    EXPECT_EQ(fmt::G(99995.0, 12, 4), "  0.1000E+06");  // rounds up out of the F range
    EXPECT_EQ(fmt::label("Qstar", 12), "Qstar       ");
}

// The digits of every number written are formed by std::to_chars; they must
// be those printf forms (the exact binary value rounded to nearest, ties to
// even), over the whole range of doubles and at exact decimal ties.
TEST(Format, DigitsAreThoseOfPrintfAtTiesAndExtremes) {
    std::vector<double> xs = {0.5, 1.5, 2.5, 0.125, 0.375, 9.5, 0.05, 1e22, 1e23, 5e-324, DBL_MAX, DBL_MIN,
                              -0.0, 999999.5, 0.9999999999999999, 123456789012345678.0};
    for (int k = 1; k <= 12; ++k)
        for (int m = 1; m < 64; m += 2) xs.push_back(std::ldexp(m, -k) * (m % 4 == 1 ? 1 : -1));
    std::mt19937_64 rng(24);
    while (xs.size() < 12000) {  // any finite bit pattern
        const std::uint64_t b = rng();
        double x;
        std::memcpy(&x, &b, sizeof x);
        if (std::isfinite(x)) xs.push_back(x);
    }
    while (xs.size() < 24000)  // the magnitudes of a track line
        xs.push_back(std::ldexp(static_cast<double>(rng() >> 11), -53) * std::pow(10.0, static_cast<int>(rng() % 30) - 10));
    auto exponent_and_mantissa = [](std::string t, std::string& mant) {
        t.erase(0, t.find_first_not_of(' '));
        const auto e = t.find('E');
        mant = t.substr(0, e);
        return e == std::string::npos ? 9999 : std::atoi(t.c_str() + e + 1);
    };
    int bad = 0;
    char ref[512];
    for (const double x : xs)
        for (const int d : {0, 1, 4, 5, 9, 10, 16, 17}) {
            std::snprintf(ref, sizeof ref, "%.*E", d, x);
            std::string m_ref, m_es;
            const int e_ref = exponent_and_mantissa(ref, m_ref), e_es = exponent_and_mantissa(fmt::ES(x, 40, d, 3), m_es);
            if (m_ref.back() == '.') m_ref.pop_back();  // printf's "%.0E" has no point, Fortran's ES has
            if (m_es.back() == '.') m_es.pop_back();
            bool same = m_es == m_ref && e_es == e_ref;
            if (std::fabs(x) < 1e60) {
                std::snprintf(ref, sizeof ref, "%#.*f", d, x);
                std::string f = fmt::F(x, 100, d);
                same = same && f.substr(f.find_first_not_of(' ')) == ref;
            }
            if (!same && ++bad <= 5) ADD_FAILURE() << "x = " << ref << " (" << x << "), d = " << d;
        }
    EXPECT_EQ(bad, 0);
}
