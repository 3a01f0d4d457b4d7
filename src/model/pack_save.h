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
// kill then leaves only temporary files of ours, which any recovery removes. A single save
// commits by writing the journal ".~faceloom-save.journal" (phase "commit": the names placed
// and the pack files the folder had) and flushing; from then on it only goes forward: every
// staged file is renamed over its name and every old pack file whose name no new file took is
// deleted, then the folder is flushed and the journal removed. A recovery that finds the
// journal does the same.
//
// The two packs of a pair are saved as one: each folder is staged under a journal in phase
// "stage" naming the pair's token, then one record of the pair ("PairSave-<token>" in the
// storage's settings folder) commits both. A recovery of either folder goes forward when that
// record exists and back otherwise, so both folders end old or both new.
//
// Every journal carries the identity of the storage that wrote it; a recovery acts only on a
// journal of its own storage (or of one pack under the owner's shared identity, see
// TSaveOwner), and only on the temporary names of ours and the pack files the journal lists,
// in the journal's own folder. Anything else is left alone.
inline constexpr const char* kSaveJournalName = ".~faceloom-save.journal";

enum class TSavePhase : uint8_t { Stage = 0, Commit = 1 };

struct TSaveJournal {
    TSavePhase Phase = TSavePhase::Stage;
    std::string Identity;               // the storage that wrote it
    std::string Pair;                   // the pair's token (16 hex digits); empty for one pack
    std::vector<std::string> NewNames;  // names placed, in order
    std::vector<std::string> OldNames;  // pack files replaced, in order

    std::string Encode() const;
    // Nullopt for anything but a complete journal whose identity and token are well-formed
    // and whose every name is a bare ".ini", ".gif" or ".bmp" file name: a journal is outside
    // input and may only ever touch pack files.
    static std::optional<TSaveJournal> Decode(std::string_view bytes);
};

// Whose saves a recovery may complete: the storage's identity and the folder of its pair
// records.
struct TSaveOwner {
    std::string Identity;
    std::string RecordFolder;  // with separator
    // The identity faceloom-pack lends its saves (PackToolIdentity): a journal of one pack under
    // it is completed too. Its runs are gone when their journals are found, since a caller
    // recovers a folder only while it holds the folder's lock, which every run holds while it
    // writes. Empty: none.
    std::string Shared{};
};

std::string StagedNewName(size_t index);
// The pair record of a token in the owner's record folder.
std::string PairRecordPath(const TSaveOwner& owner, const std::string& pair);
// Writes the record that commits a pair (flushed); false when it cannot be written.
bool WritePairRecord(const TSaveOwner& owner, const std::string& pair);
void RemovePairRecord(const TSaveOwner& owner, const std::string& pair);

enum class TSaveRecovery {
    Nothing,        // no save was under way (temporary files of ours are removed all the same)
    RolledBack,     // the folder holds the pack it had before the save
    RolledForward,  // the folder holds the saved pack
    Failed,         // a rename could not be done: the journal stays for another try
    Foreign,        // the journal is damaged or was written by another storage: it stays,
                    // and no file was touched
};

// Finishes or undoes a save into folder that was interrupted. onRolledForward runs before the
// journal goes, so a caller can record what a finished save means (its new source folder).
TSaveRecovery RecoverSave(const std::string& folder, const TSaveOwner& owner,
                          const std::function<void()>& onRolledForward = {});

enum class TSaveResult {
    Saved,
    Blocked,     // a pack name is taken in the target by something that is not a pack file
    CopyFailed,  // a file could not be copied (full disk, no permission): nothing changed
    Failed,      // the target could not be prepared: nothing changed
    Foreign,     // the target holds a save journal that is damaged or not ours: nothing changed
    Unfinished,  // committed, but a rename failed: the journal stays and the next recovery
                 // (start-up, or an open of or save into the folder) completes the new pack
};

struct TSaveRequest {
    std::string Source;              // folder of the files (with separator)
    std::vector<std::string> Names;  // the pack files to write, bare names
    std::string Target;              // folder written into (with separator, existing)
    std::string PictureMask;         // "*.gif" or "*.bmp": with "*.ini", the target's pack files
    TSaveOwner Owner;
    std::string Pair;                                     // the pair's token, empty for one pack
    std::function<void(const std::string& name)> OnFile;  // before each file is copied
    std::function<void()> OnCommitted;                    // once the new pack is in place
};

// Replaces the target's ".ini" files and pictures of the mask by the named files; every other
// file of the target stays as it is. For a request without Pair.
TSaveResult SavePackFiles(const TSaveRequest& request);

// The steps of a save, for a pair: StageSave copies the files in and writes the journal
// (phase "commit" without Pair, which commits; phase "stage" with it); until the pair record
// is written AbandonSave undoes it; FinishSave rolls a committed save forward.
TSaveResult StageSave(const TSaveRequest& request, TSaveJournal& journal);
void AbandonSave(const std::string& target, const TSaveJournal& journal);
TSaveResult FinishSave(const TSaveRequest& request, const TSaveJournal& journal);

// Whether a bare name is one of a pack's files for the picture mask.
bool IsPackFileName(std::string_view name, std::string_view pictureMask);

}  // namespace faceloom
