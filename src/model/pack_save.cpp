#include "model/pack_save.h"

#include <set>

#include "model/journal_codec.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/flush_batch.h"
#include "storage/storage_identity.h"

namespace faceloom {

namespace {

constexpr std::string_view kJournalKind = "save 2";
constexpr size_t kPairDigits = 16;

bool IsPairToken(std::string_view token) {
    if (token.size() != kPairDigits) return false;
    for (const char c : token) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool ForgedName(const std::string& name) {
    return !JournalNameSafe(name) ||
           !(MatchesMask(name, "*.ini") || MatchesMask(name, "*.gif") || MatchesMask(name, "*.bmp"));
}

void RemoveJournal(const std::string& folder) {
    DeleteFileAt(folder + kSaveJournalName);
    SyncFolder(folder);
}

void RemoveOwnTempFiles(const std::string& folder) {
    for (const TFolderEntry& entry : ListFolder(folder)) {
        if (entry.IsFile && IsOwnTempName(entry.Name)) DeleteFileAt(folder + entry.Name);
    }
}

// The roll-forward of a committed save, in the process or in a recovery: each staged file still
// there replaces its name, then every old pack file whose name no new file took goes. Any
// file under such a name is an old one, since new files only ever take new names, so this can
// be redone after a kill at any point.
bool RollForward(const std::string& folder, const TSaveJournal& journal) {
    for (size_t i = 0; i < journal.NewNames.size(); ++i) {
        const std::string staged = folder + StagedNewName(i);
        if (!RenameReplacing(staged, folder + journal.NewNames[i]) && FileExists(staged)) return false;
    }
    const std::set<std::string> placed(journal.NewNames.begin(), journal.NewNames.end());
    for (const std::string& name : journal.OldNames) {
        if (placed.count(name) == 0 && FileExists(folder + name)) DeleteFileAt(folder + name);
    }
    SyncFolder(folder);
    return true;
}

}  // namespace

std::string StagedNewName(size_t index) {
    return ".~faceloom-save-new-" + std::to_string(index) + ".tmp";
}

bool IsPackFileName(std::string_view name, std::string_view pictureMask) {
    return MatchesMask(name, "*.ini") || MatchesMask(name, pictureMask);
}

std::string TSaveJournal::Encode() const {
    TJournalWriter writer(kJournalKind);
    writer.Number(static_cast<uint64_t>(Phase));
    writer.Field(Identity);
    writer.Field(Pair);
    writer.Number(NewNames.size());
    for (const std::string& name : NewNames) writer.Field(name);
    writer.Number(OldNames.size());
    for (const std::string& name : OldNames) writer.Field(name);
    return writer.Finish();
}

std::optional<TSaveJournal> TSaveJournal::Decode(std::string_view bytes) {
    const std::optional<std::vector<std::string>> fields = ReadJournalFields(bytes, kJournalKind);
    if (!fields) return std::nullopt;
    const std::vector<std::string>& f = *fields;
    TSaveJournal journal;
    size_t at = 0;
    uint64_t value = 0;
    if (at >= f.size() || !JournalNumber(f[at++], 1, value)) return std::nullopt;
    journal.Phase = static_cast<TSavePhase>(value);
    if (f.size() - at < 2 || !IsStorageIdentity(f[at]) || !(f[at + 1].empty() || IsPairToken(f[at + 1])))
        return std::nullopt;
    journal.Identity = f[at++];
    journal.Pair = f[at++];
    for (std::vector<std::string>* names : {&journal.NewNames, &journal.OldNames}) {
        if (at >= f.size() || !JournalNumber(f[at++], f.size(), value) || value > f.size() - at)
            return std::nullopt;
        std::set<std::string> seen;
        for (uint64_t k = 0; k < value; ++k) {
            const std::string& name = f[at++];
            if (ForgedName(name) || !seen.insert(name).second) return std::nullopt;
            names->push_back(name);
        }
    }
    if (at != f.size()) return std::nullopt;
    return journal;
}

std::string PairRecordPath(const TSaveOwner& owner, const std::string& pair) {
    return owner.RecordFolder + "PairSave-" + pair;
}

bool WritePairRecord(const TSaveOwner& owner, const std::string& pair) {
    if (owner.RecordFolder.empty() || !IsPairToken(pair)) return false;
    try {
        WriteFileAtomic(PairRecordPath(owner, pair), owner.Identity);
    } catch (...) {
        return false;
    }
    return SyncFolder(owner.RecordFolder);
}

void RemovePairRecord(const TSaveOwner& owner, const std::string& pair) {
    if (owner.RecordFolder.empty() || !IsPairToken(pair)) return;
    DeleteFileAt(PairRecordPath(owner, pair));
}

TSaveRecovery RecoverSave(const std::string& folder, const TSaveOwner& owner,
                          const std::function<void()>& onRolledForward) {
    if (folder.empty() || !DirectoryExists(folder)) return TSaveRecovery::Nothing;
    const std::string path = folder + kSaveJournalName;
    if (!FileExists(path)) {
        RemoveOwnTempFiles(folder);
        return TSaveRecovery::Nothing;
    }
    const std::optional<std::string> bytes = ReadWholeFile(path, kMaxJournalBytes);
    const std::optional<TSaveJournal> journal = bytes ? TSaveJournal::Decode(*bytes) : std::nullopt;
    // Damaged, or written by another storage (which may be saving there right now): nothing
    // can be said about the files, so none is touched.
    const bool own = !owner.Identity.empty() && journal && journal->Identity == owner.Identity;
    const bool shared = !owner.Shared.empty() && journal && journal->Identity == owner.Shared &&
                        journal->Pair.empty() && journal->Phase == TSavePhase::Commit;
    if (!own && !shared) return TSaveRecovery::Foreign;
    const bool committed = journal->Phase == TSavePhase::Commit ||
                           (!journal->Pair.empty() && FileExists(PairRecordPath(owner, journal->Pair)));
    TSaveRecovery outcome = TSaveRecovery::RolledBack;
    if (committed) {
        if (!RollForward(folder, *journal)) return TSaveRecovery::Failed;
        if (onRolledForward) onRolledForward();
        outcome = TSaveRecovery::RolledForward;
    }
    // The journal goes first: from then on every file of ours left is a temporary one.
    RemoveJournal(folder);
    RemoveOwnTempFiles(folder);
    SyncFolder(folder);
    return outcome;
}

TSaveResult SavePackFiles(const TSaveRequest& request) {
    TSaveJournal journal;
    const TSaveResult staged = StageSave(request, journal);
    if (staged != TSaveResult::Saved) return staged;
    return FinishSave(request, journal);
}

void AbandonSave(const std::string& target, const TSaveJournal& journal) {
    RemoveJournal(target);
    for (size_t i = 0; i < journal.NewNames.size(); ++i) DeleteFileAt(target + StagedNewName(i));
}

TSaveResult FinishSave(const TSaveRequest& request, const TSaveJournal& journal) {
    if (!RollForward(request.Target, journal)) return TSaveResult::Unfinished;
    try {
        if (request.OnCommitted) request.OnCommitted();
    } catch (...) {
        // The pack is saved; only the record of it could not be written.
    }
    RemoveJournal(request.Target);
    return TSaveResult::Saved;
}

TSaveResult StageSave(const TSaveRequest& request, TSaveJournal& journal) {
    const std::string& target = request.Target;
    if (FileExists(target + kSaveJournalName)) {
        const TSaveRecovery recovered = RecoverSave(target, request.Owner);
        if (recovered == TSaveRecovery::Failed) return TSaveResult::Failed;
        if (recovered == TSaveRecovery::Foreign) return TSaveResult::Foreign;
    }
    if (!IsStorageIdentity(request.Owner.Identity) || !(request.Pair.empty() || IsPairToken(request.Pair))) {
        return TSaveResult::Failed;
    }

    journal = TSaveJournal();
    journal.Identity = request.Owner.Identity;
    journal.Pair = request.Pair;
    journal.NewNames = request.Names;
    std::set<std::u32string> placed;
    for (const std::string& name : journal.NewNames) {
        if (ForgedName(name)) return TSaveResult::Failed;
        placed.insert(FoldedFileName(name));
    }
    // The target is read once: its pack files to replace, and anything else that holds a name
    // the save would place (a folder "aa.gif", say) and would block it on Windows.
    for (const TFolderEntry& entry : ListFolder(target)) {
        if (entry.IsFile && IsOwnTempName(entry.Name)) {
            DeleteFileAt(target + entry.Name);  // left by a kill before any journal was written
        } else if (entry.IsFile && IsPackFileName(entry.Name, request.PictureMask)) {
            journal.OldNames.push_back(entry.Name);
        } else if (placed.count(FoldedFileName(entry.Name)) != 0) {
            return TSaveResult::Blocked;
        }
    }

    // Until the journal exists the staged files are plain temporary files of ours, which any
    // recovery removes: a kill while copying leaves the old pack.
    auto dropStaged = [&](size_t count) {
        for (size_t i = 0; i < count; ++i) DeleteFileAt(target + StagedNewName(i));
    };
    TFlushBatch staged;
    for (size_t i = 0; i < journal.NewNames.size(); ++i) {
        if (request.OnFile) request.OnFile(journal.NewNames[i]);
        if (!CopyFileNew(request.Source + journal.NewNames[i], target + StagedNewName(i),
                         TDurability::Scratch, &staged)) {
            dropStaged(i);
            return TSaveResult::CopyFailed;
        }
    }
    // The staged files reach the disk before the journal that commits them can: a journal on
    // the disk with its files still in memory would, after a power cut, roll forward over the
    // user's pack with empty files. Each file's write-back started as it was copied; this waits
    // for them in one pass. A pair member is only staged by its journal: the pair record commits.
    staged.AddFolder(target);
    if (!staged.Flush()) {
        dropStaged(journal.NewNames.size());
        return TSaveResult::CopyFailed;
    }
    journal.Phase = request.Pair.empty() ? TSavePhase::Commit : TSavePhase::Stage;
    TFlushBatch commit;
    try {
        WriteFileAtomic(target + kSaveJournalName, journal.Encode(), TDurability::Scratch, &commit);
    } catch (...) {
        dropStaged(journal.NewNames.size());
        return TSaveResult::CopyFailed;
    }
    commit.AddFolder(target);
    if (!commit.Flush()) {
        RemoveJournal(target);
        dropStaged(journal.NewNames.size());
        return TSaveResult::CopyFailed;
    }

    return TSaveResult::Saved;
}

}  // namespace faceloom
