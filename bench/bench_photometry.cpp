// Cost of the observables of one track line: grid magnitudes, the 36 fits,
// black-body photometry in 16 filters and the 14 contrasts, for a young
// Jupiter (the tables already loaded, as after the first line of a run).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "common/constants.hpp"
#include "output/observables.hpp"
#include "output/photometry_context.hpp"

using namespace velkaro;

namespace {

void BM_ObservablesOfOneLine(benchmark::State& state) {
    PathModule path;
    path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
    processes::ProcessesContext pc;
    output::PhotometryContext phot;
    const processes::Star star{pc, path};
    const double r = 1.3 * cst::Rjup, a = 5.2 * cst::AU, mstar = cst::Msun;
    const double logg = std::log10(cst::G * cst::Mjup / (r * r));
    std::array<double, 9> gm, gg;
    std::array<double, 36> fit;
    std::array<double, 16> bb, fl;
    std::array<double, 14> c;
    double peak, teff = 700;
    for (auto _ : state) {
        teff = teff > 1500 ? 700 : teff * 1.001;  // a slowly changing model, as along a track
        const double age = 1e7 * cst::year;
        output::contrast(star, false, age, mstar, teff, r, a, peak, c, nullptr);
        output::magnitudesfit(teff, logg, r, fit);
        output::interpolmagnitudesgridco(phot, path, teff, logg, r, gm, gg);
        output::blackbodymagsv2(phot, path, star, teff, r, a, age, mstar, bb, fl);
        benchmark::DoNotOptimize(bb);
        benchmark::DoNotOptimize(gm);
    }
}
BENCHMARK(BM_ObservablesOfOneLine)->Unit(benchmark::kMicrosecond);

}  // namespace
