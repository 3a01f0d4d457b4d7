#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// An edit of a working copy as one unit that a kill cannot cut in half: the renames of its
// pictures in order, the definition file that goes with them, and the files it drops at the
// end. Written to ".~faceloom-edit.journal" in the working copy before the first rename and
// removed after the last step; a journal found at start-up is rolled forward.
//
// Every step names the file it moves by its identity (inode), so a step is redone only while
// that very file is still where the step takes it from: rolling forward twice, or after the
// edit had finished, changes nothing.
//
// An edit that is a step of the undo history also carries the history's new index: it is
// written in the same unit, so the working copy and its history never disagree. Pictures the
// history keeps move between the working copy and its "History/" folder by such steps.
inline constexpr const char* kEditJournalName = ".~faceloom-edit.journal";
// The folder of the history, inside the working copy.
inline constexpr const char* kHistoryFolderName = "History/";

struct TEditStep {
    bool Drop = false;  // delete From (a temporary name of ours) instead of renaming it
    std::string From;
    std::string To;
    uint64_t Identity = 0;
};

struct TEditJournal {
    std::string Identity;  // the storage that wrote it
    std::vector<TEditStep> Steps;
    std::string Definition;              // the bytes of "_define.ini" after the edit
    std::optional<std::string> History;  // the bytes of the history's index after the edit

    std::string Encode() const;
    // Nullopt unless complete, with a well-formed identity, and every name is a bare picture
    // name (".gif", ".bmp"), a temporary name of ours or a kept picture of the history
    // ("History/k<n>.gif"); only temporary names and kept pictures may be dropped.
    static std::optional<TEditJournal> Decode(std::string_view bytes);
};

// "History/" + a kept picture's name.
bool IsHistoryPictureName(std::string_view name);

enum class TEditOutcome {
    Done,
    RenameFailed,    // a rename failed; the renames done were put back
    WriteFailed,     // the journal, the definition or the history's index could not be written
                     // or put in place; nothing changed
    RollbackFailed,  // and putting back failed too: the journal stays (RollBackEdit, RecoverEdit)
};

// Runs an edit in folder (a working copy, with separator) under the storage's identity: the
// new definition and history index written aside, journal, renames, the new files renamed
// into place, drops, journal removed. Nothing that needs room on the disk comes after the
// first rename, so on RenameFailed and WriteFailed the folder is as before.
TEditOutcome ApplyEdit(const std::string& folder, const TEditJournal& edit, const std::string& identity);

// Puts back an edit that RollbackFailed left: its renames are undone by the files'
// identities, and "_define.ini" and (when history is given) the history's index get the bytes
// they had before it, which the caller kept. True when there was none or it is put back now;
// false leaves the journal (a file still out of place, a write that failed, a journal that is
// damaged or not of this identity).
bool RollBackEdit(const std::string& folder, const std::string& identity, const std::string& definition,
                  const std::string* history);

// Finishes an edit that a kill interrupted. True when there was none or it is finished now.
// A journal that is damaged or not of this identity is left as it is, with every file, and
// the result is false.
bool RecoverEdit(const std::string& folder, const std::string& identity);

}  // namespace faceloom
