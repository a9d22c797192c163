// Text formatting in the layouts of Fortran edit descriptors and of
// gfortran's list-directed ("free format") output. Every number the program
// prints goes through here, so that output files keep one fixed layout.
//
//   G(x, 22, 10)   -> Gw.d   general format (F where it fits, else E)
//   E(x, 15, 5)    -> Ew.d   0.ddddE+xx
//   ES(x, 15, 5)   -> ESw.d  d.ddddE+xx
//   F(x, 10, 3)    -> Fw.d
//   I(n, 15)       -> Iw
//   free(...)      -> a list-directed record: " 1.0000000000000000     " etc.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace velkaro::fmt {

/// Fortran Fw.d.
std::string F(double x, int w, int d);
/// Fortran Ew.d (exponent digits e: 0 selects the standard's default rule).
std::string E(double x, int w, int d, int e = 0);
/// Fortran ESw.d (scientific: one nonzero digit before the point).
std::string ES(double x, int w, int d, int e = 0);
/// Fortran Gw.d (Gw.dEe with e > 0).
std::string G(double x, int w, int d, int e = 0);
/// Fortran Iw.
std::string I(std::int64_t v, int w);
/// A label left-justified and padded with blanks to w characters (a Fortran
/// character(len=w) variable written with A).
std::string label(std::string_view s, int w);

/// Single list-directed items as gfortran writes them, each with the one
/// leading blank that separates it from what precedes it.
std::string free_item(double x);
std::string free_item(std::int64_t v);
std::string free_item(bool b);

/// A list-directed record under construction. Character items that follow
/// a character item are not separated by a blank (as gfortran does).
class FreeRecord {
public:
    FreeRecord& operator<<(std::string_view s);
    FreeRecord& operator<<(const char* s) { return *this << std::string_view(s); }
    FreeRecord& operator<<(const std::string& s) { return *this << std::string_view(s); }
    FreeRecord& operator<<(double x);
    FreeRecord& operator<<(bool b);
    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
    FreeRecord& operator<<(T v) {
        return add_number(free_item(static_cast<std::int64_t>(v)));
    }
    const std::string& str() const { return line_; }

private:
    FreeRecord& add_number(const std::string& item);
    std::string line_;
    bool last_was_char_ = false;
};

/// A whole list-directed record from its items, e.g. free("Mtotale ", m).
template <typename... Ts>
std::string free(const Ts&... items) {
    FreeRecord r;
    (r << ... << items);
    return r.str();
}

}  // namespace velkaro::fmt
