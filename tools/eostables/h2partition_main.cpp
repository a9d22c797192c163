// eosh2partition: write the constant table of the H2 internal partition
// function as C++ source.
//   eosh2partition [OUTPUT]   (default: src/eos/h2partition_table.cpp)
#include <fstream>
#include <iostream>

#include "h2partition.hpp"

int main(int argc, char** argv) {
    const char* out = argc > 1 ? argv[1] : "src/eos/h2partition_table.cpp";
    if (argc > 2) {
        std::cerr << "usage: eosh2partition [OUTPUT]\n";
        return 1;
    }
    std::ofstream f(out, std::ios::binary);
    if (!f) {
        std::cerr << "eosh2partition: cannot write " << out << "\n";
        return 1;
    }
    f << velkaro::eosbuild::h2_partition_source();
    if (!f) {
        std::cerr << "eosh2partition: error writing " << out << "\n";
        return 1;
    }
    std::cout << "eosh2partition: wrote " << out << "\n";
    return 0;
}
