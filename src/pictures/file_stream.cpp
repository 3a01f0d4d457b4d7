#include "pictures/file_stream.h"

#include <filesystem>
#include <system_error>

#include "platform/errors.h"

namespace faceloom {

TFileStream::TFileStream(const std::string& fileName) {
    std::error_code error;
    // A folder opens on some systems but cannot be read; refuse it like a missing file.
    if (!std::filesystem::is_regular_file(fileName, error)) {
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    }
    file_ = std::fopen(fileName.c_str(), "rb");
    if (file_ == nullptr) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        long end = std::ftell(file_);
        size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
    std::fseek(file_, 0, SEEK_SET);
}

TFileStream::~TFileStream() {
    if (file_) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    if (count == 0) return 0;
    size_t read = std::fread(buffer, 1, count, file_);
    position_ += read;
    return read;
}

void TFileStream::SetPosition(uint64_t position) {
    if (position > size_) position = size_;
    if (std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0) position_ = position;
}

}  // namespace faceloom
