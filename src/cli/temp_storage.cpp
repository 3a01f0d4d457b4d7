#include "cli/temp_storage.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace faceloom::cli {

namespace {

// How long the watcher waits for the working thread to reach a checkpoint before it removes
// the folder anyway: one picture decodes in far less, but a hung file system must not keep
// an interrupted run alive.
constexpr auto kParkTimeout = std::chrono::seconds(10);

// SIGUSR1 wakes the watcher when the run ends normally.
constexpr int kStopSignal = SIGUSR1;

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
    std::string pattern = (base / "faceloom-pack-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        throw std::runtime_error("cannot create a temporary storage folder in " + base.string() + ": " +
                                 std::strerror(error));
    }
    root_ = pattern + "/";
    setenv("XDG_DATA_HOME", pattern.c_str(), 1);
    watcher_ = std::thread([this] { Watch(); });
}

TTempStorage::~TTempStorage() {
    stopping_.store(true);
    pthread_kill(watcher_.native_handle(), kStopSignal);
    watcher_.join();
    RemoveFolder();
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
        const bool parked = workLock_.try_lock_for(kParkTimeout);
        (void)parked;  // the folder goes in any case
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
