// fermidirac: write the constant Fermi-Dirac tables of the electron
// degeneracy conversion as C++ source.
//   fermidirac [OUTPUT]   (default: src/processes/fermi_dirac_tables.cpp)
#include <fstream>
#include <iostream>

#include "fermidirac.hpp"

int main(int argc, char** argv) {
    const char* out = argc > 1 ? argv[1] : "src/processes/fermi_dirac_tables.cpp";
    if (argc > 2) {
        std::cerr << "usage: fermidirac [OUTPUT]\n";
        return 1;
    }
    std::ofstream f(out, std::ios::binary);
    if (!f) {
        std::cerr << "fermidirac: cannot write " << out << "\n";
        return 1;
    }
    f << velkaro::fdbuild::fermi_dirac_source();
    if (!f) {
        std::cerr << "fermidirac: error writing " << out << "\n";
        return 1;
    }
    std::cout << "fermidirac: wrote " << out << "\n";
    return 0;
}
