// Shared pieces of the fuzz targets.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/journal_codec.h"

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

// The bytes of a journal with a correct check value at the end: a tail of the checksum line's
// shape is replaced, anything else gets one appended. Without it nearly every mutation fails
// the check and the decoders behind it are never reached.
inline std::string Resealed(std::string_view bytes) {
    const size_t tail = faceloom::kJournalSealBytes;
    if (bytes.size() >= tail && bytes.back() == '\n' && bytes[bytes.size() - tail] == '#')
        bytes.remove_suffix(tail);
    return faceloom::SealJournal(bytes);
}

// A private folder for targets whose code under test reads and writes files, removed when
// the process ends; on a memory file system when there is one, because every write syncs.
// libFuzzer ends some processes without static destructors (a timeout, an interrupt, a merge
// child), so the folder's name carries the process id and each new folder sweeps away those
// of processes that no longer run.
class TFuzzFolder {
public:
    explicit TFuzzFolder(const std::string& name) {
        const std::string parent = access("/dev/shm", W_OK) == 0
                                       ? std::string("/dev/shm")
                                       : std::filesystem::temp_directory_path().string();
        static bool swept = false;
        if (!swept) SweepLeftovers(parent, name + "-");
        swept = true;
        std::string pattern = parent + "/" + name + "-" + std::to_string(getpid()) + "-XXXXXX";
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
    static void SweepLeftovers(const std::string& parent, const std::string& prefix) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(parent, ec)) {
            const std::string leaf = entry.path().filename().string();
            if (leaf.rfind(prefix, 0) != 0) continue;
            const std::string rest = leaf.substr(prefix.size());
            const size_t dash = rest.find('-');
            // Only names this class made: digits of a process id, a dash, the random part.
            if (dash == 0 || dash > 9 || rest.find_first_not_of("0123456789") != dash) continue;
            const pid_t pid = static_cast<pid_t>(std::strtol(rest.c_str(), nullptr, 10));
            if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) {
                std::filesystem::remove_all(entry.path(), ec);
            }
        }
    }

    std::string path_;
};

}  // namespace faceloom::fuzz
