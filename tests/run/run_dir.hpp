// A throw-away run directory holding the three input files, for tests of
// input reading and of the driver.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "run/context.hpp"
#include "run/driver.hpp"

namespace velkaro::testing {

/// The Jupiter example's values, one string per line of each file.
inline std::vector<std::string> jupiter_run_file() {
    return {"5.2  aplanete/AU", "307.8285  Menve/Mearth", "10.0  Mcore/Mearth", "0.27  YHe",
            "1.0  Mstar/Msol",  "1.0d4  Linit/LJ",       "0.5  fract_ice",     "2.0d-5  xDeuPrim",
            "1.0d10  tmax/yr",  "1.0  divisorTKH",       "F  keepall",         "-1.0  dtsave",
            "F  Noevo",         "1.0d6  tstart/yr"};
}

inline std::vector<std::string> jupiter_atmosphere_file() {
    return {"0", "F", "F", "0.6666667", "F", "1.0d6", "F", "0.0", "1.0", "F", "0.25",
            "T  kv2kthmanual", "0.1  kv2kth", "0.2  kv2kth2", "0.0", "0"};
}

/// lines with some of them replaced: {line number (1-based), text}.
inline std::vector<std::string> edited(std::vector<std::string> lines,
                                       std::initializer_list<std::pair<int, std::string>> changes) {
    for (const auto& [n, text] : changes) lines.at(static_cast<std::size_t>(n - 1)) = text;
    return lines;
}

class RunDir {
public:
    RunDir() {
        std::random_device rd;
        dir_ = std::filesystem::temp_directory_path() / ("velkaro-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(dir_);
        write("sivex.in", jupiter_run_file());
        write("sivexdualband.in", jupiter_atmosphere_file());
        write("path.dat", {"'" + std::string(VELKARO_DATA_DIR) + "/eos/'", "'" + std::string(VELKARO_DATA_DIR) + "/'"});
    }
    ~RunDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    RunDir(const RunDir&) = delete;
    RunDir& operator=(const RunDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }

    void write(const std::string& name, const std::vector<std::string>& lines) const {
        std::ofstream f(dir_ / name);
        for (const auto& l : lines) f << l << '\n';
    }
    void remove(const std::string& name) const { std::filesystem::remove(dir_ / name); }

    /// A whole run of the planet in this directory; returns the console account.
    std::string run() const {
        RunContext ctx;
        std::ostringstream out;
        ctx.console.out = &out;
        ctx.path.rundir = dir_;
        run_planet(ctx);
        return out.str();
    }

private:
    std::filesystem::path dir_;
};

}  // namespace velkaro::testing
