#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace faceloom {

// Bytes that copies share until one of them is written (copy on write): the frames of one
// picture carry equal headers and colour tables, and sharing them keeps one copy per
// picture instead of one per frame. Reads look like a std::vector's. Any number of threads
// may read; only the owner of an object writes to it (the frame's producer), and a write
// first takes a copy of its own when the bytes are shared.
class TSharedBytes {
public:
    TSharedBytes() = default;

    size_t size() const { return bytes_ ? size_ : 0; }
    bool empty() const { return size() == 0; }
    const uint8_t* data() const { return bytes_.get(); }
    const uint8_t* begin() const { return data(); }
    const uint8_t* end() const { return data() + size(); }
    // Byte i, which must be below size().
    uint8_t operator[](size_t i) const { return bytes_[i]; }
    operator std::span<const uint8_t>() const { return {data(), size()}; }

    // A new buffer of count bytes of value, shared with nobody.
    void assign(size_t count, uint8_t value);
    void clear() { bytes_.reset(); }
    // The bytes for writing (null when empty), copied first when another object shares them.
    uint8_t* MutableData();

    // Takes other's buffer when it holds the same bytes, so only one copy is kept.
    void ShareIfEqual(const TSharedBytes& other);
    bool SharesWith(const TSharedBytes& other) const { return bytes_ && bytes_ == other.bytes_; }

    // Equal contents, shared or not.
    friend bool operator==(const TSharedBytes& a, const TSharedBytes& b);

private:
    std::shared_ptr<uint8_t[]> bytes_;
    size_t size_ = 0;
};

}  // namespace faceloom
