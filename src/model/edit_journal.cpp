#include "model/edit_journal.h"

#include "model/define_file.h"
#include "model/edit_history.h"
#include "model/journal_codec.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "storage/storage_identity.h"

namespace faceloom {

namespace {

constexpr std::string_view kJournalKind = "edit 2";
// The same with the history's index as a last field.
constexpr std::string_view kHistoryJournalKind = "edit 3";
// The edit's new definition and history index, written before its first rename and renamed
// into place at its end, and the old index while the new one takes its place: temporary names
// of ours, which start-up and the history's upkeep remove when left over.
constexpr const char* kDefineNewName = ".~faceloom-define-new.tmp";
constexpr const char* kIndexNewName = "History/.~faceloom-index-new.tmp";
constexpr const char* kIndexAsideName = "History/.~faceloom-index-old.tmp";

bool Droppable(const std::string& name) {
    return (JournalNameSafe(name) && IsOwnTempName(name)) || IsHistoryPictureName(name);
}

bool MovableName(const std::string& name) {
    return (JournalNameSafe(name) &&
            (IsOwnTempName(name) || MatchesMask(name, "*.gif") || MatchesMask(name, "*.bmp"))) ||
           IsHistoryPictureName(name);
}

void WriteHistory(const std::string& folder, const std::string& bytes) {
    // Never into a link put in the history's place.
    if (!MakeOwnFolder(folder + kHistoryFolderName))
        throw EInOutError::UnableToWrite(folder + kHistoryIndexName);
    WriteFileAtomic(folder + kHistoryIndexName, bytes, TDurability::Scratch);
}

bool At(const std::string& path, uint64_t identity) {
    const std::optional<uint64_t> found = FileIdentity(path);
    return found && *found == identity;
}

void Finish(const std::string& folder, const TEditJournal& edit) {
    for (const TEditStep& step : edit.Steps) {
        if (step.Drop && At(folder + step.From, step.Identity)) DeleteFileAt(folder + step.From);
    }
    DeleteFileAt(folder + kDefineNewName);
    DeleteFileAt(folder + kIndexNewName);
    DeleteFileAt(folder + kIndexAsideName);
    DeleteFileAt(folder + kEditJournalName);
}

}  // namespace

bool IsHistoryPictureName(std::string_view name) {
    const std::string_view folder = kHistoryFolderName;
    return name.substr(0, folder.size()) == folder && TEditHistory::KeptNameValid(name.substr(folder.size()));
}

std::string TEditJournal::Encode() const {
    TJournalWriter writer(History ? kHistoryJournalKind : kJournalKind);
    writer.Field(Identity);
    writer.Number(Steps.size());
    for (const TEditStep& step : Steps) {
        writer.Field(step.Drop ? "drop" : "move");
        writer.Field(step.From);
        writer.Field(step.To);
        writer.Number(step.Identity);
    }
    writer.Field(Definition);
    if (History) writer.Field(*History);
    return writer.Finish();
}

std::optional<TEditJournal> TEditJournal::Decode(std::string_view bytes) {
    std::optional<std::vector<std::string>> fields = ReadJournalFields(bytes, kHistoryJournalKind);
    const bool withHistory = fields.has_value();
    if (!withHistory) fields = ReadJournalFields(bytes, kJournalKind);
    if (!fields) return std::nullopt;
    std::vector<std::string>& f = *fields;
    TEditJournal edit;
    if (withHistory) {
        if (f.empty()) return std::nullopt;
        edit.History = std::move(f.back());
        f.pop_back();
    }
    uint64_t count = 0;
    if (f.size() < 2 || !IsStorageIdentity(f[0]) || !JournalNumber(f[1], f.size(), count) ||
        f.size() != 3 + count * 4)
        return std::nullopt;
    edit.Identity = f[0];
    for (uint64_t k = 0; k < count; ++k) {
        const size_t at = 2 + static_cast<size_t>(k) * 4;
        TEditStep step;
        if (f[at] != "drop" && f[at] != "move") return std::nullopt;
        step.Drop = f[at] == "drop";
        step.From = f[at + 1];
        step.To = f[at + 2];
        if (!JournalNumber(f[at + 3], UINT64_MAX, step.Identity)) return std::nullopt;
        if (step.Drop ? !Droppable(step.From) : !(MovableName(step.From) && MovableName(step.To))) {
            return std::nullopt;
        }
        edit.Steps.push_back(std::move(step));
    }
    edit.Definition = f.back();
    return edit;
}

TEditOutcome ApplyEdit(const std::string& folder, const TEditJournal& edit, const std::string& identity) {
    const std::string defineNew = folder + kDefineNewName;
    const std::string indexNew = folder + kIndexNewName;
    const std::string index = folder + kHistoryIndexName;
    const std::string indexAside = folder + kIndexAsideName;
    auto clear = [&] {
        DeleteFileAt(defineNew);
        DeleteFileAt(indexNew);
    };
    // Everything that needs room is written before the first rename, beside the files it
    // replaces: a disk that fills up here leaves the working copy as it was. From then on
    // only renames follow, and putting them back needs no room either.
    try {
        clear();
        DeleteFileAt(indexAside);
        WriteFileAtomic(defineNew, edit.Definition, TDurability::Scratch);
        if (edit.History) WriteFileAtomic(indexNew, *edit.History, TDurability::Scratch);
        TEditJournal owned = edit;
        owned.Identity = identity;
        WriteFileAtomic(folder + kEditJournalName, owned.Encode(), TDurability::Scratch);
    } catch (...) {
        clear();
        return TEditOutcome::WriteFailed;
    }
    size_t done = 0;
    bool hadIndex = false, indexMoved = false, indexPlaced = false;
    auto putBack = [&](TEditOutcome outcome) {
        bool ok = true;
        if (indexMoved) {
            ok = RenameReplacing(indexAside, index);
        } else if (indexPlaced) {
            ok = DeleteFileAt(index);
        }
        for (size_t k = done; ok && k-- > 0;) {
            const TEditStep& step = edit.Steps[k];
            if (!step.Drop) ok = RenameExact(folder + step.To, folder + step.From);
        }
        clear();
        // The journal stays: the model puts the edit back once it can, or the next start
        // finishes it.
        if (!ok) return TEditOutcome::RollbackFailed;
        DeleteFileAt(folder + kEditJournalName);
        return outcome;
    };
    for (; done < edit.Steps.size(); ++done) {
        const TEditStep& step = edit.Steps[done];
        if (!step.Drop && !RenameExact(folder + step.From, folder + step.To))
            return putBack(TEditOutcome::RenameFailed);
    }
    if (edit.History) {
        hadIndex = FileExists(index);
        if (hadIndex && !RenameExact(index, indexAside)) return putBack(TEditOutcome::WriteFailed);
        indexMoved = hadIndex;
        if (!RenameExact(indexNew, index)) return putBack(TEditOutcome::WriteFailed);
        indexPlaced = true;
    }
    if (!RenameReplacing(defineNew, folder + kDefineFileName)) return putBack(TEditOutcome::WriteFailed);
    Finish(folder, edit);
    return TEditOutcome::Done;
}

bool RollBackEdit(const std::string& folder, const std::string& identity, const std::string& definition,
                  const std::string* history) {
    const std::string path = folder + kEditJournalName;
    if (!FileExists(path)) return true;
    const std::optional<std::string> bytes = ReadWholeFile(path);
    const std::optional<TEditJournal> edit = bytes ? TEditJournal::Decode(*bytes) : std::nullopt;
    if (!edit || identity.empty() || edit->Identity != identity) return false;
    for (size_t k = edit->Steps.size(); k-- > 0;) {
        const TEditStep& step = edit->Steps[k];
        if (step.Drop || !At(folder + step.To, step.Identity) || FileIdentity(folder + step.From)) continue;
        RenameExact(folder + step.To, folder + step.From);
    }
    // A file still where a step took it: putting back must be tried again.
    for (const TEditStep& step : edit->Steps) {
        if (!step.Drop && step.From != step.To && At(folder + step.To, step.Identity)) return false;
    }
    try {
        if (history) WriteHistory(folder, *history);
        WriteFileAtomic(folder + kDefineFileName, definition, TDurability::Scratch);
    } catch (...) {
        return false;
    }
    DeleteFileAt(folder + kDefineNewName);
    DeleteFileAt(folder + kIndexNewName);
    DeleteFileAt(folder + kIndexAsideName);
    DeleteFileAt(path);
    return true;
}

bool RecoverEdit(const std::string& folder, const std::string& identity) {
    const std::string path = folder + kEditJournalName;
    if (!FileExists(path)) return true;
    const std::optional<std::string> bytes = ReadWholeFile(path, kMaxJournalBytes);
    const std::optional<TEditJournal> edit = bytes ? TEditJournal::Decode(*bytes) : std::nullopt;
    // Not one of ours, or damaged: it names no file that can be trusted, and the pictures it
    // may have parked under temporary names stay where they are.
    if (!edit || identity.empty() || edit->Identity != identity) return false;
    for (const TEditStep& step : edit->Steps) {
        if (step.Drop || !At(folder + step.From, step.Identity) || FileIdentity(folder + step.To)) continue;
        RenameExact(folder + step.From, folder + step.To);
    }
    // A file still where a step takes it from (a rename failed): the definition must not be
    // written over pictures that are not in their places.
    for (const TEditStep& step : edit->Steps) {
        if (!step.Drop && step.From != step.To && At(folder + step.From, step.Identity)) return false;
    }
    try {
        if (edit->History) WriteHistory(folder, *edit->History);
        WriteFileAtomic(folder + kDefineFileName, edit->Definition);
    } catch (...) {
        return false;  // the journal stays: the next start tries again
    }
    Finish(folder, *edit);
    return true;
}

}  // namespace faceloom
