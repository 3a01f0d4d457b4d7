#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pictures/decoder_errors.h"

namespace faceloom {

// A read position over the bytes of a bitmap file. Every read checks the remaining length
// first and throws EInvalidGraphic naming what was being read, so nothing is ever read
// outside the file. Integers are little-endian.
class TBmpCursor {
public:
    TBmpCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Size() const { return size_; }
    size_t Position() const { return position_; }
    size_t Remaining() const { return size_ - position_; }
    const uint8_t* Data() const { return data_; }

    // Moves to offset; what: named in the error when offset lies past the end.
    void Seek(uint64_t offset, const char* what) {
        if (offset > size_) Truncated(what);
        position_ = static_cast<size_t>(offset);
    }
    void Skip(uint64_t count, const char* what) {
        if (count > Remaining()) Truncated(what);
        position_ += static_cast<size_t>(count);
    }
    uint8_t U8(const char* what) {
        Need(1, what);
        return data_[position_++];
    }
    uint16_t U16(const char* what) {
        Need(2, what);
        uint16_t value = static_cast<uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
        position_ += 2;
        return value;
    }
    uint32_t U32(const char* what) {
        Need(4, what);
        uint32_t value = static_cast<uint32_t>(data_[position_]) |
                         (static_cast<uint32_t>(data_[position_ + 1]) << 8) |
                         (static_cast<uint32_t>(data_[position_ + 2]) << 16) |
                         (static_cast<uint32_t>(data_[position_ + 3]) << 24);
        position_ += 4;
        return value;
    }
    int32_t S32(const char* what) { return static_cast<int32_t>(U32(what)); }
    // The next count bytes, which must all be there; the position moves past them.
    const uint8_t* Bytes(uint64_t count, const char* what) {
        Need(count, what);
        const uint8_t* bytes = data_ + position_;
        position_ += static_cast<size_t>(count);
        return bytes;
    }

private:
    void Need(uint64_t count, const char* what) const {
        if (count > Remaining()) Truncated(what);
    }
    [[noreturn]] static void Truncated(const char* what) {
        throw EInvalidGraphic(std::string("Bitmap file is truncated (") + what + ")");
    }

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace faceloom
