#include "storage/settings_file.h"

#include <utility>

#include "platform/errors.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_manager.h"

namespace faceloom {

std::string SettingsFileName(const TStorageManager& storage) {
    return storage.Valid() ? storage.Path() + kSettingsFileName : std::string();
}

std::string PrepareSettingsFile(const TStorageManager& storage) {
    AllocateStorageState(storage);
    return SettingsFileName(storage);
}

TSettingsSection::TSettingsSection(std::string fileName, const char* section, const char* shortName)
    : ini_(std::move(fileName)), section_(section), shortName_(shortName) {}

void TSettingsSection::CheckUsable() const {
    if (ini_.FileName().empty()) {
        throw EInOutError::UnableToWrite(shortName_);
    }
}

bool TSettingsSection::ReadBool(const char* key, bool defaultValue) const {
    return ini_.ReadBool(section_, key, defaultValue);
}

void TSettingsSection::WriteBool(const char* key, bool value) {
    CheckUsable();
    ini_.WriteBool(section_, key, value);
}

std::string TSettingsSection::ReadString(const char* key, const std::string& defaultValue) const {
    return ini_.ReadString(section_, key, defaultValue);
}

void TSettingsSection::WriteString(const char* key, const std::string& value) {
    CheckUsable();
    ini_.WriteString(section_, key, value);
}

int32_t TSettingsSection::ReadInteger(const char* key, int32_t defaultValue) const {
    return ini_.ReadInteger(section_, key, defaultValue);
}

void TSettingsSection::WriteInteger(const char* key, int32_t value) {
    CheckUsable();
    ini_.WriteInteger(section_, key, value);
}

}  // namespace faceloom
