// bench_open_baseline FOLDER: the plain tools' cost of what opening a pack does, for a whole-
// process comparison with `faceloom-pack check FOLDER`: every file of FOLDER copied into a
// fresh temporary folder (no flush) and every GIF there decoded with giflib; the copy is
// removed at the end.
#include <gif_lib.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_open_baseline FOLDER\n");
        return 2;
    }
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "faceloom-baseline-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path copy = pattern;
    int decoded = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[1])) {
        if (!entry.is_regular_file()) continue;
        const fs::path target = copy / entry.path().filename();
        fs::copy_file(entry.path(), target);
        if (target.extension() != ".gif") continue;
        int error = 0;
        GifFileType* gif = DGifOpenFileName(target.c_str(), &error);
        if (gif && DGifSlurp(gif) == GIF_OK) ++decoded;
        if (gif) DGifCloseFile(gif, &error);
    }
    fs::remove_all(copy);
    std::printf("%d decoded\n", decoded);
    return 0;
}
