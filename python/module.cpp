// _velkaro: the Python binding of the program's library. One planet runs in
// the calling process with a run context of its own and without the GIL, so
// that planets on several Python threads run at the same time; a population
// runs through the grid runner's worker threads. The Python package
// (velkaro/__init__.py) builds on these few functions.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <variant>
#include <vector>

#include "common/fatal.hpp"
#include "grid/grid.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"

namespace py = pybind11;

namespace {

// A stream buffer that writes everything into two others: the notes of a
// run (warnings, final message) go both to the log and to the list of
// messages the Python caller gets.
class TeeBuf : public std::streambuf {
public:
    TeeBuf(std::streambuf* a, std::streambuf* b) : a_(a), b_(b) {}

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        const auto ch = traits_type::to_char_type(c);
        if (a_->sputc(ch) == traits_type::eof() || b_->sputc(ch) == traits_type::eof()) return traits_type::eof();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const auto na = a_->sputn(s, n);
        const auto nb = b_->sputn(s, n);
        return na < nb ? na : nb;
    }
    int sync() override { return (a_->pubsync() == 0 && b_->pubsync() == 0) ? 0 : -1; }

private:
    std::streambuf* a_;
    std::streambuf* b_;
};

struct RunOutcome {
    std::string status;              // "completed" or "stopped"
    std::vector<std::string> lines;  // the fatal message of a stopped run
    std::string notes;               // warnings and the final message
    std::string log;                 // the console account, when captured
};

// One planet in rundir. The console account goes to the file log_path (when
// not empty), into the returned text (capture_log) or nowhere; the notes are
// always returned. A fatal stop is returned with its lines, and is appended
// to the log as the executable would print it.
RunOutcome run_planet(const std::string& rundir, const std::string& log_path, bool capture_log) {
    RunOutcome r;
    std::ostringstream notes, captured;
    std::ofstream logfile;
    std::ostream* log = nullptr;
    if (!log_path.empty()) {
        logfile.open(log_path, std::ios::binary | std::ios::trunc);
        if (!logfile) throw std::runtime_error("cannot write the log file " + log_path);
        log = &logfile;
    } else if (capture_log) {
        log = &captured;
    }
    {
        py::gil_scoped_release free_python;
        velkaro::RunContext ctx;
        ctx.path.rundir = rundir;
        std::optional<TeeBuf> tee;
        std::optional<std::ostream> tee_stream;
        if (log) {
            tee.emplace(log->rdbuf(), notes.rdbuf());
            tee_stream.emplace(&*tee);
            ctx.console.out = log;
            ctx.console.notes = &*tee_stream;
        } else {
            ctx.console.out = &notes;
            ctx.console.quiet();
        }
        try {
            velkaro::run_planet(ctx);
            r.status = "completed";
        } catch (const velkaro::FatalError& e) {
            r.status = "stopped";
            r.lines = e.lines();
        } catch (const std::exception& e) {
            r.status = "stopped";
            r.lines = {std::string("PROBLEME : internal error: ") + e.what()};
        }
        if (log) {
            for (const auto& l : r.lines) *log << l << '\n';
            log->flush();
        }
    }
    if (logfile.is_open() && !logfile) throw std::runtime_error("cannot write the log file " + log_path);
    r.notes = notes.str();
    r.log = captured.str();
    return r;
}

// A file of fixed-width numeric fields as blocks of rows: an empty line ends
// a block (fort.13 and fort.14 start every dump with one). Fields that do not
// read as a number are NaN; rows shorter than the longest are NaN-padded.
std::vector<py::array_t<double>> read_blocks(const std::string& file, int width) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw py::value_error("cannot read " + file);
    std::vector<std::vector<std::vector<double>>> blocks;
    std::vector<std::vector<double>> cur;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(' ') == std::string::npos) {
            if (!cur.empty()) blocks.push_back(std::move(cur));
            cur.clear();
            continue;
        }
        std::vector<double> row;
        for (std::size_t p = 0; p < line.size(); p += static_cast<std::size_t>(width)) {
            const auto v = velkaro::grid::parse_fortran_real(std::string_view(line).substr(p, width));
            row.push_back(v ? *v : std::numeric_limits<double>::quiet_NaN());
        }
        cur.push_back(std::move(row));
    }
    if (!cur.empty()) blocks.push_back(std::move(cur));
    std::vector<py::array_t<double>> out;
    for (const auto& b : blocks) {
        std::size_t ncol = 0;
        for (const auto& r : b) ncol = std::max(ncol, r.size());
        py::array_t<double> a({b.size(), ncol});
        auto m = a.mutable_unchecked<2>();
        for (std::size_t i = 0; i < b.size(); ++i)
            for (std::size_t j = 0; j < ncol; ++j)
                m(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(j)) =
                    j < b[i].size() ? b[i][j] : std::numeric_limits<double>::quiet_NaN();
        out.push_back(std::move(a));
    }
    return out;
}

