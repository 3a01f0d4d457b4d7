#include "storage/config_manager.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/settings_file.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_manager.h"

namespace faceloom {

namespace {

constexpr const char* kSection = "Storage";

bool DefaultOf(TConfigBoolKey key) {
    return key == TConfigBoolKey::Animated || key == TConfigBoolKey::ShowWarnings;
}

}  // namespace

const char* ConfigKeyName(TConfigBoolKey key) {
    switch (key) {
        case TConfigBoolKey::BothSmilePacks: return "BothSmilePacks";
        case TConfigBoolKey::BothPathsAssigned: return "BothPathsAssigned";
        case TConfigBoolKey::Animated: return "Animated";
        case TConfigBoolKey::ShowWarnings: return "ShowWarnings";
        case TConfigBoolKey::SaveOnExit: return "SaveOnExit";
    }
    return "";
}

const char* ConfigKeyName(TConfigStringKey key) {
    switch (key) {
        case TConfigStringKey::BothPath: return "BothPath";
    }
    return "";
}

TConfigManager::TConfigManager(TStorageManager& storage)
    : storage_(storage), ini_((AllocateStorageState(storage), SettingsFileName(storage))) {}

void TConfigManager::CheckUsable() const {
    if (ini_.FileName().empty()) {
        throw EInOutError::UnableToWrite(kSettingsFileName);
    }
}

bool TConfigManager::ReadBool(TConfigBoolKey key) const {
    return ini_.ReadBool(kSection, ConfigKeyName(key), DefaultOf(key));
}

void TConfigManager::WriteBool(TConfigBoolKey key, bool value) {
    CheckUsable();
    ini_.WriteBool(kSection, ConfigKeyName(key), value);
}

std::string TConfigManager::ReadString(TConfigStringKey key) const {
    return ini_.ReadString(kSection, ConfigKeyName(key), "");
}

void TConfigManager::WriteString(TConfigStringKey key, const std::string& value) {
    CheckUsable();
    ini_.WriteString(kSection, ConfigKeyName(key), value);
}

std::string TConfigManager::TempFolder() const {
    if (!storage_.Valid()) {
        return {};
    }
    const std::string folder = storage_.Path() + "Temp" + kPathSeparator;
    ForceDirectories(folder);
    return folder;
}

}  // namespace faceloom
