#include "platform/flush_batch.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <utility>

namespace faceloom {

namespace {

std::atomic<int> skippedFlushes{0};

bool FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

TSkippedFlushes::TSkippedFlushes() {
    skippedFlushes.fetch_add(1);
}

TSkippedFlushes::~TSkippedFlushes() {
    skippedFlushes.fetch_sub(1);
}

bool FlushesSkipped() {
    return skippedFlushes.load() > 0;
}

TFlushBatch::~TFlushBatch() {
    CloseAll();
}

TFlushBatch::TFlushBatch(TFlushBatch&& other) noexcept
    : files_(std::exchange(other.files_, {})),
      folders_(std::exchange(other.folders_, {})),
      failed_(std::exchange(other.failed_, false)) {}

TFlushBatch& TFlushBatch::operator=(TFlushBatch&& other) noexcept {
    if (this != &other) {
        CloseAll();
        files_ = std::exchange(other.files_, {});
        folders_ = std::exchange(other.folders_, {});
        failed_ = std::exchange(other.failed_, false);
    }
    return *this;
}

void TFlushBatch::Adopt(int fd) {
    if (fd < 0) {
        failed_ = true;
        return;
    }
    if (FlushesSkipped()) {
        ::close(fd);
        return;
    }
#ifdef __linux__
    // Start the write-back now, so that by the flush the data is mostly on its way.
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    // A full batch is flushed as a whole, not file by file: each flush commits the file
    // system's journal once for every file whose write-back has begun, so a thousand files
    // cost a few commits instead of a thousand.
    if (files_.size() >= kMaxOpen) failed_ = !FlushFiles() || failed_;
    files_.push_back(fd);
}

void TFlushBatch::AddFile(const std::string& path) {
    if (FlushesSkipped()) return;
    Adopt(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

void TFlushBatch::AddFolder(const std::string& folder) {
    if (FlushesSkipped()) return;
    folders_.push_back(folder);
}

bool TFlushBatch::FlushFiles() {
    bool ok = true;
    // fdatasync covers the size and the blocks, which is what reading the file back needs. The
    // first one commits the journal for every file whose write-back has begun; the rest mostly
    // find their part done.
    for (const int fd : files_) {
        ok = ::fdatasync(fd) == 0 && ok;
        ok = ::close(fd) == 0 && ok;
    }
    files_.clear();
    return ok;
}

bool TFlushBatch::Flush() {
    bool ok = FlushFiles() && !failed_;
    // Folders last: by then every file they name is on the disk.
    for (const std::string& folder : folders_) ok = FlushFolder(folder) && ok;
    folders_.clear();
    failed_ = false;
    return ok;
}

void TFlushBatch::CloseAll() noexcept {
    for (const int fd : files_) ::close(fd);
    files_.clear();
    folders_.clear();
}

}  // namespace faceloom
