#include "storage/storage_ini_file.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "storage/storage_identity.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"

namespace faceloom {

namespace {

constexpr const char* kSection = "Storage";
constexpr const char* kFileName = "Storage.ini";
constexpr const char* kCheckKey = "Check";
constexpr const char* kPendingPairKey = "PendingPair";
constexpr const char* kSealKey = "Seal";

// What the check value covers: every field, each on a line of its own, values as they read
// back. The seal's line only when there is one, so records written before seals still check.
std::string CheckedText(const TPackState& state) {
    auto flag = [](bool value) { return value ? "1" : "0"; };
    std::string text = std::string("A") + flag(state.Allocated) + "\nP" + flag(state.PathAssigned) + "\nL" +
                       flag(state.Loaded) + "\nS" + state.SourcePath + "\nW" + state.PendingSave + "\nR" +
                       flag(state.PendingRebind) + "\nT" + state.PendingPair + "\n";
    if (!state.Seal.empty()) text += "V" + state.Seal + "\n";
    return text;
}

// Whether a key is there at all, empty or not: no stored value reads as a line break.
bool KeyPresent(const TSettingsSection& settings, const char* key) {
    return settings.ReadString(key, "\n") != "\n";
}

// An invalid storage has no folder; its state file must not land in the current folder.
std::string StateFileName(const TStorageManager& storage) {
    if (!storage.Valid()) {
        return {};
    }
    const std::string folder = storage.Path() + std::string(kConfigFolder) + kPathSeparator;
    // Made again when something removed it, but never through a link put in the place of the
    // storage folder or of the record's.
    if (EntryKind(storage.Path()) == TEntryKind::Missing) ForceDirectories(storage.Path());
    if (EntryKind(storage.Path()) != TEntryKind::Folder || !MakeOwnFolder(folder)) return {};
    return folder + kFileName;
}

}  // namespace

const char* StorageKeyName(TStorageBoolKey key) {
    switch (key) {
        case TStorageBoolKey::StorageAllocated:
            return "StorageAllocated";
        case TStorageBoolKey::PathAssigned:
            return "PathAssigned";
        case TStorageBoolKey::SmiliesLoaded:
            return "SmiliesLoaded";
        case TStorageBoolKey::PendingRebind:
            return "PendingRebind";
    }
    return "";
}

const char* StorageKeyName(TStorageStringKey key) {
    switch (key) {
        case TStorageStringKey::SourcePath:
            return "SourcePath";
        case TStorageStringKey::PendingSave:
            return "PendingSave";
    }
    return "";
}

TStorageIniFile::TStorageIniFile(const TStorageManager& storage)
    : storage_(storage), settings_(StateFileName(storage), kSection, kFileName) {}

bool TStorageIniFile::ReadBool(TStorageBoolKey key) const {
    return settings_.ReadBool(StorageKeyName(key), false);
}

void TStorageIniFile::WriteBool(TStorageBoolKey key, bool value) {
    settings_.WriteBool(StorageKeyName(key), value);
}

std::string TStorageIniFile::ReadString(TStorageStringKey key) const {
    return settings_.ReadString(StorageKeyName(key), "");
}

void TStorageIniFile::WriteString(TStorageStringKey key, const std::string& value) {
    settings_.WriteString(StorageKeyName(key), value);
}

// The record of a save under way only has to outlive a killed process (after a power cut the
// next open of or save into that folder still finds the save's journal), so it skips the flush.
void TStorageIniFile::SetPendingSave(const std::string& folder, bool rebind) {
    if (FileName().empty()) throw EInOutError::UnableToWrite(kFileName);
    TIniFile ini(FileName(), TDurability::Scratch);
    // PendingRebind is written only when set: one rewrite of the file for a plain save.
    if (rebind) ini.WriteBool(kSection, StorageKeyName(TStorageBoolKey::PendingRebind), true);
    ini.WriteString(kSection, StorageKeyName(TStorageStringKey::PendingSave), folder);
}

void TStorageIniFile::ClearPendingSave() {
    if (FileName().empty()) return;
    TIniFile ini(FileName(), TDurability::Scratch);
    ini.DeleteKey(kSection, StorageKeyName(TStorageStringKey::PendingSave));
    if (ini.ValueExists(kSection, StorageKeyName(TStorageBoolKey::PendingRebind))) {
        ini.DeleteKey(kSection, StorageKeyName(TStorageBoolKey::PendingRebind));
    }
}

TPackStateRead TStorageIniFile::ReadPackState(const std::string& identity, TPackState& state,
                                              bool adoptUnchecked) const {
    if (FileName().empty() || !(FileExists(FileName()) || DirectoryExists(FileName()))) {
        return TPackStateRead::Missing;
    }
    TPackState read;
    read.Allocated = ReadBool(TStorageBoolKey::StorageAllocated);
    read.PathAssigned = ReadBool(TStorageBoolKey::PathAssigned);
    read.Loaded = ReadBool(TStorageBoolKey::SmiliesLoaded);
    read.SourcePath = ReadString(TStorageStringKey::SourcePath);
    read.PendingSave = ReadString(TStorageStringKey::PendingSave);
    read.PendingRebind = ReadBool(TStorageBoolKey::PendingRebind);
    read.PendingPair = settings_.ReadString(kPendingPairKey, "");
    read.Seal = settings_.ReadString(kSealKey, "");
    const std::string check = settings_.ReadString(kCheckKey, "");
    // Only what an earlier version wrote: a key it never knew makes the record this version's.
    const bool adopted = adoptUnchecked && check.empty() && !KeyPresent(settings_, kCheckKey) &&
                         read.Allocated && read.PendingPair.empty() && read.Seal.empty() &&
                         !KeyPresent(settings_, kSealKey);
    if (!adopted && (identity.empty() || check != KeyedCheck(identity, CheckedText(read))))
        return TPackStateRead::Unreadable;
    state = read;
    return TPackStateRead::Valid;
}

void TStorageIniFile::WritePackState(const TPackState& state, const std::string& identity) {
    TSettingsBatch batch;
    batch.WriteBool(StorageKeyName(TStorageBoolKey::StorageAllocated), state.Allocated);
    batch.WriteBool(StorageKeyName(TStorageBoolKey::PathAssigned), state.PathAssigned);
    batch.WriteBool(StorageKeyName(TStorageBoolKey::SmiliesLoaded), state.Loaded);
    batch.WriteString(StorageKeyName(TStorageStringKey::SourcePath), state.SourcePath);
    const bool pending = !state.PendingSave.empty();
    if (pending) {
        batch.WriteString(StorageKeyName(TStorageStringKey::PendingSave), state.PendingSave);
    } else {
        batch.Delete(StorageKeyName(TStorageStringKey::PendingSave));
    }
    if (pending && state.PendingRebind) {
        batch.WriteBool(StorageKeyName(TStorageBoolKey::PendingRebind), true);
    } else {
        batch.Delete(StorageKeyName(TStorageBoolKey::PendingRebind));
    }
    if (pending && !state.PendingPair.empty()) {
        batch.WriteString(kPendingPairKey, state.PendingPair);
    } else {
        batch.Delete(kPendingPairKey);
    }
    // The check value stays the last line, after a seal added to an older record too.
    batch.Delete(kCheckKey);
    if (!state.Seal.empty()) {
        batch.WriteString(kSealKey, state.Seal);
    } else {
        batch.Delete(kSealKey);
    }
    TPackState written = state;
    if (!pending) {
        written.PendingRebind = false;
        written.PendingPair.clear();
    }
    batch.WriteString(kCheckKey, KeyedCheck(identity, CheckedText(written)));
    settings_.Write(batch);
}

bool TStorageIniFile::HasCheck() const {
    return KeyPresent(settings_, kCheckKey);
}

void AllocateStorageState(const TStorageManager& storage) {
    if (!storage.Valid()) {
        return;
    }
    TStorageIniFile state(storage);
    if (state.ReadBool(TStorageBoolKey::StorageAllocated)) {
        return;
    }
    state.WriteBool(TStorageBoolKey::StorageAllocated, true);
    state.WriteBool(TStorageBoolKey::PathAssigned, false);
    state.WriteBool(TStorageBoolKey::SmiliesLoaded, false);
    state.WriteString(TStorageStringKey::SourcePath, "");
}

}  // namespace faceloom
