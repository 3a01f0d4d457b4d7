#include "storage/storage_identity.h"

#include <cstdio>
#include <optional>
#include <random>

#include "platform/files.h"
#include "storage/storage_manager.h"

namespace faceloom {

bool IsStorageIdentity(std::string_view text) {
    if (text.size() != 32) return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

std::string RandomToken(size_t digits) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device device;
    std::string token;
    token.reserve(digits);
    while (token.size() < digits) {
        uint32_t bits = device();
        for (int k = 0; k < 8 && token.size() < digits; ++k, bits >>= 4) token += kHex[bits & 15];
    }
    return token;
}

std::string KeyedCheck(std::string_view identity, std::string_view text) {
    // FNV-1a over the identity, a separator and the text, in two lanes of different seeds.
    auto lane = [&](uint64_t hash) {
        auto feed = [&](std::string_view bytes) {
            for (const char c : bytes) {
                hash ^= static_cast<unsigned char>(c);
                hash *= 0x100000001B3ull;
            }
        };
        feed(identity);
        feed(std::string_view("\0", 1));
        feed(text);
        feed(identity);
        return hash;
    };
    const uint64_t a = lane(0xCBF29CE484222325ull);
    const uint64_t b = lane(0x84222325CBF29CE4ull);
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(a ^ (b << 1)));
    return buffer;
}

std::string LoadStorageIdentity(const TStorageManager& modeConfig, bool* firstIdentity) {
    if (firstIdentity) *firstIdentity = false;
    if (!modeConfig.Valid()) return RandomToken(32);
    const std::string path = modeConfig.Path() + kIdentityFileName;
    const std::optional<std::string> kept = ReadWholeFile(path);
    if (kept && IsStorageIdentity(*kept)) return *kept;
    // A damaged identity is no first one: records checked under it must not be adopted.
    if (firstIdentity) *firstIdentity = !kept && !FileExists(path) && !DirectoryExists(path);
    const std::string identity = RandomToken(32);
    try {
        WriteFileAtomic(path, identity);
    } catch (...) {
        // Without a kept identity this run's files are still consistent among themselves;
        // the next start sees them as not its own and keeps them without trusting them.
    }
    return identity;
}

}  // namespace faceloom
