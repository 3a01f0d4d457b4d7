#include "platform/instance_lock.h"

#include <cstdlib>
#include <utility>

#include "platform/files.h"
#include "platform/paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace faceloom {

std::string InstanceLockName(const std::string& storageName) {
    return storageName + "StorageMutex3";
}

std::string RuntimeFolder(const std::string& fallbackFolder) {
#ifndef _WIN32
    // The runtime folder is private to the user and lives in memory, so scratch files neither
    // reach the disk nor outlive the session.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && DirectoryExists(runtime)) {
        return IncludeTrailingSeparator(runtime);
    }
#endif
    return fallbackFolder;
}

namespace {

bool UsableName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\") == std::string::npos && name != "." && name != "..";
}

}  // namespace

#ifdef _WIN32

TInstanceLock::TInstanceLock(std::string name, const std::string&) : name_(std::move(name)) {}

TInstanceLock::~TInstanceLock() {
    Release();
}

bool TInstanceLock::TryAcquire() {
    if (handle_ != nullptr) return true;
    if (!UsableName(name_)) return false;
    // Created without initial ownership, so that the wait below is the only ownership and
    // one ReleaseMutex gives the lock back.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name_.c_str());
    if (mutex == nullptr) return false;
    const DWORD result = ::WaitForSingleObject(mutex, 0);
    // An abandoned mutex belonged to an instance that crashed; it is ours now, and refusing
    // it would keep the storage locked until the next log-on.
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
        handle_ = mutex;
        return true;
    }
    ::CloseHandle(mutex);
    return false;
}

void TInstanceLock::Release() {
    if (handle_ == nullptr) return;
    ::ReleaseMutex(static_cast<HANDLE>(handle_));
    ::CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool TInstanceLock::Held() const {
    return handle_ != nullptr;
}

#else

TInstanceLock::TInstanceLock(std::string name, const std::string& folder) : name_(std::move(name)) {
    if (UsableName(name_) && !folder.empty()) path_ = IncludeTrailingSeparator(folder) + name_;
}

TInstanceLock::~TInstanceLock() {
    Release();
}

bool TInstanceLock::TryAcquire() {
    if (fd_ >= 0) return true;
    if (path_.empty()) return false;
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    // flock belongs to this open file: another open of the same file, in this process or
    // another, is refused until this descriptor is closed, by Release or by the process's end.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void TInstanceLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

bool TInstanceLock::Held() const {
    return fd_ >= 0;
}

#endif

}  // namespace faceloom
