#pragma once

#include <string>

#include "storage/settings_file.h"

namespace faceloom {

class TStorageManager;

// Keys of "Storage.ini", section "Storage".
enum class TStorageBoolKey {
    StorageAllocated,  // the state file has been initialised
    PathAssigned,      // the pack has a source folder; SourcePath is valid
    SmiliesLoaded,     // the storage holds a pack
    PendingRebind,     // the save named by PendingSave makes its folder the source folder
};
enum class TStorageStringKey {
    SourcePath,   // the pack's source folder, ending with the separator
    PendingSave,  // a folder a save of this pack was writing into; empty when none runs
};

// The whole record of a working copy, written as one unit with a check value bound to the
// storage's identity (key "Check"), so that a damaged, forged or foreign record is never
// acted on.
struct TPackState {
    bool Allocated = false;      // StorageAllocated
    bool PathAssigned = false;   // PathAssigned
    bool Loaded = false;         // SmiliesLoaded
    std::string SourcePath;      // SourcePath
    std::string PendingSave;     // a folder a save of this pack is writing into; empty when none
    bool PendingRebind = false;  // that save makes its folder the source folder
    std::string PendingPair;     // the pair save it belongs to (its token); empty for one pack
    // The seal of the folder this pack saves into without asking (see the model's FolderSeal):
    // taken when the pack was opened from or saved into it. Empty when none: a record of an
    // earlier version, or a pack that never had a folder.
    std::string Seal;
    bool operator==(const TPackState&) const = default;
};

enum class TPackStateRead {
    Missing,     // no state file: a storage never used
    Valid,       // read, and its check value matches
    Unreadable,  // there is a file, but it is damaged or was not written by this storage
};

const char* StorageKeyName(TStorageBoolKey key);
const char* StorageKeyName(TStorageStringKey key);

// The state file "Config/Storage.ini" of a storage folder. Created for one read or update
// and dropped right after; every write is on disk when it returns. Missing file or keys read
// as false and "". Writes that cannot reach the file throw EInOutError.
class TStorageIniFile {
public:
    // Creates the storage's "Config" folder if missing. Over a storage that is not Valid
    // nothing is created: reads give the defaults and writes throw.
    explicit TStorageIniFile(const TStorageManager& storage);

    bool ReadBool(TStorageBoolKey key) const;
    void WriteBool(TStorageBoolKey key, bool value);
    std::string ReadString(TStorageStringKey key) const;
    void WriteString(TStorageStringKey key, const std::string& value);

    // The record of a save under way (PendingSave, PendingRebind); cleared by removing both
    // keys, so a file that never saw a save keeps its four keys only.
    void SetPendingSave(const std::string& folder, bool rebind);
    void ClearPendingSave();

    // The checked record of a working copy. state is filled only when the result is Valid.
    // adoptUnchecked takes a record as versions before the check wrote it (its four keys and
    // a save under way, no check value, no seal) as valid: only for a storage that has just
    // been given its first identity. An adopted record has no seal, so it never vouches for
    // a folder.
    TPackStateRead ReadPackState(const std::string& identity, TPackState& state,
                                 bool adoptUnchecked = false) const;
    // Replaces the record in one write (keys of the pending save only while one runs).
    void WritePackState(const TPackState& state, const std::string& identity);
    // Whether the file carries a check value at all: a record written by this version, not by
    // an earlier one (whatever its value).
    bool HasCheck() const;

    const TStorageManager& Storage() const { return storage_; }
    const std::string& FileName() const { return settings_.FileName(); }

private:
    const TStorageManager& storage_;
    TSettingsSection settings_;
};

// Brings the state file of a settings storage into its initial state (StorageAllocated 1,
// PathAssigned 0, SmiliesLoaded 0, SourcePath "") unless StorageAllocated is already set.
// Does nothing over a storage that is not Valid.
void AllocateStorageState(const TStorageManager& storage);

}  // namespace faceloom
