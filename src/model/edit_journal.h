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
inline constexpr const char* kEditJournalName = ".~faceloom-edit.journal";

struct TEditStep {
    bool Drop = false;  // delete From (a temporary name of ours) instead of renaming it
    std::string From;
    std::string To;
    uint64_t Identity = 0;
};

struct TEditJournal {
    std::string Identity;  // the storage that wrote it
    std::vector<TEditStep> Steps;
    std::string Definition;  // the bytes of "_define.ini" after the edit

    std::string Encode() const;
    // Nullopt unless complete, with a well-formed identity, and every name is a bare picture
    // name (".gif", ".bmp") or a temporary name of ours; only temporary names may be dropped.
    static std::optional<TEditJournal> Decode(std::string_view bytes);
};

enum class TEditOutcome {
    Done,
    RenameFailed,    // a rename failed; the renames done were put back
    WriteFailed,     // the journal or the definition could not be written; nothing changed
    RollbackFailed,  // and putting back failed too: the journal stays, the next start ends it
};

// Runs an edit in folder (a working copy, with separator) under the storage's identity:
// journal, renames, definition, drops, journal removed. On RenameFailed and WriteFailed the
// folder is as before.
TEditOutcome ApplyEdit(const std::string& folder, const TEditJournal& edit, const std::string& identity);

// Finishes an edit that a kill interrupted. True when there was none or it is finished now.
// A journal that is damaged or not of this identity is left as it is, with every file, and
// the result is false.
bool RecoverEdit(const std::string& folder, const std::string& identity);

}  // namespace faceloom
