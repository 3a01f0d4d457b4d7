#pragma once

#include <string>

namespace faceloom {

// A private file where a file's new content is put together before it replaces the file in
// one write. It lies in a fresh folder of its own (mode 0700), in memory where the host has
// such a folder ($XDG_RUNTIME_DIR, else /dev/shm), so its writes and flushes never reach a
// disk; else in a fresh folder under fallbackFolder. The folder goes with the object.
class TScratchFile {
public:
    // name: the file's bare name inside the fresh folder.
    TScratchFile(const std::string& fallbackFolder, const std::string& name);
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;
    ~TScratchFile();

    // Empty when no folder could be made.
    const std::string& Path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

}  // namespace faceloom
