#include "platform/flush_batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Files copied into a batch: the bytes are there at once, never more than kMaxOpen of them stay
// open however many there are, and the flush closes the rest.
TEST(FlushBatch, KeepsFewFilesOpenAndFlushesEveryOne) {
    test::TempDir dir;
    test::WriteBytes(dir.file("source"), "GIF89a-bytes");
    const int before = OpenDescriptors();
    TFlushBatch batch;
    constexpr int kFiles = static_cast<int>(TFlushBatch::kMaxOpen) * 2 + 5;
    for (int i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(
            CopyFileNew(dir.file("source"), dir.file(std::to_string(i)), TDurability::Scratch, &batch));
    }
    EXPECT_GT(OpenDescriptors(), before);
    EXPECT_LE(OpenDescriptors() - before, static_cast<int>(TFlushBatch::kMaxOpen));
    WriteFileAtomic(dir.file("journal"), "commit", TDurability::Scratch, &batch);
    batch.AddFolder(dir.folder());
    EXPECT_TRUE(batch.Flush());
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(test::ReadBytes(dir.file(std::to_string(kFiles - 1))), "GIF89a-bytes");
    EXPECT_EQ(test::ReadBytes(dir.file("journal")), "commit");
}

// What cannot be flushed fails the flush, which then starts afresh.
TEST(FlushBatch, AFileOrFolderThatCannotBeFlushedFailsTheFlush) {
    test::TempDir dir;
    for (const bool missingFile : {true, false}) {
        SCOPED_TRACE(missingFile ? "missing file" : "missing folder");
        TFlushBatch batch;
        test::WriteBytes(dir.file("here"), "x");
        batch.AddFile(dir.file("here"));
        if (missingFile) {
            batch.AddFile(dir.file("gone"));
        } else {
            batch.AddFolder(dir.file("gone/"));
        }
        EXPECT_FALSE(batch.Flush());
        batch.AddFile(dir.file("here"));
        EXPECT_TRUE(batch.Flush());
    }
}

// A throwaway storage: nothing is kept open or waited for, and the files are written all the
// same.
TEST(FlushBatch, SkippedFlushesKeepNothingOpenAndStillWrite) {
    test::TempDir dir;
    test::WriteBytes(dir.file("source"), "bytes");
    const int before = OpenDescriptors();
    {
        TSkippedFlushes skipped;
        TFlushBatch batch;
        ASSERT_TRUE(CopyFileNew(dir.file("source"), dir.file("copy"), TDurability::Durable, &batch));
        EXPECT_EQ(OpenDescriptors(), before);
        batch.AddFolder(dir.file("no such folder/"));
        EXPECT_TRUE(batch.Flush());
        EXPECT_TRUE(SyncFolder(dir.file("no such folder/")));
    }
    EXPECT_FALSE(FlushesSkipped());
    EXPECT_FALSE(SyncFolder(dir.file("no such folder/")));
    EXPECT_EQ(test::ReadBytes(dir.file("copy")), "bytes");
}

}  // namespace
}  // namespace faceloom
