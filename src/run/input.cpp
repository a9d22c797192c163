#include "run/input.hpp"

#include <fstream>

#include "atmosphere/opacity_ratios.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "run/context.hpp"

namespace velkaro {
namespace input {
namespace {

std::string in_quotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

// A line of blanks (spaces, tabs, a carriage return) only: an empty record.
bool is_blank(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

// The input files are a few dozen short lines; a file of more than a
// mebibyte (a single endless line, say) is not one of them, and is refused
// before anything is read into memory.
constexpr std::uintmax_t kMaxInputBytes = 1 << 20;

void reject_oversized(const std::filesystem::path& file, const std::string& name) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > kMaxInputBytes)
        fatal({"PROBLEME : input file " + name + " holds " + std::to_string(size) + " bytes, more than the " +
               std::to_string(kMaxInputBytes) + " an input file may have; is it the right file?"});
}

}  // namespace

RecordReader::RecordReader(const std::filesystem::path& file, std::string display_name)
    : name_(std::move(display_name)) {
    std::ifstream in(file);
    if (!in) fatal({"PROBLEME : cannot open the input file " + name_ + " (" + file.string() + ")"});
    reject_oversized(file, name_);
    std::string line;
    // The files hold a handful of records; anything past a generous
    // capacity is not an input file of this program.
    constexpr std::size_t kMaxLines = 1000;
    while (std::getline(in, line)) {
        if (lines_.size() == kMaxLines)
            fatal({"PROBLEME : input file " + name_ + " has more than " + std::to_string(kMaxLines) +
                   " lines; is it the right file?"});
        lines_.push_back(line);
    }
}

std::string_view RecordReader::next(std::string_view what, std::string_view kind) {
    // A free-format read passes over empty records to the next one that
    // holds a value: a blank line between values is skipped.
    while (line_no_ < static_cast<int>(lines_.size()) && is_blank(lines_[static_cast<std::size_t>(line_no_)]))
        ++line_no_;
    if (line_no_ >= static_cast<int>(lines_.size()))
        fatal({"PROBLEME : input file " + name_ + " ends after line " + std::to_string(lines_.size()) +
               ": expected " + std::string(kind) + " (" + std::string(what) + ") on line " +
               std::to_string(line_no_ + 1)});
    current_ = lines_[static_cast<std::size_t>(line_no_)];
    ++line_no_;
    const std::string_view tok = first_item(current_);
    if (tok.empty())
        fatal({"PROBLEME : input file " + name_ + ", line " + std::to_string(line_no_) + ": expected " +
               std::string(kind) + " (" + std::string(what) + "), found no value"});
    return tok;
}

bool RecordReader::more_values() const {
    for (std::size_t k = static_cast<std::size_t>(line_no_); k < lines_.size(); ++k)
        if (!first_item(lines_[k]).empty()) return true;
    return false;
}

void RecordReader::reject(std::string_view what, std::string_view why) const {
    fatal({"PROBLEME : input file " + name_ + ", line " + std::to_string(line_no_) + ": " + std::string(what) +
           " " + std::string(why) + " (line: " + in_quotes(current_) + ")"});
}

double RecordReader::real(std::string_view what) {
    const std::string_view tok = next(what, "a real number");
    const auto v = parse_real(tok);
    if (!v)
        fatal({"PROBLEME : input file " + name_ + ", line " + std::to_string(line_no_) +
               ": expected a real number (" + std::string(what) + "), found " + in_quotes(tok)});
    return *v;
}

long RecordReader::integer(std::string_view what) {
    const std::string_view tok = next(what, "an integer");
    const auto v = parse_int(tok);
    if (!v)
        fatal({"PROBLEME : input file " + name_ + ", line " + std::to_string(line_no_) +
               ": expected an integer (" + std::string(what) + "), found " + in_quotes(tok)});
    return *v;
}

bool RecordReader::logical(std::string_view what) {
    const std::string_view tok = next(what, "a logical T or F");
    const auto v = parse_logical(tok);
    if (!v)
        fatal({"PROBLEME : input file " + name_ + ", line " + std::to_string(line_no_) +
               ": expected a logical T or F (" + std::string(what) + "), found " + in_quotes(tok)});
    return *v;
}

}  // namespace input

