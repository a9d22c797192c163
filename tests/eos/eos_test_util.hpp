// Helpers shared by the EOS tests: the shipped tables (loaded once per test
// program), temporary table files, and the message lines of a FatalError.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/fatal.hpp"
#include "eos/eos.hpp"

namespace eostest {

inline std::filesystem::path data_dir() { return VELKARO_DATA_DIR; }

inline std::shared_ptr<const velkaro::eos::EosTables> shipped() {
    static const auto tb = [] {
        std::array<std::string, 3> names;
        std::array<std::filesystem::path, 3> files;
        for (std::size_t k = 0; k < 3; ++k) {
            names[k] = velkaro::eos::kTableNames[k];
            files[k] = data_dir() / "eos" / velkaro::eos::kTableNames[k];
        }
        return velkaro::eos::read_eos_tables(names, files);
    }();
    return tb;
}

/// The lines of the FatalError thrown by f (fails the test if none).
inline std::vector<std::string> fatal_lines(const std::function<void()>& f) {
    try {
        f();
    } catch (const velkaro::FatalError& e) {
        return e.lines();
    }
    ADD_FAILURE() << "no FatalError thrown";
    return {};
}

/// A fresh scratch directory under the build tree.
inline std::filesystem::path scratch(const std::string& name) {
    const auto d = std::filesystem::path(VELKARO_BINARY_DIR) / "test_scratch" / "eos" / name;
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
}

inline void write_file(const std::filesystem::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary);
    f << text;
}

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace eostest
