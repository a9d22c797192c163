// Helpers shared by the EOS tests: the shipped tables (loaded once per test
// program), small table sets written to scratch files, and the message
// lines of a FatalError.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/fatal.hpp"
#include "eos/eos.hpp"
#include "support/files.hpp"

namespace eostest {

using velkaro::testing::read_file;

inline std::filesystem::path data_dir() { return VELKARO_DATA_DIR; }

/// The three tables of the directory dir, read under their standard names.
inline std::shared_ptr<const velkaro::eos::EosTables> load(const std::filesystem::path& dir) {
    std::array<std::filesystem::path, 3> files;
    for (std::size_t k = 0; k < 3; ++k) files[k] = dir / velkaro::eos::kTableNames[k];
    return velkaro::eos::read_eos_tables(velkaro::eos::kTableNames, files);
}

inline std::shared_ptr<const velkaro::eos::EosTables> shipped() {
    static const auto tb = load(data_dir() / "eos");
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

/// The three texts written under the standard table names to a fresh
/// scratch directory of the build tree, and read from there.
inline std::shared_ptr<const velkaro::eos::EosTables> load_texts(const std::string& name,
                                                                  const std::array<std::string, 3>& texts) {
    const auto d = std::filesystem::path(VELKARO_BINARY_DIR) / "test_scratch" / "eos" / name;
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    for (std::size_t k = 0; k < 3; ++k) std::ofstream(d / velkaro::eos::kTableNames[k], std::ios::binary) << texts[k];
    return load(d);
}

/// A small table on the grid rule (log T = 2.5 + 0.05 (JT - 1), log P =
/// 3.5 + 0.15 (IP - 1)), header "NT NP Y", quantity n = 1..9 at (IP, JT)
/// given by q(n, ip, jt).
inline std::string small_table(int nt, int np, double y, const std::function<double(int, int, int)>& q) {
    std::string s = std::to_string(nt) + " " + std::to_string(np) + " " + std::to_string(y) + "\n";
    char buf[64];
    for (int ip = 1; ip <= np; ++ip)
        for (int jt = 1; jt <= nt; ++jt) {
            std::snprintf(buf, sizeof buf, "%.2f %.2f", 2.5 + 0.05 * (jt - 1), 3.5 + 0.15 * (ip - 1));
            s += buf;
            for (int n = 1; n <= 9; ++n) {
                std::snprintf(buf, sizeof buf, " %.10g", q(n, ip, jt));
                s += buf;
            }
            s += "\n";
        }
    return s;
}

}  // namespace eostest
