// Shared pieces of the fuzz targets.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// A property of the code under test that must hold for every input; aborting makes the
// fuzzer keep the input.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace faceloom::fuzz {

// A private folder for targets whose code under test reads and writes files, removed when
// the process ends; on a memory file system when there is one, because every write syncs.
class TFuzzFolder {
public:
    explicit TFuzzFolder(const std::string& name) {
        std::string pattern =
            (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm")
                                           : std::filesystem::temp_directory_path().string()) +
            "/" + name + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern + "/";
    }
    ~TFuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

    // The folder, with a trailing separator.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace faceloom::fuzz
