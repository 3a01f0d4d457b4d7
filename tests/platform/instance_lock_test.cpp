#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace faceloom {
namespace {

// Sets or clears XDG_RUNTIME_DIR for the test's lifetime.
class ScopedRuntimeDir {
public:
    explicit ScopedRuntimeDir(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
        if (value) {
            ::setenv("XDG_RUNTIME_DIR", value->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    ~ScopedRuntimeDir() {
        if (old_) {
            ::setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }

private:
    std::optional<std::string> old_;
};

TEST(InstanceLock, NameIsTheStorageNameFollowedByTheLocksOwn) {
    EXPECT_EQ(InstanceLockName("Storage"), "StorageStorageMutex3");
    EXPECT_EQ(InstanceLockName("Coatwright"), "CoatwrightStorageMutex3");
}

TEST(InstanceLock, OneHolderPerNameAndNamesAreIndependent) {
    test::TempDir storage;
    ScopedRuntimeDir runtime(std::nullopt);
    TInstanceLock first(InstanceLockName("Storage"), storage.folder());
    TInstanceLock second(InstanceLockName("Storage"), storage.folder());
    TInstanceLock handOver(InstanceLockName("Coatwright"), storage.folder());
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.TryAcquire());  // held already
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(handOver.TryAcquire());  // a normal and a hand-over instance side by side
    EXPECT_TRUE(first.Held());

    first.Release();
    EXPECT_FALSE(first.Held());
    EXPECT_TRUE(second.TryAcquire());
    EXPECT_FALSE(first.TryAcquire());
}

// The lock file lies in the storage whatever the environment says, so two processes with
// different runtime folders (or none) still meet on one file.
TEST(InstanceLock, LockFileLiesInTheStorageWhateverTheRuntimeFolder) {
    test::TempDir storage;
    test::TempDir runtimeA;
    test::TempDir runtimeB;
    std::optional<TInstanceLock> first;
    {
        ScopedRuntimeDir runtime(runtimeA.path().string());
        first.emplace("TestStorageMutex3", storage.folder());
        EXPECT_EQ(first->Path(), storage.file("TestStorageMutex3"));
        ASSERT_TRUE(first->TryAcquire());
    }
    for (const std::optional<std::string>& other :
         {std::optional<std::string>(runtimeB.path().string()), std::optional<std::string>()}) {
        ScopedRuntimeDir runtime(other);
        EXPECT_FALSE(TInstanceLock("TestStorageMutex3", storage.folder()).TryAcquire());
    }
    EXPECT_FALSE(std::filesystem::exists(runtimeA.file("TestStorageMutex3")));
}

TEST(InstanceLock, RefusesWhatCannotBeALockFile) {
    test::TempDir storage;
    ScopedRuntimeDir runtime(std::nullopt);
    EXPECT_FALSE(TInstanceLock("../Storage", storage.folder()).TryAcquire());
    EXPECT_FALSE(TInstanceLock("", storage.folder()).TryAcquire());
    EXPECT_FALSE(TInstanceLock("Lock", storage.file("missing/")).TryAcquire());
    EXPECT_FALSE(TInstanceLock("Lock", "").TryAcquire());
}

// Another process holds the lock, then dies without letting go: the lock is free again.
TEST(InstanceLock, AnotherProcessKeepsItOutAndItsCrashFreesIt) {
    test::TempDir storage;
    ScopedRuntimeDir runtime(std::nullopt);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TInstanceLock lock("StorageStorageMutex3", storage.folder());
        const char result = lock.TryAcquire() ? '1' : '0';
        (void)!::write(ready[1], &result, 1);
        ::pause();  // killed by the parent while holding the lock
        ::_exit(0);
    }
    ::close(ready[1]);
    char result = 0;
    ASSERT_EQ(::read(ready[0], &result, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(result, '1');
    TInstanceLock lock("StorageStorageMutex3", storage.folder());
    EXPECT_FALSE(lock.TryAcquire());

    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(lock.TryAcquire());
}

}  // namespace
}  // namespace faceloom
