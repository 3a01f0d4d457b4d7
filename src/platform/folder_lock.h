#pragma once

#include <string>

namespace faceloom {

// A lock on one of the user's folders, so that two programs never write a pack folder at once:
// the editor holds it for each folder it has open and while it saves into one, faceloom-pack
// while it writes a folder or finishes a save that a killed run left there.
//
// It is an exclusive flock on a file in lockFolder named after the folder's canonical path
// (links resolved), so that every spelling of one folder meets one file. The file is not put
// in the user's folder, which may be read-only, shared or zipped up as it is. The kernel drops
// the lock when its holder ends in any way, so a killed holder never keeps the next one out;
// the file stays (removing it would let two holders lock two different files). Within one
// process the lock is shared: every TFolderLock of one folder holds it together, and it goes
// when the last lets go.
class TFolderLock {
public:
    TFolderLock() = default;
    ~TFolderLock();
    TFolderLock(TFolderLock&& other) noexcept;
    TFolderLock& operator=(TFolderLock&& other) noexcept;
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // Takes the lock of folder (letting go of any other this object held). False when another
    // process holds it (HolderPid then names it when it can) or the lock file cannot be made.
    bool Acquire(const std::string& folder, const std::string& lockFolder);
    void Release();
    bool Held() const { return !key_.empty(); }
    // After a refused Acquire: the process that holds the lock, 0 when unknown.
    long HolderPid() const { return holder_; }

private:
    std::string key_;  // the lock file, when held
    long holder_ = 0;
};

// The lock file of folder in lockFolder ("<16 hex digits>.lock").
std::string FolderLockFile(const std::string& folder, const std::string& lockFolder);

}  // namespace faceloom
