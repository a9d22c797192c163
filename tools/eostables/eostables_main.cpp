// eostables: build the H/He equation-of-state tables from the published
// SCvH hydrogen and helium tables.
//   eostables [--sources DIR] [--out DIR] [--entropy-y Y] [Y1 Y2 Y3]
// Defaults: --sources data/sources/scvh, --out data/eos, --entropy-y 0.27,
// Y = 0.20 0.27 0.35. Run from the source directory.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "writer.hpp"

namespace {

bool number(const char* s, double& v) {
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end != s && *end == '\0';
}

int usage() {
    std::cerr << "usage: eostables [--sources DIR] [--out DIR] [--entropy-y Y] [Y1 Y2 Y3]\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    velkaro::eosbuild::BuildOptions o;
    std::filesystem::path out = "data/eos";
    std::vector<double> ys;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if ((arg == "--sources" || arg == "--out" || arg == "--entropy-y") && a + 1 < argc) {
            const char* v = argv[++a];
            if (arg == "--sources") o.sources = v;
            else if (arg == "--out") out = v;
            else if (!number(v, o.y_entropy)) return usage();
        } else {
            double y;
            if (!number(argv[a], y)) return usage();
            ys.push_back(y);
        }
    }
    if (!ys.empty()) o.ys = ys;
    try {
        for (const auto& [name, text] : velkaro::eosbuild::build_all(o)) {
            const auto file = out / name;
            std::ofstream f(file, std::ios::binary);
            f << text;
            if (!f) throw std::runtime_error("cannot write " + file.string());
            std::cout << "eostables: wrote " << file.string() << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "eostables: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
