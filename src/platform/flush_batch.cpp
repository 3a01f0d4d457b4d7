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
    : files_(std::move(other.files_)),
      first_(std::exchange(other.first_, 0)),
      folders_(std::move(other.folders_)),
      failed_(std::exchange(other.failed_, false)) {
    other.files_.clear();
    other.folders_.clear();
}

TFlushBatch& TFlushBatch::operator=(TFlushBatch&& other) noexcept {
    if (this != &other) {
        CloseAll();
        files_ = std::move(other.files_);
        first_ = std::exchange(other.first_, 0);
        folders_ = std::move(other.folders_);
        failed_ = std::exchange(other.failed_, false);
        other.files_.clear();
        other.folders_.clear();
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
    files_.push_back(fd);
    // Keeps the number of open descriptors bounded in a batch of thousands of files; the
    // oldest were started first and are the likeliest to be written already.
    while (files_.size() - first_ > kMaxOpen) failed_ = !FlushOldest() || failed_;
}

void TFlushBatch::AddFile(const std::string& path) {
    if (FlushesSkipped()) return;
    Adopt(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

void TFlushBatch::AddFolder(const std::string& folder) {
    if (FlushesSkipped()) return;
    folders_.push_back(folder);
}

bool TFlushBatch::FlushOldest() {
    const int fd = files_[first_++];
    // fdatasync covers the size and the blocks, which is what reading the file back needs.
    const bool ok = ::fdatasync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

bool TFlushBatch::Flush() {
    bool ok = !failed_;
    while (first_ < files_.size()) ok = FlushOldest() && ok;
    // Folders last: by then every file they name is on the disk.
    for (const std::string& folder : folders_) ok = FlushFolder(folder) && ok;
    files_.clear();
    first_ = 0;
    folders_.clear();
    failed_ = false;
    return ok;
}

void TFlushBatch::CloseAll() noexcept {
    for (size_t i = first_; i < files_.size(); ++i) ::close(files_[i]);
    files_.clear();
    first_ = 0;
    folders_.clear();
}

}  // namespace faceloom
