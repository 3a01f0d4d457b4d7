#include "cli/temp_storage.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/paths.h"

namespace faceloom::cli {

namespace {

// How long the watcher waits for the working thread to reach a checkpoint before it removes
// the folder anyway: one picture decodes in far less, but a hung file system must not keep
// an interrupted run alive.
constexpr auto kParkTimeout = std::chrono::seconds(10);

// SIGUSR1 wakes the watcher when the run ends normally.
constexpr int kStopSignal = SIGUSR1;

constexpr std::string_view kFolderPrefix = "faceloom-pack-";
constexpr const char* kOwnerLockName = "faceloom-pack.lock";

// The owner's process id of a folder named "faceloom-pack-<pid>-XXXXXX", 0 for any other name.
pid_t OwnerOf(std::string_view name) {
    if (name.substr(0, kFolderPrefix.size()) != kFolderPrefix) return 0;
    name.remove_prefix(kFolderPrefix.size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || name.size() - dash - 1 != 6) return 0;
    long pid = 0;
    for (const char c : name.substr(0, dash)) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    for (const char c : name.substr(dash + 1)) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return 0;
    }
    return static_cast<pid_t>(pid);
}

// The storages of earlier runs that were killed: folders of our name pattern and of this user
// whose process is gone (a live one, or one this user may not ask about, keeps its folder) and
// whose lock nobody holds (a process of another pid namespace sharing the temp folder).
void RemoveStaleStorages(const std::string& base) {
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = OwnerOf(entry->d_name);
        if (owner <= 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
        stale.push_back(entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : stale) {
        const std::string folder = base + "/" + name;
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
        const int lock = ::open((folder + "/" + kOwnerLockName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
            ::close(lock);
            continue;
        }
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        if (lock >= 0) ::close(lock);
    }
}

void WriteStderr(const char* text) {
    const size_t length = std::strlen(text);
    ssize_t written = ::write(STDERR_FILENO, text, length);
    (void)written;
}

}  // namespace

TTempStorage::TTempStorage() {
    sigemptyset(&handled_);
    sigaddset(&handled_, SIGINT);
    sigaddset(&handled_, SIGTERM);
    sigaddset(&handled_, SIGHUP);
    sigaddset(&handled_, kStopSignal);
    // Blocked before the folder exists, so that a signal can no longer end the process
    // between its creation and its removal.
    pthread_sigmask(SIG_BLOCK, &handled_, &previousMask_);

    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    RemoveStaleStorages(base.string());
    std::string pattern =
        (base / (std::string(kFolderPrefix) + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        throw std::runtime_error("cannot create a temporary storage folder in " + base.string() + ": " +
                                 std::strerror(error));
    }
    root_ = pattern + "/";
    ownerLock_ =
        ::open((root_ + kOwnerLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (ownerLock_ >= 0) ::flock(ownerLock_, LOCK_EX | LOCK_NB);
    noFlushes_.emplace();
    RedirectAppDataFolder(pattern);
    watcher_ = std::thread([this] { Watch(); });
}

TTempStorage::~TTempStorage() {
    stopping_.store(true);
    pthread_kill(watcher_.native_handle(), kStopSignal);
    watcher_.join();
    RemoveFolder();
    if (ownerLock_ >= 0) ::close(ownerLock_);
    // A signal that came while the folder was being removed is delivered now, with its
    // default action.
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void TTempStorage::BeginWork() {
    workLock_.lock();
}

void TTempStorage::EndWork() {
    workLock_.unlock();
}

void TTempStorage::BeginSave() {
    // Interrupted before the save began: the folder keeps its old pack.
    Checkpoint();
    saving_.store(true);
    noFlushes_.reset();
}

void TTempStorage::EndSave() {
    noFlushes_.emplace();
    saving_.store(false);
}

void TTempStorage::Checkpoint() {
    if (!interrupted_.load()) return;
    workLock_.unlock();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

void TTempStorage::RemoveFolder() noexcept {
    if (root_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void TTempStorage::Watch() {
    for (;;) {
        int signal = 0;
        if (sigwait(&handled_, &signal) != 0) continue;
        if (stopping_.load()) return;
        if (signal == kStopSignal) continue;  // not ours: the run goes on

        interrupted_.store(true);
        // The folder goes in any case once the work is parked, or has not reached a checkpoint
        // in time outside a save.
        while (!workLock_.try_lock_for(kParkTimeout) && saving_.load()) {
        }
        RemoveFolder();
        WriteStderr("faceloom-pack: interrupted\n");

        // End the process by the signal itself, so that a calling shell sees the interruption.
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, signal);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        raise(signal);
        _exit(128 + signal);
    }
}

}  // namespace faceloom::cli
