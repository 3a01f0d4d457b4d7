#include "storage/global_config_manager.h"

#include "storage/settings_file.h"

namespace faceloom {

namespace {

constexpr const char* kSection = "Options";

bool DefaultOf(TGlobalBoolKey key) {
    switch (key) {
        case TGlobalBoolKey::FontBold:
        case TGlobalBoolKey::FontItalic:
        case TGlobalBoolKey::FontUnderline:
        case TGlobalBoolKey::FontStrikeOut:
            return false;
        case TGlobalBoolKey::AnimateAll:
        case TGlobalBoolKey::ShowSignatures:
        case TGlobalBoolKey::AllowHotTrack:
        case TGlobalBoolKey::AnimatedDragAndDrop:
            return true;
    }
    return false;
}

const char* DefaultOf(TGlobalStringKey key) {
    return key == TGlobalStringKey::FontName ? "Tahoma" : "";
}

int32_t DefaultOf(TGlobalIntegerKey key) {
    switch (key) {
        case TGlobalIntegerKey::FontHeight:
            return -11;
        case TGlobalIntegerKey::BackgroundColor:
            return 0x00FFFFFF;
        case TGlobalIntegerKey::HotTrackColor:
            return 0x00FFF0F0;
        case TGlobalIntegerKey::FontCharset:
            return 1;
        case TGlobalIntegerKey::FontColor:
            return static_cast<int32_t>(0xFF000008u);
        case TGlobalIntegerKey::RowWidth:
            return 10;
        case TGlobalIntegerKey::HotTrackBorderColor:
            return 0x00FF8080;
        case TGlobalIntegerKey::WindowLeft:
        case TGlobalIntegerKey::WindowTop:
        case TGlobalIntegerKey::WindowWidth:
        case TGlobalIntegerKey::WindowHeight:
            return 0;
    }
    return 0;
}

}  // namespace

const char* GlobalKeyName(TGlobalBoolKey key) {
    switch (key) {
        case TGlobalBoolKey::FontBold:
            return "FontBold";
        case TGlobalBoolKey::FontItalic:
            return "FontItalic";
        case TGlobalBoolKey::FontUnderline:
            return "FontUnderline";
        case TGlobalBoolKey::FontStrikeOut:
            return "FontStrikeOut";
        case TGlobalBoolKey::AnimateAll:
            return "AnimateAll";
        case TGlobalBoolKey::ShowSignatures:
            return "ShowSignatures";
        case TGlobalBoolKey::AllowHotTrack:
            return "AllowHotTrack";
        case TGlobalBoolKey::AnimatedDragAndDrop:
            return "AnimatedDragAndDrop";
    }
    return "";
}

const char* GlobalKeyName(TGlobalStringKey key) {
    switch (key) {
        case TGlobalStringKey::LangDirectory:
            return "LangDirectory";
        case TGlobalStringKey::FontName:
            return "FontName";
    }
    return "";
}

const char* GlobalKeyName(TGlobalIntegerKey key) {
    // Four values live under another value's key name; files in use depend on it.
    switch (key) {
        case TGlobalIntegerKey::FontHeight:
            return "FontHeight";
        case TGlobalIntegerKey::BackgroundColor:
            return "FontCharset";
        case TGlobalIntegerKey::HotTrackColor:
            return "FontColor";
        case TGlobalIntegerKey::FontCharset:
            return "BackgroundColor";
        case TGlobalIntegerKey::FontColor:
            return "HotTrackColor";
        case TGlobalIntegerKey::RowWidth:
            return "RowWidth";
        case TGlobalIntegerKey::HotTrackBorderColor:
            return "HotTrackBorderColor";
        case TGlobalIntegerKey::WindowLeft:
            return "WindowLeft";
        case TGlobalIntegerKey::WindowTop:
            return "WindowTop";
        case TGlobalIntegerKey::WindowWidth:
            return "WindowWidth";
        case TGlobalIntegerKey::WindowHeight:
            return "WindowHeight";
    }
    return "";
}

TGlobalConfigManager::TGlobalConfigManager(TStorageManager& storage)
    : storage_(storage), settings_(PrepareSettingsFile(storage), kSection, kSettingsFileName) {}

bool TGlobalConfigManager::ReadBool(TGlobalBoolKey key) const {
    return settings_.ReadBool(GlobalKeyName(key), DefaultOf(key));
}

void TGlobalConfigManager::WriteBool(TGlobalBoolKey key, bool value) {
    settings_.WriteBool(GlobalKeyName(key), value);
}

std::string TGlobalConfigManager::ReadString(TGlobalStringKey key) const {
    return settings_.ReadString(GlobalKeyName(key), DefaultOf(key));
}

void TGlobalConfigManager::WriteString(TGlobalStringKey key, const std::string& value) {
    settings_.WriteString(GlobalKeyName(key), value);
}

int32_t TGlobalConfigManager::ReadInteger(TGlobalIntegerKey key) const {
    return settings_.ReadInteger(GlobalKeyName(key), DefaultOf(key));
}

void TGlobalConfigManager::WriteInteger(TGlobalIntegerKey key, int32_t value) {
    settings_.WriteInteger(GlobalKeyName(key), value);
}

}  // namespace faceloom
