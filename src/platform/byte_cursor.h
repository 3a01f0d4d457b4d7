#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace faceloom {

// A read position over untrusted bytes in memory: the one cursor of every reader of outside
// files (GIF and BMP pictures, language modules). Every read checks what is left before it
// touches a byte; when too little is left it fails without reading or moving (reads answer
// false, Take answers null), and the reader turns that into its format's error. Offsets and
// counts are 64-bit so that sums of file-supplied 32-bit fields cannot wrap. Integers are
// little-endian, as in every format this program reads.
class TByteCursor {
public:
    TByteCursor() = default;
    // The bytes must outlive the cursor.
    TByteCursor(const uint8_t* data, size_t size)
        : data_(data != nullptr && size > 0 ? data : kNothing), size_(data != nullptr ? size : 0) {}
    explicit TByteCursor(std::string_view bytes)
        : TByteCursor(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

    size_t Size() const { return size_; }
    size_t Position() const { return position_; }
    size_t Remaining() const { return size_ - position_; }
    const uint8_t* Data() const { return data_; }

    // True when [offset, offset + length) lies inside the bytes.
    bool Contains(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    bool Seek(uint64_t offset) {
        if (offset > size_) return false;
        position_ = static_cast<size_t>(offset);
        return true;
    }
    bool Skip(uint64_t count) {
        if (count > Remaining()) return false;
        position_ += static_cast<size_t>(count);
        return true;
    }

    bool ReadU8(uint8_t& value) {
        if (position_ >= size_) return false;
        value = data_[position_++];
        return true;
    }
    bool ReadU16(uint16_t& value) { return ReadLittleEndian(value); }
    bool ReadU32(uint32_t& value) { return ReadLittleEndian(value); }
    bool ReadU64(uint64_t& value) { return ReadLittleEndian(value); }

    // The next count bytes, valid as long as the bytes are; null when fewer are left (never
    // for count 0, also over no bytes).
    const uint8_t* Take(uint64_t count) {
        if (count > Remaining()) return nullptr;
        const uint8_t* bytes = data_ + position_;
        position_ += static_cast<size_t>(count);
        return bytes;
    }
    bool ReadBytes(uint64_t count, std::string_view& value) {
        const uint8_t* bytes = Take(count);
        if (bytes == nullptr) return false;
        value = std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
        return true;
    }

    // A cursor over [offset, offset + length) of these bytes, positioned at its start;
    // nullopt when the range is not inside them.
    std::optional<TByteCursor> SubRange(uint64_t offset, uint64_t length) const {
        if (!Contains(offset, length)) return std::nullopt;
        return TByteCursor(data_ + offset, static_cast<size_t>(length));
    }

private:
    template <typename T>
    bool ReadLittleEndian(T& value) {
        if (sizeof(T) > Remaining()) return false;
        T result = 0;
        for (size_t i = 0; i < sizeof(T); ++i) result |= static_cast<T>(T{data_[position_ + i]} << (8 * i));
        value = result;
        position_ += sizeof(T);
        return true;
    }

    static constexpr uint8_t kNothing[1] = {0};

    const uint8_t* data_ = kNothing;
    size_t size_ = 0;
    size_t position_ = 0;
};

}  // namespace faceloom
