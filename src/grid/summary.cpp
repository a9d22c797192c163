// The summary of a population: one row per planet with its inputs, how
// its run ended, and observables at chosen ages read from its track.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/text_input.hpp"
#include "grid/grid.hpp"

namespace velkaro::grid {

namespace {

constexpr std::size_t kFieldWidth = 22;  // fort.1 fields are G22.10
constexpr const char* kFinal = "VELKARO21: Progam terminated. May the entropy be with you.";

std::string csv_cell(const std::string& s) {
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += (c == '"') ? std::string("\"\"") : std::string(1, c == '\n' ? ' ' : c);
    return q + "\"";
}

std::string number(double x) {
    std::string s = fmt::ES(x, 20, 9);  // the 10 digits of the track
    return s.erase(0, s.find_first_not_of(' '));
}

struct Ending {
    std::string status = "pending";
    std::string stopcode, message, wall_s;
};

// How the run in dir ended: the marker gives status, wall time and the
// fatal message; the stop code is read from the final message of the
// console account.
Ending read_ending(const fs::path& dir) {
    Ending e;
    const auto k = read_marker(dir);
    if (!k) return e;
    e.status = k->status;
    e.wall_s = k->wall_s;
    for (std::size_t i = 0; i < k->message.size(); ++i) e.message += (i ? " | " : "") + k->message[i];
    std::string line;
    // The final message is among the last lines of the console account (a
    // long run writes megabytes before it): only the tail is read.
    std::ifstream out(dir / "stdout.txt", std::ios::binary);
    out.seekg(0, std::ios::end);
    const std::streamoff size = out.tellg();
    constexpr std::streamoff kTail = 1 << 16;
    out.seekg(size > kTail ? size - kTail : 0);
    while (out && std::getline(out, line)) {
        const auto p = line.find(kFinal);
        if (p == std::string::npos) continue;
        // The stop code is written as a list-directed real ("1.000...").
        const auto rest = std::string_view(line).substr(p + std::string(kFinal).size());
        std::size_t a = rest.find_first_not_of(' ');
        const auto code = a == std::string_view::npos ? std::nullopt : input::parse_real(input::first_item(rest.substr(a)));
        if (code && *code == std::floor(*code) && std::fabs(*code) < 1e9) {
            std::string c = fmt::I(static_cast<std::int64_t>(*code), 12);
            e.stopcode = c.erase(0, c.find_first_not_of(' '));
        } else if (code) {
            e.stopcode = number(*code);
        }
    }
    return e;
}

}  // namespace

int Track::column(const std::string& name) const {
    for (std::size_t j = 0; j < names.size(); ++j)
        if (names[j] == name) return static_cast<int>(j);
    return -1;
}

std::optional<double> parse_fortran_real(std::string_view field) {
    // parse_real reads the Fortran forms, "0.15-100" (Gw.d drops the E of a
    // three-digit exponent) among them.
    return input::parse_real(input::first_item(field));
}

namespace {

// One track file with its column description: the names and the rows.
bool read_track_file(const fs::path& columns, const fs::path& file, std::vector<std::string>& names,
                     std::vector<std::vector<double>>& rows) {
    std::ifstream cols(columns);
    std::ifstream f1(file);
    if (!cols || !f1) return false;
    std::string line;
    bool header = true;
    while (std::getline(cols, line)) {
        if (header) {  // column,name,unit,meaning
            header = false;
            continue;
        }
        const auto a = line.find(','), b = line.find(',', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        names.push_back(line.substr(a + 1, b - a - 1));
    }
    while (std::getline(f1, line)) {
        if (line.empty()) continue;
        std::vector<double> row;
        for (std::size_t j = 0; j < names.size(); ++j) {
            const std::size_t at = j * kFieldWidth;
            if (at >= line.size()) break;
            const auto v = parse_fortran_real(std::string_view(line).substr(at, kFieldWidth));
            row.push_back(v ? *v : std::numeric_limits<double>::quiet_NaN());
        }
        row.resize(names.size(), std::numeric_limits<double>::quiet_NaN());
        rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace

std::optional<Track> read_track(const fs::path& rundir) {
    Track t;
    if (!read_track_file(rundir / "fort.1.columns", rundir / "fort.1", t.names, t.rows)) return std::nullopt;
    // An irradiated run writes the levels of its atmosphere to a second
    // track, line for line with fort.1: its columns join fort.1's (those
    // fort.1 has already, step and age, are not repeated).
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;
    if (read_track_file(rundir / "irradiated.track.columns", rundir / "irradiated.track", names, rows)) {
        std::vector<std::size_t> extra;
        for (std::size_t j = 0; j < names.size(); ++j)
            if (t.column(names[j]) < 0) extra.push_back(j);
        for (std::size_t j : extra) t.names.push_back(names[j]);
        for (std::size_t i = 0; i < t.rows.size(); ++i)
            for (std::size_t j : extra)
                t.rows[i].push_back(i < rows.size() ? rows[i][j] : std::numeric_limits<double>::quiet_NaN());
    }
    return t;
}

std::optional<double> interpolate_log_age(const std::vector<double>& age, const std::vector<double>& value,
                                          double t) {
    if (!(t > 0) || age.empty()) return std::nullopt;
    // First point at or beyond t; equal ages (the final model repeats the
    // last step's age) take the later point.
    std::size_t j = 0;
    while (j < age.size() && !(age[j] >= t)) ++j;
    if (j == age.size()) return std::nullopt;
    if (age[j] == t) {
        while (j + 1 < age.size() && age[j + 1] == t) ++j;
        return std::isfinite(value[j]) ? std::optional<double>(value[j]) : std::nullopt;
    }
    if (j == 0 || !(age[j - 1] > 0)) return std::nullopt;
    const double x0 = std::log10(age[j - 1]), x1 = std::log10(age[j]), x = std::log10(t);
    const double v0 = value[j - 1], v1 = value[j];
    if (!std::isfinite(v0) || !std::isfinite(v1)) return std::nullopt;
    return v0 + (v1 - v0) * (x - x0) / (x1 - x0);
}

const std::vector<std::string>& summary_quantities() {
    static const std::vector<std::string> q = {"R_tau23_RJ", "R_transit_RJ", "Teff_K", "Lout_LJ",
                                               "Tint_K",     "Menv_ME",      "XD_ceb"};
    return q;
}

void write_summary(const PlanetTable& table, const fs::path& outdir, const std::vector<std::string>& ages) {
    std::vector<std::optional<double>> age_values;  // nothing: the end of the track
    for (const auto& a : ages) {
        if (a == "tmax") {
            age_values.push_back(std::nullopt);
            continue;
        }
        const auto v = input::parse_real(a);
        if (!v || !(*v > 0)) fatal({"PROBLEME : velkaro-grid: age '" + a + "' is neither a positive number nor tmax"});
        age_values.push_back(*v);
    }
    // The levels of the irradiated atmosphere join the quantities when a run
    // of the table has them.
    std::vector<std::string> quantities = summary_quantities();
    for (std::size_t id = 1; id <= table.rows.size(); ++id)
        if (fs::exists(outdir / "runs" / run_name(id) / "irradiated.track")) {
            for (const char* q : {"R_1bar_irr_RJ", "R_phot_irr_RJ", "R_transit_irr_RJ", "Teff_irr_K", "P_rcb_irr_bar"})
                quantities.push_back(q);
            break;
        }
    std::ostringstream os;
    os << "id";
    for (const auto& c : table.columns) os << ',' << c;
    os << ",status,stopcode,message,wall_s,steps";
    for (const auto& a : ages)
        for (const auto& q : quantities) os << ',' << q << "@" << a;
    os << '\n';
    for (std::size_t id = 1; id <= table.rows.size(); ++id) {
        const fs::path dir = outdir / "runs" / run_name(id);
        const Ending e = read_ending(dir);
        os << id;
        for (const auto& c : table.rows[id - 1]) os << ',' << csv_cell(c);
        os << ',' << e.status << ',' << e.stopcode << ',' << csv_cell(e.message) << ',' << e.wall_s << ',';
        std::optional<Track> tr;
        if (e.status != "pending") tr = read_track(dir);
        const int ja = tr ? tr->column("age_yr") : -1;
        const int js = tr ? tr->column("step") : -1;
        std::vector<double> age;
        if (ja >= 0)
            for (const auto& r : tr->rows) age.push_back(r[static_cast<std::size_t>(ja)]);
        if (js >= 0 && !tr->rows.empty() && std::isfinite(tr->rows.back()[static_cast<std::size_t>(js)]))
        {
            std::string n = fmt::I(static_cast<std::int64_t>(tr->rows.back()[static_cast<std::size_t>(js)]), 12);
            os << n.erase(0, n.find_first_not_of(' '));
        }
        for (const auto& t : age_values) {
            for (const auto& q : quantities) {
                os << ',';
                const int jq = tr ? tr->column(q) : -1;
                if (ja < 0 || jq < 0 || age.empty()) continue;
                std::vector<double> v;
                for (const auto& r : tr->rows) v.push_back(r[static_cast<std::size_t>(jq)]);
                std::optional<double> x;
                if (t) x = interpolate_log_age(age, v, *t);
                else if (std::isfinite(v.back())) x = v.back();
                if (x) os << number(*x);
            }
        }
        os << '\n';
    }
    const fs::path tmp = outdir / "summary.csv.tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << os.str();
        if (!out.flush()) fatal({"PROBLEME : velkaro-grid: cannot write " + tmp.string()});
    }
    fs::rename(tmp, outdir / "summary.csv");
}

}  // namespace velkaro::grid
