#pragma once

#include <string>
#include <string_view>

namespace faceloom {

class TStorageManager;

// Every storage (one working mode: its settings and its two working copies) has an identity:
// random, made once and kept in the mode's settings folder ("Identity"). The state files and
// the save and edit journals this storage writes carry it, so that a file written by another
// storage, copied in from elsewhere or made by hand is never taken for one of ours.
inline constexpr const char* kIdentityFileName = "Identity";

// The identity kept in the settings storage, made (and written) when there is none yet or the
// kept one is damaged. A storage that is not Valid gets a fresh identity for this run only.
// firstIdentity (when given) tells whether the storage never had one: a storage written by an
// earlier version, whose unchecked records may be adopted once.
std::string LoadStorageIdentity(const TStorageManager& modeConfig, bool* firstIdentity = nullptr);

// 32 lower-case hexadecimal digits.
bool IsStorageIdentity(std::string_view text);

// A random token of the given number of lower-case hexadecimal digits.
std::string RandomToken(size_t digits);

// A check value of text bound to an identity (16 hexadecimal digits): it tells damage and
// files not written under that identity from the real thing. Not a defence against someone
// who can read the identity.
std::string KeyedCheck(std::string_view identity, std::string_view text);

}  // namespace faceloom