namespace {

// The data directories of "path.dat": two character records, quoted or not.
void read_path_file(RunContext& ctx) {
    const auto file = ctx.path.rundir / "path.dat";
    std::ifstream in(file);
    if (!in) fatal({"Sbr init: ERROR opening path.dat", "PROBLEME : path.dat"});
    input::reject_oversized(file, "path.dat");
    std::string* targets[2] = {&ctx.path.path_tableseos, &ctx.path.path_fichiersdg};
    for (std::string* t : targets) {
        std::string line;
        do {  // blank lines are empty records, passed over
            if (!std::getline(in, line)) fatal({"PROBLEME : sbr init: reading path.dat"});
        } while (input::is_blank(line));
        auto v = input::parse_character(line);
        if (!v) fatal({"PROBLEME : sbr init: reading path.dat"});
        // Trailing blanks never belong to a directory name.
        while (!v->empty() && (v->back() == ' ' || v->back() == '\t')) v->pop_back();
        if (v->size() > 500)
            fatal({"PROBLEME : sbr init: reading path.dat",
                   "a data directory in path.dat is longer than 500 characters"});
        *t = *v;
    }
}

}  // namespace

void initcond(RunContext& ctx, PlanetState& s) {
    input::RecordReader rf(ctx.path.rundir / "sivex.in", "sivex.in");
    // Each value is checked where it is read, so that the message can name
    // its line: values that no planet can have would only crash or hang a
    // structure search much later.
    s.aplanete = rf.real("aplanete/AU");
    if (!(s.aplanete > 0)) rf.reject("aplanete/AU", "must be positive");
    s.Menve = rf.real("Menve/Mearth");
    if (s.Menve < 0) rf.reject("Menve/Mearth", "must not be negative");
    s.Mcore = rf.real("Mcore/Mearth");
    if (!(s.Mcore > 0)) rf.reject("Mcore/Mearth", "must be positive");
    s.YHe = rf.real("YHe");
    if (s.YHe < 0 || s.YHe > 1) rf.reject("YHe", "must lie between 0 and 1");
    s.Mstar = rf.real("Mstar/Msol");
    if (!(s.Mstar > 0)) rf.reject("Mstar/Msol", "must be positive");
    s.Linit = rf.real("Linit/LJ");
    if (!(s.Linit > 0)) rf.reject("Linit/LJ", "must be positive");
    s.fract_ice = rf.real("fract_ice");
    if (s.fract_ice < 0 || s.fract_ice > 1) rf.reject("fract_ice", "must lie between 0 and 1");
    s.xDeuPrim = rf.real("xDeuPrim");
    if (s.xDeuPrim < 0) rf.reject("xDeuPrim", "must not be negative");
    s.tmax = rf.real("tmax/yr");
    const int tmax_line = rf.line_number();
    s.divisorTKH = rf.real("divisorTKH");
    if (!(s.divisorTKH > 0)) rf.reject("divisorTKH", "must be positive");
    ctx.common.keepall = rf.logical("keepall");
    ctx.common.dtsave = rf.real("dtsave");
    s.Noevo = rf.logical("Noevo");
    s.tstart = rf.real("tstart/yr");
    if (!(s.tmax > s.tstart))
        rf.reject("tstart/yr", "must come before tmax (line " + std::to_string(tmax_line) + ")");

    s.aplanete *= cst::AU;
    s.Menve *= cst::Mearth;
    s.Mcore *= cst::Mearth;
    s.Mstar *= cst::Msun;
    s.Linit *= cst::Ljup;
    s.tmax *= cst::year;
    s.tstart *= cst::year;

    read_path_file(ctx);
    eos::loadeos(ctx.eos, ctx.path);
    // The tables of the planet's helium fraction now, not inside the first
    // structure integration.
    ctx.eos.tables->require_for(s.YHe);

    if (ctx.common.aff) {
        auto& o = ctx.console.con();
        o << '\n' << "SBR INITCOND: Initial conditions\n";
        auto line = [&](std::string_view lab, double v) { o << fmt::free(fmt::label(lab, 13), v) << '\n'; };
        line("aplanete/AU", s.aplanete / cst::AU);
        line("Menve/Mearth", s.Menve / cst::Mearth);
        line("Mcore/Mearth", s.Mcore / cst::Mearth);
        line("YHe", s.YHe);
        line("Mstar/Msol", s.Mstar / cst::Msun);
        line("Linit/LJ", s.Linit / cst::Ljup);
        line("fract_ice", s.fract_ice);
        line("xDeuPrim", s.xDeuPrim);
        line("tstart", s.tstart / cst::year);
        o << '\n';
    }
    ctx.common.menveinit = s.Menve;
}

