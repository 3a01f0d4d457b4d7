// The lock of a user's folder: one per folder whatever its spelling, shared within a process,
// refused to another process while held and free again when its holder ends in any way.
#include "platform/folder_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace faceloom {
namespace {

namespace fs = std::filesystem;

// Whether another process could take the lock file now (a fresh open file, as another
// program's would be).
bool FreeForAnotherProcess(const std::string& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        _exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(FolderLock, EverySpellingOfAFolderMeetsOneLockFile) {
    test::TempDir work;
    const std::string locks = work.file("locks");
    fs::create_directories(work.file("pack/sub"));
    fs::create_directory_symlink(work.file("pack"), work.file("link"));
    const std::string file = FolderLockFile(work.file("pack"), locks);
    for (const std::string& spelling : {work.file("pack/"), work.file("pack//"), work.file("pack/sub/.."),
                                        work.file("link"), work.file("link/")}) {
        EXPECT_EQ(FolderLockFile(spelling, locks), file) << spelling;
    }
    // A folder still to be made keeps its spelling, and meets itself once made.
    const std::string later = FolderLockFile(work.file("pack/new"), locks);
    EXPECT_NE(later, file);
    fs::create_directory(work.file("pack/new"));
    EXPECT_EQ(FolderLockFile(work.file("pack/new/"), locks), later);
    EXPECT_NE(FolderLockFile(work.file("pack/sub"), locks), file);
}

TEST(FolderLock, SharedWithinTheProcessAndHeldUntilTheLastLetsGo) {
    test::TempDir work;
    const std::string locks = work.file("locks");
    fs::create_directories(work.file("pack"));
    const std::string file = FolderLockFile(work.file("pack"), locks);
    TFolderLock first;
    TFolderLock second;
    ASSERT_TRUE(first.Acquire(work.file("pack"), locks));
    ASSERT_TRUE(second.Acquire(work.file("pack/"), locks));
    EXPECT_FALSE(FreeForAnotherProcess(file));
    first.Release();
    EXPECT_FALSE(FreeForAnotherProcess(file));
    TFolderLock moved = std::move(second);
    EXPECT_FALSE(second.Held());
    EXPECT_FALSE(FreeForAnotherProcess(file));
    moved.Release();
    EXPECT_TRUE(FreeForAnotherProcess(file));
}

TEST(FolderLock, AnotherProcessIsRefusedAndToldWhoHoldsItUntilTheHolderEnds) {
    test::TempDir work;
    const std::string locks = work.file("locks");
    fs::create_directories(work.file("pack"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        TFolderLock lock;
        const char answer = lock.Acquire(work.file("pack"), locks) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        for (;;) ::pause();
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    TFolderLock lock;
    EXPECT_FALSE(lock.Acquire(work.file("pack"), locks));
    EXPECT_FALSE(lock.Held());
    EXPECT_EQ(lock.HolderPid(), holder);
    // Another folder is free all the same.
    fs::create_directories(work.file("other"));
    TFolderLock other;
    EXPECT_TRUE(other.Acquire(work.file("other"), locks));

    // Killed, not let go: the kernel frees it.
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(lock.Acquire(work.file("pack"), locks));
    EXPECT_EQ(lock.HolderPid(), 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(FolderLock, NoPlaceForTheLockIsNoLock) {
    test::TempDir work;
    test::WriteBytes(work.file("file"), "x");
    TFolderLock lock;
    EXPECT_FALSE(lock.Acquire(work.file("pack"), work.file("file/locks")));  // under a file
    EXPECT_FALSE(lock.Acquire(work.file("pack"), ""));
    EXPECT_FALSE(lock.Acquire("", work.file("locks")));
    EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace faceloom
