#pragma once

#include <string>
#include <string_view>

namespace faceloom {

// Names of the per-user storage area, in one place so that every owner of a storage folder
// composes its sub-path the same way. Sub-paths are relative to AppDataFolder() and are what
// TStorageManager takes.
//
//   Faceloom for Tavi 2005/3.0/Config            global settings
//   Faceloom for Tavi 2005/3.0/<mode>/Config     per-mode settings (and their Temp/ folder)
//   Faceloom for Tavi 2005/3.0/<mode>/Static     working copy of the static pack
//   Faceloom for Tavi 2005/3.0/<mode>/Animated   working copy of the animated pack
inline constexpr std::string_view kProductFolder = "Faceloom for Tavi 2005";
inline constexpr std::string_view kVersionFolder = "3.0";
inline constexpr std::string_view kConfigFolder = "Config";
inline constexpr std::string_view kStaticFolder = "Static";
inline constexpr std::string_view kAnimatedFolder = "Animated";

// The working modes: ordinary use, and runs on behalf of Coatwright.
inline constexpr std::string_view kStorageMode = "Storage";
inline constexpr std::string_view kCoatwrightMode = "Coatwright";

// Pack indexes as the pack model counts them.
inline constexpr int kStaticPack = 0;
inline constexpr int kAnimatedPack = 1;

// "Static" for pack 0, "Animated" for pack 1: the working-copy folder of the pack and also its
// sub-folder under the base folder of the both-packs mode.
std::string PackFolderName(int pack);

// "Faceloom for Tavi 2005/3.0/Config".
std::string GlobalConfigSubPath();
// "Faceloom for Tavi 2005/3.0/<mode>/Config".
std::string ModeConfigSubPath(std::string_view mode);
// "Faceloom for Tavi 2005/3.0/<mode>/Static" or ".../Animated".
std::string PackSubPath(std::string_view mode, int pack);

// Whether a folder is the storage area (the per-user data folder's "Faceloom for Tavi 2005")
// or lies inside it, links resolved: pack files are never saved there, since that is where
// the working copies and their records live.
bool InsideStorageArea(const std::string& folder);

}  // namespace faceloom
