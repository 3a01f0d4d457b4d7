#pragma once

#include <filesystem>
#include <string>

namespace faceloom::test {

// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the host layer spells folders: with a trailing separator.
    std::string folder() const { return path_.string() + "/"; }
    // Full path of a name inside the folder.
    std::string file(const std::string& name) const { return folder() + name; }

private:
    std::filesystem::path path_;
};

// Points XDG_DATA_HOME at a private temp folder for the lifetime of the object, so that
// storage code never touches the real per-user data folder.
class ScopedDataHome {
public:
    ScopedDataHome();
    ~ScopedDataHome();
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    bool hadOld_ = false;
    std::string old_;
};

// Whole-file helpers for assertions on exact bytes.
std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace faceloom::test