void init2bd(RunContext& ctx) {
    input::RecordReader rf(ctx.path.rundir / "sivexdualband.in", "sivexdualband.in");
    auto& d = ctx.dualband;
    auto& b = ctx.dbdboundary;
    d.modelselect = static_cast<int>(rf.integer("modelselect"));
    ctx.console.con() << fmt::free("Modelselect forced to 0") << '\n';
    d.modelselect = 0;
    ctx.gasloss.gasevap = rf.logical("GasEvap");
    b.tauoutmanual = rf.logical("tauoutmanual");
    b.tauout = rf.real("tauout");
    if (b.tauoutmanual && !(b.tauout >= 0)) rf.reject("tauout", "must not be negative");
    b.pedtmanual = rf.logical("Pedtmanual");
    ctx.common.qstar = rf.real("Qstar");
    const int qstar_line = rf.line_number();
    ctx.common.tides = rf.logical("Tides");
    if (ctx.common.tides && !(ctx.common.qstar > 0))
        fatal({"PROBLEME : input file sivexdualband.in, line " + std::to_string(qstar_line) +
               ": Qstar must be positive when Tides is on (line " + std::to_string(rf.line_number()) + ")"});
    ctx.opacity.metallicity = rf.real("metallicity");
    ctx.opacity.opacityscale = rf.real("ScaleOpacity");
    ctx.opacity.opacity_p = rf.logical("opacity_p");
    d.angle = rf.real("angle");
    d.kv2kthmanual = rf.logical("kv2kthmanual");
    d.kv2kth = rf.real("kv2kth");
    d.kv2kth2 = rf.real("kv2kth2");
    d.alpha = rf.real("alpha");
    ctx.gasloss.evapmodel = static_cast<int>(rf.integer("Evapmodel"));
    // Line 17, optional: the irradiated atmosphere (absent: off).
    d.irradiated = rf.more_values() ? rf.logical("irradiated") : false;
    if (d.irradiated && !(d.kv2kth > 0) && d.kv2kthmanual)
        rf.reject("irradiated", "needs kv2kth > 0 (line 13) when kv2kthmanual is on");

    auto& o = ctx.console.con();
    if (ctx.opacity.metallicity < 0 || ctx.opacity.metallicity > 1.7) {
        ctx.console.note() << fmt::free("Metallicity for opacity out of range", ctx.opacity.metallicity) << '\n';
        ctx.console.note() << fmt::free("Extrapolating from 0 or 1.7") << '\n';
    }
    if (!d.kv2kthmanual) {
        atmosphere::kv2kthteq(ctx.dualband, ctx.dbdtemp.teq, ctx.console);
        atmosphere::kv2kth2teq(ctx.dualband, ctx.dbdtemp.teq, ctx.console);
    }
    if (!b.tauoutmanual) b.tauout = 2.0 / 3.0;
    b.tauoutorig = b.tauout;
    b.peddingtion = 0;

    if (ctx.common.aff) {
        o << '\n' << "SBR INIT23BAND: Initial conditions part 2\n";
        auto L = [](std::string_view s) { return fmt::label(s, 12); };
        o << fmt::free(L("modelselect"), d.modelselect) << '\n';
        o << fmt::free(L("GasEvap"), ctx.gasloss.gasevap) << '\n';
        o << fmt::free(L("tauoutmanual"), b.tauoutmanual) << '\n';
        o << fmt::free(L("tauout"), b.tauout) << '\n';
        o << fmt::free(L("Pedtmanual"), b.pedtmanual) << '\n';
        o << fmt::free(L("Qstar"), ctx.common.qstar) << '\n';
        o << fmt::free(L("Tides"), ctx.common.tides) << '\n';
        o << fmt::free(L("metallicity"), ctx.opacity.metallicity) << '\n';
        o << fmt::free(L("ScaleOpacity"), ctx.opacity.opacityscale) << '\n';
        o << fmt::free(L("opacity_p"), ctx.opacity.opacity_p) << '\n';
        o << fmt::free(L("angle"), d.angle) << '\n';
        o << fmt::free(L("kv2kthmanual"), d.kv2kthmanual) << '\n';
        o << fmt::free(L("kv2kth"), d.kv2kth) << '\n';
        o << fmt::free(L("kv2kth2"), d.kv2kth2) << '\n';
        o << fmt::free(L("alpha"), d.alpha) << '\n';
        o << fmt::free(L("Evapmodel"), ctx.gasloss.evapmodel) << '\n';
        if (d.irradiated) o << fmt::free(L("irradiated"), d.irradiated) << '\n';
    }
}

}  // namespace velkaro
