#include "storage/config_manager.h"

#include <climits>
#include <cstddef>
#include <iterator>

#include "platform/files.h"
#include "platform/paths.h"
#include "storage/settings_file.h"
#include "storage/storage_manager.h"

namespace faceloom {

namespace {

constexpr const char* kSection = "Storage";

bool DefaultOf(TConfigBoolKey key) {
    return key == TConfigBoolKey::Animated || key == TConfigBoolKey::ShowWarnings;
}

// Each integer key's name, default, least and most value, in the order of the keys.
struct TIntegerKeyFacts {
    const char* Name;
    int32_t Default, Min, Max;
};
constexpr TIntegerKeyFacts kIntegerKeys[] = {
    {"FrameMemoryMB", 1024, 1, INT32_MAX},
};
static_assert(std::size(kIntegerKeys) == static_cast<size_t>(TConfigIntegerKey::FrameMemoryMB) + 1);

const TIntegerKeyFacts& FactsOf(TConfigIntegerKey key) {
    return kIntegerKeys[static_cast<size_t>(key)];
}

}  // namespace

const char* ConfigKeyName(TConfigBoolKey key) {
    switch (key) {
        case TConfigBoolKey::BothSmilePacks:
            return "BothSmilePacks";
        case TConfigBoolKey::BothPathsAssigned:
            return "BothPathsAssigned";
        case TConfigBoolKey::Animated:
            return "Animated";
        case TConfigBoolKey::ShowWarnings:
            return "ShowWarnings";
        case TConfigBoolKey::SaveOnExit:
            return "SaveOnExit";
    }
    return "";
}

const char* ConfigKeyName(TConfigStringKey key) {
    switch (key) {
        case TConfigStringKey::BothPath:
            return "BothPath";
    }
    return "";
}

const char* ConfigKeyName(TConfigIntegerKey key) {
    return FactsOf(key).Name;
}

TConfigManager::TConfigManager(TStorageManager& storage)
    : storage_(storage), settings_(PrepareSettingsFile(storage), kSection, kSettingsFileName) {}

bool TConfigManager::ReadBool(TConfigBoolKey key) const {
    return settings_.ReadBool(ConfigKeyName(key), DefaultOf(key));
}

void TConfigManager::WriteBool(TConfigBoolKey key, bool value) {
    settings_.WriteBool(ConfigKeyName(key), value);
}

std::string TConfigManager::ReadString(TConfigStringKey key) const {
    return settings_.ReadString(ConfigKeyName(key), "");
}

void TConfigManager::WriteString(TConfigStringKey key, const std::string& value) {
    settings_.WriteString(ConfigKeyName(key), value);
}

int32_t TConfigManager::ReadInteger(TConfigIntegerKey key) const {
    const TIntegerKeyFacts& facts = FactsOf(key);
    const int32_t value = settings_.ReadInteger(facts.Name, facts.Default);
    return value >= facts.Min && value <= facts.Max ? value : facts.Default;
}

void TConfigManager::WriteInteger(TConfigIntegerKey key, int32_t value) {
    settings_.WriteInteger(ConfigKeyName(key), value);
}

std::string TConfigManager::TempFolder() const {
    if (!storage_.Valid()) {
        return {};
    }
    const std::string folder = storage_.Path() + "Temp" + kPathSeparator;
    // Made again when something removed it, but never through a link put in the place of the
    // storage folder or of its own.
    if (EntryKind(storage_.Path()) == TEntryKind::Missing) ForceDirectories(storage_.Path());
    if (EntryKind(storage_.Path()) == TEntryKind::Link || EntryKind(folder) == TEntryKind::Link) return {};
    ForceDirectories(folder);
    return folder;
}

}  // namespace faceloom
