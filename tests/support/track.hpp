// Shared by the test programs: a track file ("fort.1", "irradiated.track")
// read back with the column description written beside it ("<file>.columns",
// rows "column,name,unit,meaning"): every line's 22-character fields as
// numbers, found by their names.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velkaro::testing {

/// The lines of file p.
inline std::vector<std::string> read_lines(const std::filesystem::path& p) {
    std::ifstream f(p);
    std::vector<std::string> v;
    for (std::string l; std::getline(f, l);) v.push_back(l);
    return v;
}

/// A number as Fortran writes it in a field (a three-digit exponent drops
/// the E: -0.9000000000+100); NaN when the field is not one.
inline double fortran_real(std::string t) {
    const auto e = t.find_last_of("+-");
    if (e != std::string::npos && e > 0 && std::isdigit(static_cast<unsigned char>(t[e - 1]))) t.insert(e, "E");
    std::istringstream in(t);
    double x;
    char rest;
    return (in >> x) && !(in >> rest) ? x : std::nan("");
}

struct Track {
    std::vector<std::string> names;        // from the description, in column order
    std::vector<std::vector<double>> rows;  // one per line, one value per 22-character field

    explicit Track(const std::filesystem::path& file) {
        const auto desc = read_lines(file.string() + ".columns");
        for (std::size_t j = 1; j < desc.size(); ++j) {
            const auto a = desc[j].find(','), b = desc[j].find(',', a + 1);
            names.push_back(desc[j].substr(a + 1, b - a - 1));
        }
        for (const auto& l : read_lines(file)) {
            rows.emplace_back();
            for (std::size_t k = 0; k + 22 <= l.size(); k += 22) rows.back().push_back(fortran_real(l.substr(k, 22)));
        }
    }
    /// Column `name` of line `row` (0-based; -1: the last line).
    double at(const std::string& name, int row = -1) const {
        const auto& r = rows.at(row < 0 ? rows.size() - 1 : static_cast<std::size_t>(row));
        for (std::size_t k = 0; k < names.size() && k < r.size(); ++k)
            if (names[k] == name) return r[k];
        ADD_FAILURE() << "no column " << name;
        return std::nan("");
    }
};

}  // namespace velkaro::testing
