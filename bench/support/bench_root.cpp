#include "support/bench_root.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

namespace faceloom {

std::string MakeBenchRoot(const std::string& name) {
    const char* base = std::getenv("FACELOOM_BENCH_DIR");
    std::string pattern =
        (std::filesystem::path(base ? base : std::filesystem::temp_directory_path().string()) /
         ("faceloom-" + name + "-XXXXXX"))
            .string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::string root = pattern + "/";
    setenv("XDG_DATA_HOME", (root + "home").c_str(), 1);
    return root;
}

}  // namespace faceloom
