#include "app/commands/import_settings.h"

#include "storage/settings_file.h"

namespace faceloom {

namespace {

constexpr const char* kSection = "Import";
constexpr const char* kPatternKey = "CodePattern";
constexpr const char* kWidthKey = "MaxPictureWidth";
constexpr const char* kHeightKey = "MaxPictureHeight";

int32_t SideOrDefault(int32_t value, int32_t fallback) {
    return value >= kMinPictureSide && value <= kMaxPictureSide ? value : fallback;
}

}  // namespace

TImportSettings ReadImportSettings(const std::string& configFile) {
    const TImportSettings defaults;
    const TSettingsSection section(configFile, kSection, kSettingsFileName);
    TImportSettings settings;
    settings.CodePattern = section.ReadString(kPatternKey, defaults.CodePattern);
    // A pattern without text would give every picture the same empty signature.
    if (settings.CodePattern.empty()) settings.CodePattern = defaults.CodePattern;
    settings.MaxWidth = SideOrDefault(section.ReadInteger(kWidthKey, defaults.MaxWidth), defaults.MaxWidth);
    settings.MaxHeight =
        SideOrDefault(section.ReadInteger(kHeightKey, defaults.MaxHeight), defaults.MaxHeight);
    return settings;
}

void WriteImportSettings(const std::string& configFile, const TImportSettings& settings) {
    TSettingsSection section(configFile, kSection, kSettingsFileName);
    TSettingsBatch batch;
    batch.WriteString(kPatternKey, settings.CodePattern);
    batch.WriteInteger(kWidthKey, settings.MaxWidth);
    batch.WriteInteger(kHeightKey, settings.MaxHeight);
    section.Write(batch);
}

TImportOptions ImportOptionsOf(const TImportSettings& settings) {
    TImportOptions options;
    options.CodePattern = settings.CodePattern;
    options.MaxWidth = settings.MaxWidth;
    options.MaxHeight = settings.MaxHeight;
    return options;
}

}  // namespace faceloom
