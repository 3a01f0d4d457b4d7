#pragma once

#include <string>
#include <vector>

namespace faceloom {

// The files and folders one commit point depends on, made durable together just before it.
// Each file's write-back starts as it is handed over; Flush then waits for them in one pass.
// A commit so waits for its own files only, never for every other program's unwritten data
// as a flush of the whole file system would.
class TFlushBatch {
public:
    TFlushBatch() = default;
    ~TFlushBatch();
    TFlushBatch(TFlushBatch&& other) noexcept;
    TFlushBatch& operator=(TFlushBatch&& other) noexcept;
    TFlushBatch(const TFlushBatch&) = delete;
    TFlushBatch& operator=(const TFlushBatch&) = delete;

    // Takes over a file descriptor just written (the batch closes it) and starts its
    // write-back. Only so many stay open: when that many are, they are flushed together
    // before the next is taken.
    void Adopt(int fd);
    // A file written by other means: opened again at once and adopted. A file that cannot be
    // opened makes the flush fail.
    void AddFile(const std::string& path);
    // A folder whose entries (creations, renames, deletions) the commit depends on.
    void AddFolder(const std::string& folder);

    // Flushes every file and then every folder; true when all reached the disk. Empties the
    // batch either way.
    bool Flush();

    // How many handed-over files stay open at most.
    static constexpr size_t kMaxOpen = 256;

private:
    bool FlushFiles();
    void CloseAll() noexcept;

    std::vector<int> files_;
    std::vector<std::string> folders_;
    bool failed_ = false;
};

// A throwaway storage (one the process deletes at its end) needs nothing on the disk. While
// at least one TSkippedFlushes lives, flushes of files and folders of this process are
// skipped: the writes, renames and their order stay, only the waits for the disk go.
class TSkippedFlushes {
public:
    TSkippedFlushes();
    ~TSkippedFlushes();
    TSkippedFlushes(const TSkippedFlushes&) = delete;
    TSkippedFlushes& operator=(const TSkippedFlushes&) = delete;
};
bool FlushesSkipped();

}  // namespace faceloom
