// Planet tables and the input files of each planet's run directory.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/text_input.hpp"
#include "grid/grid.hpp"

namespace velkaro::grid {

namespace {

struct NamedValue {
    const char* name;
    InputLocation where;
};

// The values of the two input files in the order of their lines.
constexpr NamedValue kInputs[] = {
    {"aplanete", {"sivex.in", 1}},        {"Menve", {"sivex.in", 2}},
    {"Mcore", {"sivex.in", 3}},           {"YHe", {"sivex.in", 4}},
    {"Mstar", {"sivex.in", 5}},           {"Linit", {"sivex.in", 6}},
    {"fract_ice", {"sivex.in", 7}},       {"xDeuPrim", {"sivex.in", 8}},
    {"tmax", {"sivex.in", 9}},            {"divisorTKH", {"sivex.in", 10}},
    {"keepall", {"sivex.in", 11}},        {"dtsave", {"sivex.in", 12}},
    {"Noevo", {"sivex.in", 13}},          {"tstart", {"sivex.in", 14}},
    {"modelselect", {"sivexdualband.in", 1}}, {"GasEvap", {"sivexdualband.in", 2}},
    {"tauoutmanual", {"sivexdualband.in", 3}}, {"tauout", {"sivexdualband.in", 4}},
    {"Pedtmanual", {"sivexdualband.in", 5}}, {"Qstar", {"sivexdualband.in", 6}},
    {"Tides", {"sivexdualband.in", 7}},   {"metallicity", {"sivexdualband.in", 8}},
    {"ScaleOpacity", {"sivexdualband.in", 9}}, {"opacity_p", {"sivexdualband.in", 10}},
    {"angle", {"sivexdualband.in", 11}},  {"kv2kthmanual", {"sivexdualband.in", 12}},
    {"kv2kth", {"sivexdualband.in", 13}}, {"kv2kth2", {"sivexdualband.in", 14}},
    {"alpha", {"sivexdualband.in", 15}},  {"Evapmodel", {"sivexdualband.in", 16}},
    {"irradiated", {"sivexdualband.in", 17}},
};
constexpr int kSivexLines = 14, kDualbandLines = 16;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return std::string(s.substr(a, b - a));
}

std::vector<std::string> split_csv(const std::string& line) {
    std::vector<std::string> out;
    std::string cell;
    for (char c : line) {
        if (c == ',') {
            out.push_back(trim(cell));
            cell.clear();
        } else {
            cell += c;
        }
    }
    out.push_back(trim(cell));
    return out;
}

std::string read_file(const fs::path& f, const char* what) {
    std::ifstream in(f, std::ios::binary);
    if (!in) fatal({"PROBLEME : velkaro-grid: cannot read " + std::string(what) + " " + f.string()});
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream is(text);
    std::string l;
    while (std::getline(is, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        v.push_back(l);
    }
    return v;
}

// The line with its first item (the value) replaced; the comment is kept.
std::string replace_value(const std::string& line, const std::string& value) {
    std::size_t a = 0;
    while (a < line.size() && (line[a] == ' ' || line[a] == '\t')) ++a;
    std::size_t b = a;
    while (b < line.size() && line[b] != ' ' && line[b] != '\t' && line[b] != ',' && line[b] != '/') ++b;
    std::string rest = line.substr(b);
    std::string out = value;
    if (rest.empty() || (rest[0] != ' ' && rest[0] != '\t')) out += ' ';
    return out + rest;
}

std::string quoted(const std::string& dir) {
    std::string q = "'";
    for (char c : dir) q += (c == '\'') ? std::string("''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::optional<InputLocation> input_location(const std::string& name) {
    const std::string n = lower(name);
    for (const auto& v : kInputs)
        if (lower(v.name) == n) return v.where;
    return std::nullopt;
}

PlanetTable read_table(const fs::path& file) {
    const auto lines = lines_of(read_file(file, "planet table"));
    PlanetTable t;
    bool header = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string l = trim(lines[i]);
        const std::string where = file.string() + " line " + std::to_string(i + 1);
        if (l.empty()) continue;
        if (l[0] == '#') {
            const std::string c = trim(std::string_view(l).substr(1));
            if (c.rfind("base=", 0) == 0) {
                // A relative base is taken from the table's own directory.
                fs::path b(trim(std::string_view(c).substr(5)));
                if (b.is_relative()) b = file.parent_path() / b;
                t.base = fs::absolute(b).lexically_normal().string();
            }
            continue;
        }
        auto cells = split_csv(l);
        if (!header) {
            for (const auto& c : cells) {
                if (!input_location(c))
                    fatal({"PROBLEME : velkaro-grid: " + where + ": column '" + c +
                           "' is not a value of sivex.in or sivexdualband.in"});
                for (const auto& d : t.columns)
                    if (lower(d) == lower(c)) fatal({"PROBLEME : velkaro-grid: " + where + ": column '" + c + "' twice"});
                t.columns.push_back(c);
            }
            header = true;
            continue;
        }
        if (cells.size() != t.columns.size())
            fatal({"PROBLEME : velkaro-grid: " + where + ": " + std::to_string(cells.size()) + " cells, the header has " +
                   std::to_string(t.columns.size())});
        for (const auto& c : cells)
            for (char ch : c)
                if (ch == ' ' || ch == '\t' || ch == '/' || ch == '\'' || ch == '"')
                    fatal({"PROBLEME : velkaro-grid: " + where + ": value '" + c +
                           "' holds a blank, slash or quote and would not read back as one value"});
        t.rows.push_back(std::move(cells));
    }
    if (!header) fatal({"PROBLEME : velkaro-grid: " + file.string() + ": no header line"});
    return t;
}

std::string table_text(const PlanetTable& t) {
    std::string s;
    if (!t.base.empty()) s += "# base=" + t.base + '\n';
    for (std::size_t j = 0; j < t.columns.size(); ++j) s += (j ? "," : "") + t.columns[j];
    s += '\n';
    for (const auto& r : t.rows) {
        for (std::size_t j = 0; j < r.size(); ++j) s += (j ? "," : "") + r[j];
        s += '\n';
    }
    return s;
}

void write_table(const fs::path& file, const PlanetTable& t) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) fatal({"PROBLEME : velkaro-grid: cannot write " + file.string()});
    out << table_text(t);
    if (!out.flush()) fatal({"PROBLEME : velkaro-grid: cannot write " + file.string()});
}

