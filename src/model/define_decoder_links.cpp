// The storage area's own entries met as something else: a link where the storage keeps a
// folder (never followed: removed itself or refused) and a "History" that is not a folder
// (a damaged history, dropped). What was found is told through OnStorageNote.

#include <algorithm>

#include "model/define_decoder.h"
#include "model/edit_journal.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/storage_manager.h"
#include "storage/working_copy_swap.h"

namespace faceloom {

// A pack's storage folder can take a new working copy: false with the reason when it cannot
// (LinkInStorage when a link on its way was refused).
bool TDefineDecoder::StorageUsable(uint8_t p) {
    const TStorageManager& storage = *packs_[p].Storage;
    if (storage.Valid()) return true;
    if (storage.LinkFound().empty()) return Fail(TModelError::NotPresent, false);
    lastErrorFile_ = storage.LinkFound();
    return Fail(TModelError::LinkInStorage, false);
}

// The swap replaces every link among its folders by folders of its own, never following one;
// the user learns that there was one.
void TDefineDecoder::NoteSwapLinks(uint8_t p) {
    for (const std::string& link : TWorkingCopySwap::Links(packs_[p].Storage->Path()))
        Note(TModelError::LinkInStorage, link);
}

// Before every edit: the working copy is a folder of its own (a link put in its place is
// never edited through) and its history is whole.
bool TDefineDecoder::CurrentEditable() {
    if (!presentPacks_.Contains(currentPack_) || !Current().Built) return false;
    if (EntryKind(Current().Folder) == TEntryKind::Link) {
        Note(TModelError::LinkInStorage, Current().Folder);
        return false;
    }
    DropStrayHistory(currentPack_);
    return true;
}

// A plain file named "History" made every edit fail; a link there would have taken the kept
// pictures, and the history's removal, out of the storage area. Neither is ever followed.
bool TDefineDecoder::DropStrayHistory(uint8_t p) {
    TPack& pack = packs_[p];
    if (pack.Folder.empty()) return false;
    const std::string entry = pack.Folder + kHistoryFolderName;
    const TEntryKind kind = EntryKind(entry);
    if (kind == TEntryKind::Missing || kind == TEntryKind::Folder) return false;
    RemoveTree(entry);
    // A folder of its own in its place: an edit cut short finds where its kept pictures go.
    MakeOwnFolder(entry);
    ResetHistory(p);
    // What was saved is not known any more.
    pack.History.MarkUnsaved();
    Note(kind == TEntryKind::Link ? TModelError::LinkInStorage : TModelError::HistoryDropped, entry);
    return true;
}

void TDefineDecoder::Note(TModelError reason, const std::string& path) {
    std::pair<TModelError, std::string> note{reason, path};
    while (note.second.size() > 1 && note.second.back() == kPathSeparator) note.second.pop_back();
    if (std::find(notes_.begin(), notes_.end(), note) == notes_.end()) notes_.push_back(std::move(note));
}

void TDefineDecoder::TellNotes() {
    if (!OnStorageNote || notes_.empty()) return;
    const std::vector<std::pair<TModelError, std::string>> notes = std::move(notes_);
    notes_.clear();
    for (const auto& [reason, path] : notes) {
        try {
            Fire(OnStorageNote, reason, path);
        } catch (...) {
            // The operation's outcome stands whatever the handler does.
        }
    }
}

}  // namespace faceloom
