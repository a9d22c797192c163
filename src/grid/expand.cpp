// Grid descriptions: each line names an input value and how its values are
// made (a list, a linear or logarithmic range, seeded random draws); the
// table holds every combination (the Cartesian product, the first line
// varying slowest).
#include <cmath>
#include <random>
#include <sstream>

#include "common/fatal.hpp"
#include "common/text_input.hpp"
#include "grid/grid.hpp"

namespace velkaro::grid {

std::vector<double> uniform_draws(double lo, double hi, unsigned long long seed, std::size_t count) {
    std::mt19937_64 gen(seed);
    std::vector<double> v;
    v.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // The top 53 bits of a draw give u in [0, 1) exactly.
        const double u = static_cast<double>(gen() >> 11) * 0x1.0p-53;
        v.push_back(lo + (hi - lo) * u);
    }
    return v;
}

PlanetTable expand_grid(const std::string& text, const fs::path& grid_dir) {
    PlanetTable t;
    std::vector<std::vector<std::string>> values;
    std::istringstream is(text);
    std::string line;
    int lineno = 0;
    while (std::getline(is, line)) {
        ++lineno;
        if (const auto h = line.find('#'); h != std::string::npos) line.erase(h);
        std::istringstream ls(line);
        std::vector<std::string> w;
        for (std::string s; ls >> s;) w.push_back(s);
        if (w.empty()) continue;
        const std::string where = "grid description line " + std::to_string(lineno);
        auto bad = [&](const std::string& why) { fatal({"PROBLEME : velkaro-grid: " + where + ": " + why}); };
        auto real = [&](std::size_t k) {
            if (k >= w.size()) bad("a number is missing");
            const auto v = input::parse_real(w[k]);
            if (!v) bad("'" + w[k] + "' is not a number");
            return *v;
        };
        auto count = [&](std::size_t k) {
            if (k >= w.size()) bad("the number of values is missing");
            const auto n = input::parse_int(w[k]);
            if (!n || *n < 1 || *n > 1000000) bad("'" + w[k] + "' is not a number of values (1 .. 1000000)");
            return static_cast<std::size_t>(*n);
        };
        if (w[0] == "base") {
            if (w.size() != 2) bad("base takes one directory");
            fs::path b(w[1]);
            if (b.is_relative()) b = grid_dir / b;
            t.base = fs::absolute(b).lexically_normal().string();
            continue;
        }
        if (!input_location(w[0])) bad("'" + w[0] + "' is not a value of sivex.in or sivexdualband.in");
        for (const auto& c : t.columns)
            if (c == w[0]) bad("'" + w[0] + "' is given twice");
        if (w.size() < 2) bad("no values for " + w[0]);
        std::vector<std::string> v;
        const std::string& kind = w[1];
        if (kind == "list") {
            if (w.size() < 3) bad("an empty list");
            for (std::size_t k = 2; k < w.size(); ++k) {
                if (w[k].find_first_of(",'\"/") != std::string::npos) bad("value '" + w[k] + "' holds , / or a quote");
                v.push_back(w[k]);
            }
        } else if (kind == "lin" || kind == "log") {
            if (w.size() != 5) bad(kind + " takes LO HI N");
            const double lo = real(2), hi = real(3);
            const std::size_t n = count(4);
            if (kind == "log" && !(lo > 0 && hi > 0)) bad("a log range needs positive ends");
            for (std::size_t i = 0; i < n; ++i) {
                const double f = n == 1 ? 0.0 : static_cast<double>(i) / static_cast<double>(n - 1);
                // The ends are the values written, not the result of the arithmetic.
                double x = kind == "lin" ? lo + (hi - lo) * f
                                         : std::pow(10.0, std::log10(lo) + (std::log10(hi) - std::log10(lo)) * f);
                if (i == 0) x = lo;
                if (n > 1 && i == n - 1) x = hi;
                v.push_back(table_number(x));
            }
        } else if (kind == "random" || kind == "lograndom") {
            if (w.size() != 8 || w[4] != "seed" || w[6] != "count") bad(kind + " takes LO HI seed S count N");
            const double lo = real(2), hi = real(3);
            const auto seed = input::parse_int(w[5]);
            if (!seed || *seed < 0) bad("'" + w[5] + "' is not a seed (a non-negative integer)");
            const std::size_t n = count(7);
            if (!(hi > lo)) bad("the range needs LO < HI");
            if (kind == "lograndom" && !(lo > 0)) bad("a log range needs positive ends");
            const auto u = kind == "random" ? uniform_draws(lo, hi, static_cast<unsigned long long>(*seed), n)
                                            : uniform_draws(std::log10(lo), std::log10(hi),
                                                            static_cast<unsigned long long>(*seed), n);
            for (double x : u) v.push_back(table_number(kind == "random" ? x : std::pow(10.0, x)));
        } else {
            bad("'" + kind + "' is not list, lin, log, random or lograndom");
        }
        t.columns.push_back(w[0]);
        values.push_back(std::move(v));
    }
    if (t.columns.empty()) fatal({"PROBLEME : velkaro-grid: the grid description names no value"});
    std::size_t total = 1;
    for (const auto& v : values) {
        if (total > 10000000 / v.size()) fatal({"PROBLEME : velkaro-grid: the grid has more than 10000000 planets"});
        total *= v.size();
    }
    // Odometer over the value lists, the last one turning fastest.
    std::vector<std::size_t> k(values.size(), 0);
    for (std::size_t n = 0; n < total; ++n) {
        std::vector<std::string> row;
        for (std::size_t j = 0; j < values.size(); ++j) row.push_back(values[j][k[j]]);
        t.rows.push_back(std::move(row));
        for (std::size_t j = values.size(); j-- > 0;) {
            if (++k[j] < values[j].size()) break;
            k[j] = 0;
        }
    }
    return t;
}

}  // namespace velkaro::grid