std::pair<std::string, std::string> resolved_data_dirs(const fs::path& base) {
    const auto lines = lines_of(read_file(base / "path.dat", "path file"));
    std::string dirs[2];
    const fs::path abs_base = fs::absolute(base).lexically_normal();
    for (int k = 0; k < 2; ++k) {
        if (static_cast<std::size_t>(k) >= lines.size())
            fatal({"PROBLEME : velkaro-grid: " + (base / "path.dat").string() + " has fewer than two lines"});
        auto v = input::parse_character(lines[static_cast<std::size_t>(k)]);
        if (!v) fatal({"PROBLEME : velkaro-grid: " + (base / "path.dat").string() + ": line " + std::to_string(k + 1)});
        std::string d = *v;
        while (!d.empty() && (d.back() == ' ' || d.back() == '\t')) d.pop_back();
        // A file name is appended directly to the directory, so the text is
        // joined as text; only a relative one is put under the base.
        if (!fs::path(d).is_absolute()) {
            std::string a = abs_base.string();
            if (a.empty() || a.back() != '/') a += '/';
            d = fs::path(a + d).lexically_normal().string();
            if (!v->empty() && v->back() == '/' && d.back() != '/') d += '/';
        }
        dirs[k] = d;
    }
    return {dirs[0], dirs[1]};
}

RunInputs make_inputs(const fs::path& base, const std::vector<std::string>& columns,
                      const std::vector<std::string>& row) {
    auto sivex = lines_of(read_file(base / "sivex.in", "run file"));
    auto dual = lines_of(read_file(base / "sivexdualband.in", "atmosphere file"));
    if (sivex.size() < kSivexLines)
        fatal({"PROBLEME : velkaro-grid: " + (base / "sivex.in").string() + " has fewer than 14 lines"});
    if (dual.size() < kDualbandLines)
        fatal({"PROBLEME : velkaro-grid: " + (base / "sivexdualband.in").string() + " has fewer than 16 lines"});
    for (std::size_t j = 0; j < columns.size(); ++j) {
        if (j >= row.size() || row[j].empty()) continue;
        const auto loc = input_location(columns[j]);
        if (!loc) fatal({"PROBLEME : velkaro-grid: unknown input value " + columns[j]});
        auto& lines = std::string(loc->file) == "sivex.in" ? sivex : dual;
        // Line 17 of the atmosphere file (irradiated) is optional: a base
        // of 16 lines gets it before the table's value is put in.
        if (&lines == &dual && static_cast<std::size_t>(loc->line) > dual.size())
            dual.push_back("F          irradiated");
        auto& l = lines[static_cast<std::size_t>(loc->line - 1)];
        l = replace_value(l, row[j]);
    }
    RunInputs r;
    for (const auto& l : sivex) r.sivex += l + '\n';
    for (const auto& l : dual) r.dualband += l + '\n';
    const auto [eosdir, datadir] = resolved_data_dirs(base);
    if (eosdir.size() > 500 || datadir.size() > 500)
        fatal({"PROBLEME : velkaro-grid: a data directory of " + (base / "path.dat").string() +
               " is longer than 500 characters once made absolute"});
    r.path = quoted(eosdir) + '\n' + quoted(datadir) + '\n';
    return r;
}

std::string run_name(std::size_t id) {
    std::string s = std::to_string(id);
    return std::string(s.size() < 6 ? 6 - s.size() : 0, '0') + s;
}

std::string count_text(std::size_t n) {
    std::string s = fmt::I(static_cast<std::int64_t>(n), 20);
    return s.erase(0, s.find_first_not_of(' '));
}

std::string table_number(double x) {
    std::string s = fmt::ES(x, 24, 14);
    s.erase(0, s.find_first_not_of(' '));
    const auto e = s.find('E');
    if (e == std::string::npos) return s;
    std::size_t m = e;
    while (m > 0 && s[m - 1] == '0') --m;
    if (m > 0 && s[m - 1] == '.') ++m;  // keep one digit after the point
    return s.substr(0, m) + s.substr(e);
}

}  // namespace velkaro::grid