struct Failure {
    std::vector<std::string> lines;
};

// The input files of a run from a base directory and values by name; a
// value the files do not have, or a base that cannot be read, is a failure
// with the grid runner's message.
std::variant<py::tuple, Failure> make_inputs(const std::string& base, const std::vector<std::string>& names,
                                             const std::vector<std::string>& values) {
    try {
        const auto in = velkaro::grid::make_inputs(base, names, values);
        return py::make_tuple(in.sivex, in.dualband, in.path);
    } catch (const velkaro::FatalError& e) {
        return Failure{e.lines()};
    }
}

std::variant<py::dict, Failure> run_population(const std::vector<std::string>& columns,
                                               const std::vector<std::vector<std::string>>& rows,
                                               const std::string& outdir, const std::string& base, int jobs,
                                               const std::vector<std::string>& ages, bool quiet_console) {
    velkaro::grid::PlanetTable t;
    t.columns = columns;
    t.rows = rows;
    velkaro::grid::RunOptions o;
    o.outdir = outdir;
    o.base = base;
    o.jobs = jobs;
    if (!ages.empty()) o.ages = ages;
    o.progress = false;
    o.quiet_console = quiet_console;
    velkaro::grid::RunReport rep;
    try {
        py::gil_scoped_release free_python;
        rep = velkaro::grid::run_population(t, o);
    } catch (const velkaro::FatalError& e) {
        return Failure{e.lines()};
    } catch (const std::exception& e) {
        return Failure{{std::string("PROBLEME : velkaro-grid: ") + e.what()}};
    }
    py::dict d;
    d["selected"] = rep.selected;
    d["skipped"] = rep.skipped;
    d["ran"] = rep.ran;
    d["failed"] = rep.failed;
    d["failed_before"] = rep.failed_before;
    return d;
}

}  // namespace

PYBIND11_MODULE(_velkaro, m) {
    m.doc() = "The velkaro library: one planet's run, result-file readers, populations.";
    m.attr("__version__") = VELKARO_VERSION;

    py::class_<Failure>(m, "Failure").def_readonly("lines", &Failure::lines);
    py::class_<RunOutcome>(m, "RunOutcome")
        .def_readonly("status", &RunOutcome::status)
        .def_readonly("lines", &RunOutcome::lines)
        .def_readonly("notes", &RunOutcome::notes)
        .def_readonly("log", &RunOutcome::log);

    m.def("run_planet", &run_planet, py::arg("rundir"), py::arg("log_path") = "", py::arg("capture_log") = false,
          "Run the planet whose input files lie in rundir (the GIL is released meanwhile).");
    m.def("read_blocks", &read_blocks, py::arg("file"), py::arg("width"),
          "A result file of fixed-width fields as a list of 2-D arrays (blocks separated by empty lines).");
    m.def(
        "input_location",
        [](const std::string& name) -> std::optional<std::pair<std::string, int>> {
            const auto loc = velkaro::grid::input_location(name);
            if (!loc) return std::nullopt;
            return std::make_pair(std::string(loc->file), loc->line);
        },
        py::arg("name"), "The input file and line of a named input value, or None.");
    m.def("make_inputs", &make_inputs, py::arg("base"), py::arg("names"), py::arg("values"),
          "The texts of sivex.in, sivexdualband.in and path.dat: the base's with the named values in place.");
    m.def("run_population", &run_population, py::arg("columns"), py::arg("rows"), py::arg("outdir"), py::arg("base"),
          py::arg("jobs"), py::arg("ages"), py::arg("quiet_console"),
          "Run a planet table with the grid runner (the GIL is released meanwhile).");
}
