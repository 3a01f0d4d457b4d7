#pragma once

#include <string>

namespace faceloom {

class TStorageManager;

inline constexpr const char* kSettingsFileName = "config.ini";

// The storage's "config.ini"; empty for a storage that is not Valid, so that settings never
// land in the process's current folder.
std::string SettingsFileName(const TStorageManager& storage);

}  // namespace faceloom
