#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ini_file.h"

namespace faceloom {

class TStorageManager;

inline constexpr const char* kSettingsFileName = "config.ini";

// The storage's "config.ini"; empty for a storage that is not Valid, so that settings never
// land in the process's current folder.
std::string SettingsFileName(const TStorageManager& storage);

// Initialises the storage's "Storage.ini" if needed and gives its "config.ini" (as
// SettingsFileName): what the per-mode and the global settings both open.
std::string PrepareSettingsFile(const TStorageManager& storage);

// Values of one section collected for one TSettingsSection::Write, in the order given.
class TSettingsBatch {
public:
    void WriteBool(const char* key, bool value) { values_.emplace_back(key, value); }
    void WriteString(const char* key, std::string value) { values_.emplace_back(key, std::move(value)); }
    void WriteInteger(const char* key, int32_t value) { values_.emplace_back(key, value); }
    // The key is absent afterwards.
    void Delete(const char* key) { values_.emplace_back(key, std::monostate()); }
    bool Empty() const { return values_.empty(); }

private:
    friend class TSettingsSection;
    std::vector<std::pair<const char*, std::variant<std::monostate, bool, int32_t, std::string>>> values_;
};

// One section of one INI file, as the typed settings classes use it: every read goes to the
// file with the caller's default, every write reaches the file at once. An empty file name
// (a storage that is not Valid) reads the defaults, and its writes throw EInOutError naming
// shortName, since there is no path to name.
class TSettingsSection {
public:
    TSettingsSection(std::string fileName, const char* section, const char* shortName);

    const std::string& FileName() const { return ini_.FileName(); }

    bool ReadBool(const char* key, bool defaultValue) const;
    void WriteBool(const char* key, bool value);
    std::string ReadString(const char* key, const std::string& defaultValue) const;
    void WriteString(const char* key, const std::string& value);
    int32_t ReadInteger(const char* key, int32_t defaultValue) const;
    void WriteInteger(const char* key, int32_t value);
    // Every value of the batch with one rewrite of the file (one flush) instead of one per
    // value. The file ends byte for byte as the single writes in the batch's order would
    // leave it, and stays untouched when nothing changes. All or nothing: when a value cannot
    // be written, EInOutError is thrown and the file is left as it was.
    void Write(const TSettingsBatch& batch);

private:
    void CheckUsable() const;

    TIniFile ini_;
    const char* section_;
    const char* shortName_;
};

}  // namespace faceloom
