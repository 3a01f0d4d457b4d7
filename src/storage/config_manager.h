#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "storage/settings_file.h"

namespace faceloom {

class TStorageManager;

// Per-mode settings, section "Storage" of the mode's "config.ini".
enum class TConfigBoolKey {
    BothSmilePacks,     // both-packs mode; default false
    BothPathsAssigned,  // the pair of packs has a base folder in BothPath; default false
    Animated,           // the current pack is the animated one; default true
    ShowWarnings,       // confirm irreversible edits; default true
    SaveOnExit,         // close the packs when the editor ends; default false
};
enum class TConfigStringKey {
    BothPath,  // base folder of the pair of packs; default ""
};
enum class TConfigIntegerKey {
    FrameMemoryMB,  // MiB the decoded frames of each pack may hold; default 1024, at least 1
};

const char* ConfigKeyName(TConfigBoolKey key);
const char* ConfigKeyName(TConfigStringKey key);
const char* ConfigKeyName(TConfigIntegerKey key);

// Typed access to the per-mode settings: every read goes to the file with the key's default,
// every write reaches the file at once (or throws EInOutError).
class TConfigManager {
public:
    // Values collected for one Write.
    class TBatch {
    public:
        void WriteBool(TConfigBoolKey key, bool value) { values_.WriteBool(ConfigKeyName(key), value); }
        void WriteString(TConfigStringKey key, std::string value) {
            values_.WriteString(ConfigKeyName(key), std::move(value));
        }

    private:
        friend class TConfigManager;
        TSettingsBatch values_;
    };

    // Initialises the storage's "Storage.ini" if needed and opens its "config.ini".
    explicit TConfigManager(TStorageManager& storage);

    bool ReadBool(TConfigBoolKey key) const;
    void WriteBool(TConfigBoolKey key, bool value);
    std::string ReadString(TConfigStringKey key) const;
    void WriteString(TConfigStringKey key, const std::string& value);
    // A value outside the key's range reads as its default.
    int32_t ReadInteger(TConfigIntegerKey key) const;
    void WriteInteger(TConfigIntegerKey key, int32_t value);
    // The batch's values in their order with one rewrite of the file, all or nothing (see
    // TSettingsSection::Write).
    void Write(const TBatch& batch) { settings_.Write(batch.values_); }

    // The per-mode temporary folder (storage path + "Temp/"), created with any missing
    // parents on every call so that it is there even if something removed it in between.
    // Empty over a storage that is not Valid, and where a link stands in the place of the
    // storage folder or of "Temp" (nothing is stored through one).
    std::string TempFolder() const;

    TStorageManager& Storage() const { return storage_; }
    const std::string& FileName() const { return settings_.FileName(); }

private:
    TStorageManager& storage_;
    TSettingsSection settings_;
};

}  // namespace faceloom
