#pragma once

#include <cstddef>
#include <cstdint>

namespace faceloom {

// A readable, seekable byte source: what pictures are decoded from (a file, or the program's
// embedded resources).
class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Reads up to count bytes at the current position and advances past them; answers how
    // many were read (fewer only at the end of the stream).
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual uint64_t GetPosition() const = 0;
    // Moves to position (clamped to the size).
    virtual void SetPosition(uint64_t position) = 0;
    virtual uint64_t GetSize() const = 0;
};

}  // namespace faceloom
