#include "pictures/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace faceloom {

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

TMemoryStream::TMemoryStream(std::vector<uint8_t> bytes)
    : owned_(std::move(bytes)), data_(owned_.data()), size_(owned_.size()) {}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    size_t n = std::min(count, size_ - position_);
    if (n > 0) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

void TMemoryStream::SetPosition(uint64_t position) {
    position_ = static_cast<size_t>(std::min<uint64_t>(position, size_));
}

}  // namespace faceloom
