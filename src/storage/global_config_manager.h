#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "storage/settings_file.h"

namespace faceloom {

class TStorageManager;

// Global settings, section "Options" of "Config/config.ini".
enum class TGlobalBoolKey {
    FontBold,             // default false
    FontItalic,           // default false
    FontUnderline,        // default false
    FontStrikeOut,        // default false
    AnimateAll,           // default true
    ShowSignatures,       // default true
    AllowHotTrack,        // default true
    AnimatedDragAndDrop,  // default true
};
enum class TGlobalStringKey {
    LangDirectory,  // chosen language file; "" = built-in language
    FontName,       // default "Tahoma"
};
// Named after the value held. Four of them are stored under the key of another value; every
// existing config.ini uses these keys, so they stay (see GlobalKeyName).
enum class TGlobalIntegerKey {
    FontHeight,           // key "FontHeight", default -11
    BackgroundColor,      // key "FontCharset", default 0x00FFFFFF (white)
    HotTrackColor,        // key "FontColor", default 0x00FFF0F0
    FontCharset,          // key "BackgroundColor", default 1 (default character set)
    FontColor,            // key "HotTrackColor", default 0xFF000008 (system colour window text)
    RowWidth,             // key "RowWidth", default 10
    HotTrackBorderColor,  // key "HotTrackBorderColor", default 0x00FF8080
    // The main window's place and size when it was last closed; a width or height of 0 (the
    // default): none kept, the window opens centred at its design size.
    WindowLeft,    // key "WindowLeft", default 0
    WindowTop,     // key "WindowTop", default 0
    WindowWidth,   // key "WindowWidth", default 0
    WindowHeight,  // key "WindowHeight", default 0
};

// The key under which a value is stored.
const char* GlobalKeyName(TGlobalBoolKey key);
const char* GlobalKeyName(TGlobalStringKey key);
const char* GlobalKeyName(TGlobalIntegerKey key);

// Typed access to the global settings: every read goes to the file with the key's default,
// every write reaches the file at once (or throws EInOutError).
class TGlobalConfigManager {
public:
    // Values collected for one Write, such as everything the visual settings dialog applies.
    class TBatch {
    public:
        void WriteBool(TGlobalBoolKey key, bool value) { values_.WriteBool(GlobalKeyName(key), value); }
        void WriteString(TGlobalStringKey key, std::string value) {
            values_.WriteString(GlobalKeyName(key), std::move(value));
        }
        void WriteInteger(TGlobalIntegerKey key, int32_t value) {
            values_.WriteInteger(GlobalKeyName(key), value);
        }

    private:
        friend class TGlobalConfigManager;
        TSettingsBatch values_;
    };

    // Initialises the storage's "Storage.ini" if needed and opens its "config.ini".
    explicit TGlobalConfigManager(TStorageManager& storage);

    bool ReadBool(TGlobalBoolKey key) const;
    void WriteBool(TGlobalBoolKey key, bool value);
    std::string ReadString(TGlobalStringKey key) const;
    void WriteString(TGlobalStringKey key, const std::string& value);
    int32_t ReadInteger(TGlobalIntegerKey key) const;
    void WriteInteger(TGlobalIntegerKey key, int32_t value);
    // The batch's values in their order with one rewrite of the file, all or nothing (see
    // TSettingsSection::Write).
    void Write(const TBatch& batch) { settings_.Write(batch.values_); }

    TStorageManager& Storage() const { return storage_; }
    const std::string& FileName() const { return settings_.FileName(); }

private:
    TStorageManager& storage_;
    TSettingsSection settings_;
};

}  // namespace faceloom
