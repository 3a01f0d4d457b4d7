#pragma once

#include <cstdint>
#include <vector>

#include "pictures/stream.h"

namespace faceloom {

// A stream over bytes in memory: either a view of bytes somebody else keeps alive (embedded
// resources) or its own copy.
class TMemoryStream : public TStream {
public:
    // A view; the bytes must outlive the stream.
    TMemoryStream(const void* data, size_t size);
    // Owns the bytes.
    explicit TMemoryStream(std::vector<uint8_t> bytes);

    size_t Read(void* buffer, size_t count) override;
    uint64_t GetPosition() const override { return position_; }
    void SetPosition(uint64_t position) override;
    uint64_t GetSize() const override { return size_; }

private:
    std::vector<uint8_t> owned_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
};

}  // namespace faceloom
