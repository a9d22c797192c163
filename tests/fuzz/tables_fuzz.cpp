// Fuzz targets of the data-table readers: the H/He EOS tables, the
// atmosphere entropy grid and the H/He entropy table, the stellar tracks,
// the filter curves and the magnitude grids. Each reads the fuzzed bytes
// as one file of its format.
#include <array>

#include "atmosphere/entropy_grid.hpp"
#include "eos/eos.hpp"
#include "fuzz_support.hpp"
#include "output/magnitude_grids.hpp"
#include "output/photometry.hpp"
#include "processes/tracks.hpp"

namespace {

using namespace velkaro;

std::string table_file(const char* name, const std::uint8_t* data, std::size_t size) {
    const auto p = fuzz::scratch_dir() / name;
    fuzz::write_file(p, fuzz::as_text(data, size));
    return p.string();
}

}  // namespace

// The three EOS tables in one input, separated by form feeds; a missing
// part repeats the one before, so one valid table alone reaches the
// agreement checks of the three.
VELKARO_FUZZ_TARGET(eos) {
    const std::string_view text = fuzz::as_text(data, size);
    std::array<std::string_view, 3> parts;
    std::size_t pos = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        if (pos > text.size()) {
            parts[k] = parts[k - 1];
            continue;
        }
        const std::size_t ff = text.find('\f', pos);
        const std::size_t end = ff == std::string_view::npos ? text.size() : ff;
        parts[k] = text.substr(pos, end - pos);
        pos = ff == std::string_view::npos ? text.size() + 1 : ff + 1;
    }
    const std::array<std::string, 3> names = {"eosbdp0_pt_F", "eosbdp1_pt_F", "eosbdp2_pt_F"};
    std::array<std::filesystem::path, 3> files;
    for (std::size_t k = 0; k < 3; ++k) {
        files[k] = fuzz::scratch_dir() / names[k];
        fuzz::write_file(files[k], parts[k]);
    }
    return fuzz::expect_clean([&] { (void)eos::read_eos_tables(names, files); });
}

VELKARO_FUZZ_TARGET(atmos_grid) {
    const auto f = table_file("loggTeff_S.dat", data, size);
    return fuzz::expect_clean([&] { (void)atmosphere::read_atmos_grid(f); });
}

VELKARO_FUZZ_TARGET(entropy_table) {
    const auto f = table_file("table_HHe.dat", data, size);
    return fuzz::expect_clean([&] { (void)atmosphere::read_entropy_table(f); });
}

// The first byte picks the track format: even a BHAC15 track (number 1),
// odd a Pisa track (number 15).
VELKARO_FUZZ_TARGET(tracks) {
    if (size == 0) return 0;
    const int k = data[0] % 2 == 0 ? 1 : processes::kLyonTracks + 1;
    const auto f = table_file("track.dat", data + 1, size - 1);
    return fuzz::expect_clean([&] { (void)processes::StellarTracks::read_track(f, k); });
}

VELKARO_FUZZ_TARGET(filters) {
    const auto f = table_file("filter.dat", data, size);
    return fuzz::expect_clean([&] { (void)output::FilterCurves::read_curve(f, 1e-4); });
}

VELKARO_FUZZ_TARGET(magnitude_grids) {
    const auto f = table_file("grid.sfl", data, size);
    return fuzz::expect_clean([&] { (void)output::MagnitudeGrids::read_grid(f); });
}
