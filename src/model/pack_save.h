#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// Writing a pack's files into a folder all or nothing, across a kill at any instant.
//
// The new files are first copied in under temporary names (".~faceloom-save-new-<i>.tmp"); a
// kill then leaves only temporary files of ours, which any recovery removes. The save commits
// by writing the journal ".~faceloom-save.journal" (phase "commit": the names placed and the
// pack files the folder had) and flushing; from then on it only goes forward: every staged
// file is renamed over its name and every old pack file whose name no new file took is
// deleted, then the folder is flushed and the journal removed. A recovery that finds the
// journal does the same; a journal in phase "stage" (from outside) rolls back instead.
inline constexpr const char* kSaveJournalName = ".~faceloom-save.journal";

enum class TSavePhase : uint8_t { Stage = 0, Commit = 1 };

struct TSaveJournal {
    TSavePhase Phase = TSavePhase::Stage;
    std::vector<std::string> NewNames;  // names placed, in order
    std::vector<std::string> OldNames;  // pack files replaced, in order

    std::string Encode() const;
    // Nullopt for anything but a complete journal whose every name is a bare ".ini", ".gif"
    // or ".bmp" file name: a journal is outside input and may only ever touch pack files.
    static std::optional<TSaveJournal> Decode(std::string_view bytes);
};

std::string StagedNewName(size_t index);

enum class TSaveRecovery {
    Nothing,        // no save was under way (temporary files of ours are removed all the same)
    RolledBack,     // the folder holds the pack it had before the save
    RolledForward,  // the folder holds the saved pack
    Failed,         // a rename could not be done: the journal stays for another try
};

// Finishes or undoes a save into folder that was interrupted. onRolledForward runs before the
// journal goes, so a caller can record what a finished save means (its new source folder).
TSaveRecovery RecoverSave(const std::string& folder, const std::function<void()>& onRolledForward = {});

enum class TSaveResult {
    Saved,
    Blocked,     // a pack name is taken in the target by something that is not a pack file
    CopyFailed,  // a file could not be copied (full disk, no permission): nothing changed
    Failed,      // the target could not be prepared: nothing changed
    Unfinished,  // committed, but a rename failed: the journal stays and the next recovery
                 // (start-up, or an open of or save into the folder) completes the new pack
};

struct TSaveRequest {
    std::string Source;              // folder of the files (with separator)
    std::vector<std::string> Names;  // the pack files to write, bare names
    std::string Target;              // folder written into (with separator, existing)
    std::string PictureMask;         // "*.gif" or "*.bmp": with "*.ini", the target's pack files
    std::function<void(const std::string& name)> OnFile;  // before each file is copied
    std::function<void()> OnCommitted;                    // once the new pack is in place
};

// Replaces the target's ".ini" files and pictures of the mask by the named files; every other
// file of the target stays as it is.
TSaveResult SavePackFiles(const TSaveRequest& request);

// Whether a bare name is one of a pack's files for the picture mask.
bool IsPackFileName(std::string_view name, std::string_view pictureMask);

}  // namespace faceloom
