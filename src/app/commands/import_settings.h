#pragma once

#include <cstdint>
#include <string>

#include "convert/pack_import.h"

namespace faceloom {

// What the options say about adding pictures from outside: the pattern that makes a signature
// of a file name and the size larger pictures are scaled down to. Kept in the mode's
// "config.ini" beside the other options, in a section of their own.
struct TImportSettings {
    std::string CodePattern = ":name:";  // UTF-8; "name" stands for the file's name
    int32_t MaxWidth = 256;
    int32_t MaxHeight = 256;
    bool operator==(const TImportSettings&) const = default;
};

// The sides the options accept; a stored value outside reads as the default.
inline constexpr int32_t kMinPictureSide = 8;
inline constexpr int32_t kMaxPictureSide = 2048;

// Reads the settings from the file (defaults for what is absent or out of range).
TImportSettings ReadImportSettings(const std::string& configFile);
// Writes all three with one rewrite of the file; throws EInOutError when it cannot.
void WriteImportSettings(const std::string& configFile, const TImportSettings& settings);

// The conversion layer's options for these settings.
TImportOptions ImportOptionsOf(const TImportSettings& settings);

}  // namespace faceloom
