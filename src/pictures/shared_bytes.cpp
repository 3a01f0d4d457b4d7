#include "pictures/shared_bytes.h"

#include <cstring>

namespace faceloom {

void TSharedBytes::assign(size_t count, uint8_t value) {
    if (count == 0) {
        clear();
        return;
    }
    bytes_ = std::make_shared_for_overwrite<uint8_t[]>(count);
    size_ = count;
    std::memset(bytes_.get(), value, count);
}

uint8_t* TSharedBytes::MutableData() {
    if (!bytes_) return nullptr;
    // Only this object's owner writes, so a count of 1 cannot rise meanwhile.
    if (bytes_.use_count() > 1) {
        std::shared_ptr<uint8_t[]> copy = std::make_shared_for_overwrite<uint8_t[]>(size_);
        std::memcpy(copy.get(), bytes_.get(), size_);
        bytes_ = std::move(copy);
    }
    return bytes_.get();
}

void TSharedBytes::ShareIfEqual(const TSharedBytes& other) {
    if (!bytes_ || !other.bytes_ || bytes_ == other.bytes_ || size_ != other.size_) return;
    if (std::memcmp(bytes_.get(), other.bytes_.get(), size_) == 0) bytes_ = other.bytes_;
}

bool operator==(const TSharedBytes& a, const TSharedBytes& b) {
    return a.size() == b.size() && (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace faceloom
