#pragma once

#include <cstdio>
#include <string>

#include "pictures/stream.h"

namespace faceloom {

// A file opened read-only. The constructor throws EFOpenError when the file cannot be
// opened (missing, a folder, no permission).
class TFileStream : public TStream {
public:
    explicit TFileStream(const std::string& fileName);
    ~TFileStream() override;

    size_t Read(void* buffer, size_t count) override;
    uint64_t GetPosition() const override { return position_; }
    void SetPosition(uint64_t position) override;
    uint64_t GetSize() const override { return size_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

}  // namespace faceloom
