// bench_pack_gen FOLDER COUNT [SEED] [--variety]: writes an animated pack of COUNT generated
// smiles (19-60 px, 2-40 frames, see MakeBenchSmile) and its "_define.ini" into FOLDER, for
// timing whole processes on packs of any size (open_bench.sh). With --variety the smiles are
// those of the decoder's test corpus instead (up to 100 px, 1-60 frames, every disposal,
// local colour tables, see MakeGifCorpus).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/bench_smile.h"
#include "support/gif_corpus.h"
#include "support/gif_writer.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pack_gen FOLDER COUNT [SEED] [--variety]\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const int count = std::atoi(argv[2]);
    if (count <= 0 || count > 100000) {
        std::fprintf(stderr, "bench_pack_gen: COUNT must be 1..100000\n");
        return 2;
    }
    std::mt19937 random(argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 2005u);
    const bool variety = argc > 4 && std::string(argv[4]) == "--variety";
    const std::vector<faceloom::test::CorpusGif> corpus =
        variety ? faceloom::test::MakeGifCorpus(count) : std::vector<faceloom::test::CorpusGif>{};
    std::filesystem::create_directories(folder);
    std::string define;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "smile%04d.gif", i + 1);
        if (variety) {
            std::ofstream(folder + name, std::ios::binary) << corpus[size_t(i)].bytes;
        } else {
            faceloom::test::WriteGifFile(folder + name, faceloom::MakeBenchSmile(random));
        }
        define += ":s" + std::to_string(i) + ":,*s" + std::to_string(i) + "*\r\n";
    }
    std::ofstream(folder + "_define.ini", std::ios::binary) << define;
    return 0;
}
