#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace faceloom {

// The folders a sibling program (Coatwright) hands over when it starts the editor on a pack
// of its own. Texts are bytes as the sender wrote them.
struct THandOverFolders {
    std::string BaseFolder;
    std::string PackFolder;  // may be empty
};

// Names of the hand-over's cross-process objects: the block "FaceloomFile" and the event
// "FaceloomEvent" (on POSIX the shared-memory object "/FaceloomFile" and the named semaphore
// "/FaceloomEvent"). The program uses the plain names; tests add a suffix so that test runs
// side by side never meet each other or a real hand-over.
struct THandOverNames {
    std::string Block;
    std::string Event;
};
THandOverNames HandOverNames(const std::string& suffix = {});

// The block, as the sender writes it; integers 32-bit little-endian:
//   0   process id of the instance the block is meant for
//   4   L1, length of the base folder text without its NUL
//   8   L2, length of the pack folder text without its NUL
//   12  base folder text and a NUL (L1 + 1 bytes)
//   13 + L1  pack folder text and a NUL (L2 + 1 bytes)
// L1 + L2 + 14 bytes in all.
inline constexpr size_t kHandOverHeaderSize = 12;
// Two folder paths never come near this; a larger block is refused unread.
inline constexpr size_t kMaxHandOverBlockSize = 64 * 1024;

// The folders of a block of size bytes, when it is meant for processId and holds what its
// lengths promise; nullopt otherwise, which counts as no hand-over: the block is shorter
// than its header, L1 + L2 + 14 exceeds size (also where a 32-bit sum would wrap) or
// kMaxHandOverBlockSize, or the base folder text is empty. Each text ends at its NUL or
// after its length, whichever comes first, so bytes beyond its field are never read.
std::optional<THandOverFolders> ParseHandOverBlock(const uint8_t* data, size_t size, uint32_t processId);

// The hand-over for this process: opens the block, reads it within its real size, and when
// ParseHandOverBlock accepts it posts the event once (if the event exists; the folders count
// all the same). nullopt, with nothing posted, when there is no block or it is not a usable
// one for this process: then the program starts normally.
std::optional<THandOverFolders> ReadHandOverBlock(const THandOverNames& names = HandOverNames());

uint32_t CurrentProcessId();

}  // namespace faceloom
