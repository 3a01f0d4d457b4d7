// bench_pack_gen FOLDER COUNT [SEED]: writes an animated pack of COUNT generated smiles
// (19-60 px, 2-40 frames, see MakeBenchSmile) and its "_define.ini" into FOLDER, for timing
// whole processes on packs of any size (open_bench.sh).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/bench_smile.h"
#include "support/gif_writer.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pack_gen FOLDER COUNT [SEED]\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const int count = std::atoi(argv[2]);
    if (count <= 0 || count > 100000) {
        std::fprintf(stderr, "bench_pack_gen: COUNT must be 1..100000\n");
        return 2;
    }
    std::mt19937 random(argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 2005u);
    std::filesystem::create_directories(folder);
    std::string define;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "smile%04d.gif", i + 1);
        faceloom::test::WriteGifFile(folder + name, faceloom::MakeBenchSmile(random));
        define += ":s" + std::to_string(i) + ":,*s" + std::to_string(i) + "*\r\n";
    }
    std::ofstream(folder + "_define.ini", std::ios::binary) << define;
    return 0;
}
