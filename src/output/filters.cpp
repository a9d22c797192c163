// The 16 filter transmission curves and the transmission at one wavelength.
#include <cmath>
#include <fstream>
#include <string_view>

#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/text_input.hpp"
#include "opacity/lookup.hpp"
#include "output/photometry.hpp"
#include "output/photometry_context.hpp"

namespace velkaro::output {

namespace {

// Files, wavelength units, effective wavelengths [micron] and zero points.
// The zero points make -2.5 log10(integrated flux) - zp the magnitude in the
// filter's (Vega) system.
constexpr std::array<FilterSpec, kFilters> kSpecs = {{
    {"filtertransmissions/JohnsonUmvb.dat", true, 0.365, 14.0488},
    {"filtertransmissions/JohnsonBmvb.dat", true, 0.44, 13.012},
    {"filtertransmissions/JohnsonVmvb.dat", true, 0.55, 13.7598},
    {"filtertransmissions/CousinsRmvb.dat", true, 0.7, 13.615},
    {"filtertransmissions/CousinsImvb.dat", true, 0.9, 14.4325},
    {"filtertransmissions/BesselJ.dat", true, 1.22, 15.5378},
    {"filtertransmissions/BesselH.dat", true, 1.65, 16.2065},
    {"filtertransmissions/PerssonKs.dat", false, 2.16, 17.2369},
    {"filtertransmissions/BesselL.dat", true, 3.55, 18.8333},
    {"filtertransmissions/BesselM.dat", false, 4.77, 20.2689},
    {"filtertransmissions/trecsN.dat", false, 10.47, 20.6094},
    {"filtertransmissions/trecsQ.dat", false, 20.13, 23.2814},
    {"filtertransmissions/WISEW1energy.dat", false, 3.35, 18.1572},
    {"filtertransmissions/WISEW2energy.dat", false, 4.6, 18.9903},
    {"filtertransmissions/WISEW3energy.dat", false, 11.56, 21.1041},
    {"filtertransmissions/WISEW4energy.dat", false, 22.09, 24.2213},
}};

[[noreturn]] void bad_curve(const std::string& filename, const std::string& why) {
    fatal({"SBR filtertransmission", "ERROR reading filter transmission file: " + why,
           "PROBLEME : Filename " + filename});
}

// A wavelength and a filter number the curves can answer for. "Not
// positive" includes NaN, which no search could place.
void check_request(double lambda, int k) {
    if (!(lambda > 0))
        fatal({"SBR filtertransmission", fmt::free("ERROR: nonpositive wavelenght in filtertransmission", lambda)});
    if (k < 1 || k > kFilters) fatal({"SBR filtertransmission", fmt::free("ERROR: unknown filter number", k)});
}

}  // namespace

const FilterSpec& filter_spec(int k) { return kSpecs[static_cast<std::size_t>(k - 1)]; }

FilterCurve FilterCurves::read_curve(const std::string& filename, double to_cm) {
    std::ifstream in(filename, std::ios::binary);
    if (!in) bad_curve(filename, "cannot be opened (missing or unreadable)");
    FilterCurve c;
    std::string line;
    int lineno = 0;
    std::vector<std::string_view> f;
    while (std::getline(in, line)) {
        if (++lineno == 1) continue;  // header
        input::split_fields(line, f);
        if (f.empty()) continue;  // blank lines carry no sample
        const std::string where = "line " + std::to_string(lineno) + ": ";
        double v[2];
        if (f.size() != 2 || !input::parse_reals(line, v, 2))
            bad_curve(filename, where + "expected two numbers, wavelength and transmission");
        if (c.nt == kFilterMaxRows)
            bad_curve(filename, "holds more than " + std::to_string(kFilterMaxRows) + " samples");
        const double lam = v[0] * to_cm;
        if (!(lam > 0) || (c.nt > 0 && !(lam > c.lamb.back())))
            bad_curve(filename, where + "wavelengths must be positive and rise from line to line");
        c.lamb.push_back(lam);
        c.trans.push_back(v[1]);
        ++c.nt;
    }
    if (c.nt < 2) bad_curve(filename, "holds fewer than 2 samples");
    c.lmin = c.lamb.front();
    c.lmax = c.lamb.back();
    return c;
}

std::shared_ptr<const FilterCurves> FilterCurves::load(const std::string& datadir) {
    std::string dir = datadir;
    while (!dir.empty() && dir.back() == ' ') dir.pop_back();
    auto fc = std::make_shared<FilterCurves>();
    for (int k = 1; k <= kFilters; ++k) {
        const FilterSpec& s = filter_spec(k);
        fc->c_[static_cast<std::size_t>(k - 1)] = read_curve(dir + s.file, s.angstrom ? 1e-8 : 1e-4);
    }
    return fc;
}

const FilterCurves& filter_curves(PhotometryContext& pc, const PathModule& path) {
    if (!pc.filters) {
        std::string dir = path.path_fichiersdg;
        while (!dir.empty() && dir.back() == ' ') dir.pop_back();
        pc.filters = FilterCurves::load(path.resolve(dir).string());
    }
    return *pc.filters;
}

void huntfiltertransmission(const double* xx, double x, int& jlo, int n) { huntsm(xx, x, jlo, n); }

void filtertransmission(const FilterCurves& fc, int& jlolm, double lambda, int k, double& trans, double& lmin,
                        double& lmax) {
    check_request(lambda, k);
    const FilterCurve& c = fc.curve(k);
    lmin = c.lmin;
    lmax = c.lmax;
    huntfiltertransmission(c.lamb.data(), lambda, jlolm, c.nt);
    if (jlolm <= 0 || jlolm >= c.nt) {
        trans = 0.0;
        return;
    }
    const std::size_t j = static_cast<std::size_t>(jlolm - 1);
    trans = linintpol(lambda, c.trans[j], c.lamb[j], c.trans[j + 1], c.lamb[j + 1]);
}

void filtertransmission(PhotometryContext& pc, const PathModule& path, double lambda, int k, double& trans,
                        double& lmin, double& lmax) {
    check_request(lambda, k);  // before the first load
    filtertransmission(filter_curves(pc, path), pc.jlolm, lambda, k, trans, lmin, lmax);
}

}  // namespace velkaro::output
