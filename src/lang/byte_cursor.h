#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace faceloom {

// A read position over untrusted bytes. Every read checks offset and length against the
// bytes first and fails (returning false, leaving the position unchanged) instead of reading
// outside them; offsets are 64-bit so that file-supplied 32-bit sums cannot wrap.
// Integers are little-endian, as in every format this program reads.
class TByteCursor {
public:
    TByteCursor() = default;
    explicit TByteCursor(std::string_view bytes) : bytes_(bytes) {}

    size_t Size() const { return bytes_.size(); }
    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }

    // True when [offset, offset + length) lies inside the bytes.
    bool Contains(uint64_t offset, uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    bool Seek(uint64_t offset) {
        if (offset > bytes_.size()) {
            return false;
        }
        position_ = static_cast<size_t>(offset);
        return true;
    }
    bool Skip(uint64_t count) {
        if (count > Remaining()) {
            return false;
        }
        position_ += static_cast<size_t>(count);
        return true;
    }

    bool ReadU8(uint8_t& value) { return ReadLittleEndian(value); }
    bool ReadU16(uint16_t& value) { return ReadLittleEndian(value); }
    bool ReadU32(uint32_t& value) { return ReadLittleEndian(value); }
    bool ReadU64(uint64_t& value) { return ReadLittleEndian(value); }

    bool ReadBytes(uint64_t count, std::string_view& value) {
        if (count > Remaining()) {
            return false;
        }
        value = bytes_.substr(position_, static_cast<size_t>(count));
        position_ += static_cast<size_t>(count);
        return true;
    }

    // A cursor over [offset, offset + length) of these bytes, positioned at its start;
    // nullopt when the range is not inside them.
    std::optional<TByteCursor> SubRange(uint64_t offset, uint64_t length) const {
        if (!Contains(offset, length)) {
            return std::nullopt;
        }
        return TByteCursor(bytes_.substr(static_cast<size_t>(offset), static_cast<size_t>(length)));
    }

private:
    template <typename T>
    bool ReadLittleEndian(T& value) {
        if (sizeof(T) > Remaining()) {
            return false;
        }
        T result = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            result |= static_cast<T>(static_cast<T>(static_cast<uint8_t>(bytes_[position_ + i])) << (8 * i));
        }
        value = result;
        position_ += sizeof(T);
        return true;
    }

    std::string_view bytes_;
    size_t position_ = 0;
};

}  // namespace faceloom
