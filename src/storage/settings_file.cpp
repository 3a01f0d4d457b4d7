#include "storage/settings_file.h"

#include <optional>
#include <utility>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
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

void TSettingsSection::Write(const TSettingsBatch& batch) {
    CheckUsable();
    if (batch.Empty()) return;
    const std::string& target = ini_.FileName();
    // The values are written to a private copy by the same INI code as single writes, so the
    // bytes come out the same; the result then replaces the file in one write.
    const std::optional<std::string> before = ReadWholeFile(target);
    if (!before && (FileExists(target) || DirectoryExists(target))) {
        throw EInOutError::UnableToWrite(target);  // never rebuilt from nothing
    }
    const TScratchFile scratch(ExtractFilePath(target), ExtractFileName(target));
    if (scratch.Path().empty()) throw EInOutError::UnableToWrite(target);
    try {
        if (before) WriteFileAtomic(scratch.Path(), *before);
        TIniFile staged(scratch.Path());
        for (const auto& [key, value] : batch.values_) {
            if (std::holds_alternative<std::monostate>(value)) {
                if (staged.ValueExists(section_, key)) staged.DeleteKey(section_, key);
            } else if (const bool* flag = std::get_if<bool>(&value)) {
                staged.WriteBool(section_, key, *flag);
            } else if (const int32_t* number = std::get_if<int32_t>(&value)) {
                staged.WriteInteger(section_, key, *number);
            } else {
                staged.WriteString(section_, key, std::get<std::string>(value));
            }
        }
    } catch (const EInOutError&) {
        throw EInOutError::UnableToWrite(target);  // about the settings file, not the copy
    }
    const std::optional<std::string> after = ReadWholeFile(scratch.Path());
    if (!after) {
        if (!before) return;  // nothing was written: no file, as before
        throw EInOutError::UnableToWrite(target);
    }
    if (before && *after == *before) return;
    WriteFileAtomic(target, *after);
}

}  // namespace faceloom
