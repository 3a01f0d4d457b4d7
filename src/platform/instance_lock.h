#pragma once

#include <string>

namespace faceloom {

// The name of the lock that allows one running instance per storage: the storage name
// followed by "StorageMutex3" ("StorageStorageMutex3", "CoatwrightStorageMutex3").
std::string InstanceLockName(const std::string& storageName);

// $XDG_RUNTIME_DIR, with a trailing separator, when it names a folder by an absolute path;
// otherwise fallbackFolder as given.
std::string RuntimeFolder(const std::string& fallbackFolder);

// A lock that one process at a time holds per name and folder, taken without waiting. On POSIX
// it is an exclusive flock on a file of that name in the folder, which is the storage itself:
// every process that opens that storage meets the same file, whatever its environment (another
// login, sudo, a service manager with no runtime folder). The kernel drops the lock when the
// holder ends in any way, so a crashed instance never keeps the next one out. The file itself
// stays (removing it would let two holders lock two different files). On Windows it is a named
// mutex; one abandoned by a crashed holder is taken over.
class TInstanceLock {
public:
    // folder: the storage the lock guards, where its lock file lies.
    TInstanceLock(std::string name, const std::string& folder);
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;
    ~TInstanceLock();

    // True when this object holds the lock afterwards: false when another holder has it or
    // it cannot be made (a name holding a separator, a missing folder). Taking it again while
    // held changes nothing.
    bool TryAcquire();
    // Lets go of the lock; nothing when it is not held.
    void Release();
    bool Held() const;

    const std::string& Name() const { return name_; }
    // The lock file; empty on Windows.
    const std::string& Path() const { return path_; }

private:
    std::string name_;
    std::string path_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace faceloom
