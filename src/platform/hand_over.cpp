#include "platform/hand_over.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min below, not the macro
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace faceloom {

THandOverNames HandOverNames(const std::string& suffix) {
    return {"FaceloomFile" + suffix, "FaceloomEvent" + suffix};
}

namespace {

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The text of a field: up to its NUL, at most length bytes.
std::string FieldText(const uint8_t* field, uint32_t length) {
    const auto* begin = reinterpret_cast<const char*>(field);
    const void* nul = std::memchr(begin, '\0', length);
    const size_t used = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : length;
    return std::string(begin, used);
}

// Bytes the block claims to hold, from its header; 64-bit, so lengths near 2^32 cannot wrap.
uint64_t ClaimedSize(const uint8_t* header) {
    return static_cast<uint64_t>(ReadLe32(header + 4)) + ReadLe32(header + 8) + kHandOverHeaderSize + 2;
}

}  // namespace

std::optional<THandOverFolders> ParseHandOverBlock(const uint8_t* data, size_t size, uint32_t processId) {
    if (data == nullptr || size < kHandOverHeaderSize) return std::nullopt;
    if (ReadLe32(data) != processId) return std::nullopt;  // meant for another instance
    const uint64_t claimed = ClaimedSize(data);
    if (claimed > size || claimed > kMaxHandOverBlockSize) return std::nullopt;
    const uint32_t baseLength = ReadLe32(data + 4);
    const uint32_t packLength = ReadLe32(data + 8);
    THandOverFolders folders;
    folders.BaseFolder = FieldText(data + kHandOverHeaderSize, baseLength);
    folders.PackFolder = FieldText(data + kHandOverHeaderSize + baseLength + 1, packLength);
    // Without a base folder there is no pack to open; an empty path would name the current
    // folder.
    if (folders.BaseFolder.empty()) return std::nullopt;
    return folders;
}

#ifdef _WIN32

uint32_t CurrentProcessId() {
    return ::GetCurrentProcessId();
}

std::optional<THandOverFolders> ReadHandOverBlock(const THandOverNames& names) {
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, names.Block.c_str());
    if (mapping == nullptr) return std::nullopt;
    std::optional<THandOverFolders> folders;
    // The whole section is mapped; the view's region size bounds every read.
    if (const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
        MEMORY_BASIC_INFORMATION info{};
        if (::VirtualQuery(view, &info, sizeof info) == sizeof info) {
            const auto* bytes = static_cast<const uint8_t*>(view);
            if (info.RegionSize >= kHandOverHeaderSize) {
                const uint64_t claimed = ClaimedSize(bytes);
                const size_t copy = static_cast<size_t>(
                    std::min<uint64_t>({claimed, info.RegionSize, kMaxHandOverBlockSize + 1}));
                // A copy, so the sender cannot change the lengths between check and use.
                const std::vector<uint8_t> block(bytes, bytes + copy);
                folders = ParseHandOverBlock(block.data(), block.size(), CurrentProcessId());
            }
        }
        ::UnmapViewOfFile(view);
    }
    ::CloseHandle(mapping);
    if (!folders) return std::nullopt;
    if (HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, names.Event.c_str())) {
        ::SetEvent(event);
        ::CloseHandle(event);
    }
    return folders;
}

#else

uint32_t CurrentProcessId() {
    return static_cast<uint32_t>(::getpid());
}

namespace {

// pread until count bytes or the end; answers what was read.
size_t ReadAt(int fd, uint8_t* target, size_t count, off_t offset) {
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, target + done, count - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

// The block's bytes, as far as its header claims and its real size allows. Read with pread
// rather than mapped: a sender that shrinks the object meanwhile causes a short read here, not
// a fault.
std::vector<uint8_t> ReadBlock(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(kHandOverHeaderSize)) return {};
    const auto realSize = static_cast<uint64_t>(st.st_size);
    uint8_t header[kHandOverHeaderSize];
    if (ReadAt(fd, header, sizeof header, 0) != sizeof header) return {};
    const uint64_t claimed = ClaimedSize(header);
    if (claimed > realSize || claimed > kMaxHandOverBlockSize) return {};
    std::vector<uint8_t> block(static_cast<size_t>(claimed));
    block.resize(ReadAt(fd, block.data(), block.size(), 0));
    return block;
}

}  // namespace

std::optional<THandOverFolders> ReadHandOverBlock(const THandOverNames& names) {
    const std::string blockName = "/" + names.Block;
    const int fd = ::shm_open(blockName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    const std::vector<uint8_t> block = ReadBlock(fd);
    ::close(fd);
    // The copy is parsed on its own terms: its header, its size.
    std::optional<THandOverFolders> folders =
        ParseHandOverBlock(block.data(), block.size(), CurrentProcessId());
    if (!folders) return std::nullopt;
    const std::string eventName = "/" + names.Event;
    sem_t* event = ::sem_open(eventName.c_str(), 0);
    if (event != SEM_FAILED) {
        ::sem_post(event);
        ::sem_close(event);
    }
    return folders;
}

#endif

}  // namespace faceloom
