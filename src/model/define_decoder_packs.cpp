// Whole-pack operations: building the packs from the working copies, opening a pack folder,
// new, save, save as, close, and the question about unsaved work.

#include <algorithm>
#include <filesystem>
#include <set>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "model/edit_journal.h"
#include "model/pack_save.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "storage/config_manager.h"
#include "storage/storage_identity.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_manager.h"
#include "storage/user_folder_guard.h"
#include "storage/working_copy_swap.h"

namespace faceloom {

namespace {

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

// The same folder, also while one of them does not exist yet.
bool SameFolderPath(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    return IncludeTrailingSeparator(a) == IncludeTrailingSeparator(b) || SameFolder(a, b);
}

void RemoveOwnTempFiles(const std::string& folder) {
    for (const TFolderEntry& entry : ListFolder(folder)) {
        if (entry.IsFile && IsOwnTempName(entry.Name)) DeleteFileAt(folder + entry.Name);
    }
}

}  // namespace

// Switches the current pack for a whole-pack step and restores it afterwards, also when the
// step throws. The stored setting "Animated" is left alone: it is the same again afterwards.
class TDefineDecoder::TPackSwitch {
public:
    explicit TPackSwitch(TDefineDecoder& model) : model_(model), saved_(model.currentPack_) {}
    ~TPackSwitch() { model_.currentPack_ = saved_; }
    TPackSwitch(const TPackSwitch&) = delete;
    TPackSwitch& operator=(const TPackSwitch&) = delete;
    void To(uint8_t pack) { model_.currentPack_ = pack; }

private:
    TDefineDecoder& model_;
    uint8_t saved_;
};

// OnBeginUpdate now, OnEndUpdate when End is called or the scope is left on any path.
class TDefineDecoder::TUpdate {
public:
    explicit TUpdate(TDefineDecoder& model) : model_(model) { model_.Fire(model_.OnBeginUpdate); }
    ~TUpdate() {
        try {
            End();
        } catch (...) {
            // A handler that throws while the operation unwinds changes nothing more.
        }
    }
    TUpdate(const TUpdate&) = delete;
    TUpdate& operator=(const TUpdate&) = delete;
    void End() {
        if (ended_) return;
        ended_ = true;
        model_.Fire(model_.OnEndUpdate);
    }

private:
    TDefineDecoder& model_;
    bool ended_ = false;
};

// ---- working-copy state

void TDefineDecoder::SetWorkingPaths(uint8_t p) {
    TPack& pack = packs_[p];
    pack.Folder = pack.Storage->Path();
    pack.DefinePath = pack.Folder.empty() ? std::string() : pack.Folder + kDefineFileName;
}

void TDefineDecoder::ClearWorkingCopy() {
    TStorageManager& storage = *Current().Storage;
    // A link put in the working copy's place goes itself; the files it points to stay.
    if (EntryKind(storage.Path()) == TEntryKind::Link) {
        RemoveTree(storage.Path());
        Note(TModelError::LinkInStorage, storage.Path());
        ResetHistory(currentPack_);
        return;
    }
    storage.DeleteInStorage("*.ini");
    storage.DeleteInStorage(PictureMask(currentPack_));
    DeleteFileAt(storage.Path() + kEditJournalName);
    RemoveOwnTempFiles(storage.Path());
    RemoveTree(storage.Path() + kHistoryFolderName);
    ResetHistory(currentPack_);
}

TSaveOwner TDefineDecoder::Owner() const {
    return TSaveOwner{saveIdentity_.empty() ? identity_ : saveIdentity_,
                      configStorage_->Valid() ? configStorage_->Path() : std::string(),
                      PackToolIdentity(false)};
}

TPackState TDefineDecoder::RecordOf(uint8_t p) const {
    TPackState record;
    record.Allocated = record.Loaded = presentPacks_.Contains(p);
    record.PathAssigned = record.Loaded && sourcedPacks_.Contains(p);
    if (record.Loaded) {
        record.SourcePath = packs_[p].SourcePath;
        record.Seal = packs_[p].Seal;
    }
    return record;
}

void TDefineDecoder::WriteRecord(uint8_t p, const TPackState& record) {
    TStorageIniFile(*packs_[p].Storage).WritePackState(record, identity_);
    unreadableStates_.Exclude(p);
}

bool TDefineDecoder::AcknowledgeUnreadableStates() {
    return Run(false, [&] {
        for (uint8_t p = 0; p < kPackCount; ++p) {
            if (unreadableStates_.Contains(p) && presentPacks_.Contains(p)) WriteRecord(p, RecordOf(p));
        }
        return true;
    });
}

std::string TDefineDecoder::BaseSubFolder(const std::string& base, uint8_t p) {
    return base + PackFolderName(p) + kPathSeparator;
}

// At start-up, for a present pack: a save that was writing into a folder is finished or
// undone there (and a finished save as records its folder), an edit is finished, and
// temporary files of ours are removed. Only what the pack's checked record names is touched.
void TDefineDecoder::RecoverPack(uint8_t p, TPackState& record) {
    TPack& pack = packs_[p];
    try {
        const std::string target = record.PendingSave;
        if (!target.empty()) {
            TSaveRecovery outcome = TSaveRecovery::Failed;
            // Not while another program writes there: its staged files are not ours to remove.
            TFolderLock lock;
            if (!InsideStorageArea(target) && lock.Acquire(target, FolderLockFolder())) {
                outcome = RecoverSave(target, Owner(), [&] {
                    if (!record.PendingRebind) return;
                    record.PathAssigned = true;
                    record.SourcePath = target;
                    WriteRecord(p, record);
                    sourcedPacks_.Include(p);
                    pack.SourcePath = target;
                });
            }
            if (outcome == TSaveRecovery::Failed || outcome == TSaveRecovery::Foreign) {
                lastError_ = TModelError::RecoveryFailed;
            } else {
                // Rolled forward by a journal of ours, the folder holds what this storage wrote.
                if (outcome == TSaveRecovery::RolledForward && sourcedPacks_.Contains(p) &&
                    SameFolderPath(pack.SourcePath, target)) {
                    record.Seal = pack.Seal = FolderSeal(p, pack.SourcePath);
                }
                record.PendingSave.clear();
                WriteRecord(p, record);
            }
        }
        // An edit journal that is not ours keeps the files it may have parked.
        if (RecoverEdit(pack.Folder, identity_)) {
            RemoveOwnTempFiles(pack.Folder);
        } else {
            lastError_ = TModelError::RecoveryFailed;
        }
        RemoveOwnTempFiles(pack.Folder + std::string(kConfigFolder) + kPathSeparator);
    } catch (...) {
        lastError_ = TModelError::RecoveryFailed;
    }
}

// ---- loading

bool TDefineDecoder::LoadFromStorage() {
    return Run(false, [&] {
        if (loaded_) return true;
        TUpdate update(*this);
        {
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount; ++p) {
                if (!presentPacks_.Contains(p)) continue;
                restore.To(p);
                BuildFromWorkingCopy(p);
            }
        }
        update.End();
        loaded_ = true;
        return true;
    });
}

// The current pack's smiles made anew from its working copy.
void TDefineDecoder::BuildFromWorkingCopy(uint8_t p) {
    ReleaseSmiles(packs_[p]);
    std::vector<std::string> lines;
    ReadDefinition(lines);
    // The names' width follows what the working copy holds (three letters beyond 676).
    SyncNameWidth(p, lines.size());
    packs_[p].Smiles = BuildSmiles(packs_[p].Folder, lines);
    packs_[p].Built = true;
    RecallSourceNames(p);
    RelabelPack(p);
}

void TDefineDecoder::RecallSourceNames(uint8_t p) {
    TPack& pack = packs_[p];
    if (!sourcedPacks_.Contains(p) || pack.History.Modified() || pack.Seal.empty() ||
        FolderSeal(p, pack.SourcePath) != pack.Seal) {
        return;
    }
    std::vector<std::string> names = FindFiles(IncludeTrailingSeparator(pack.SourcePath) + PictureMask(p));
    SortPictureNames(names);
    for (size_t i = 0; i < names.size() && i < pack.Smiles.size(); ++i) pack.Smiles[i].SourceName = names[i];
}

void TDefineDecoder::ForgetSourceNames(uint8_t p) {
    for (TLabeledSmile& entry : packs_[p].Smiles) entry.SourceName.clear();
}

// A pack whose definition still waits to be written keeps its smiles: they hold the only copy
// of those signatures.
void TDefineDecoder::SetFramesAside(uint8_t p) {
    TPack& pack = packs_[p];
    // So does one whose edit waits to be put back: its list is the state to put back.
    if (!presentPacks_.Contains(p) || !pack.Built || pack.Stale || pack.RollBackPending) return;
    ReleaseSmiles(pack);
    framesAside_.Include(p);
}

void TDefineDecoder::RestoreFramesAside() {
    if (framesAside_.Empty()) return;
    const int32_t decodeErrors = decodeErrors_;
    TPackSwitch restore(*this);
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (!framesAside_.Contains(p)) continue;
        framesAside_.Exclude(p);
        restore.To(p);
        BuildFromWorkingCopy(p);
    }
    decodeErrors_ = decodeErrors;
}

void TDefineDecoder::Unload() {
    Run(false, [&] {
        if (!loaded_) return true;
        TPackSwitch restore(*this);
        for (uint8_t p = 0; p < kPackCount; ++p) {
            if (!presentPacks_.Contains(p)) continue;
            restore.To(p);
            // An edit of this session left half-way goes back now if it can: the list is what
            // it goes back to. (One left by a start is finished by the next start.)
            if (packs_[p].RollBackPending) SettleEdit(p);
            WriteDefinition();
            ReleaseSmiles(packs_[p]);
        }
        loaded_ = false;
        return true;
    });
}

bool TDefineDecoder::ImportPack(const std::string& folder) {
    return Run(false, [&] {
        const bool ok = ImportCurrentPack(folder);
        RestoreFramesAside();
        return ok;
    });
}

bool TDefineDecoder::ImportCurrentPack(const std::string& folder) {
    const std::string source = IncludeTrailingSeparator(folder);
    if (source.empty()) return Fail(TModelError::NotPresent, false);
    if (!StorageUsable(currentPack_)) return false;
    TUpdate update(*this);
    FirePhase(0, 0, 1);
    TStaged staged;
    if (!StageImport(source, staged) || !CommitStaged(staged)) return false;
    NoteChosen(source);
    update.End();
    loaded_ = true;
    return true;
}

// Builds the pack of source in the staging folder beside the working copy: its ".ini" files
// and pictures copied (every copy must succeed), the pictures given their canonical names,
// the smiles built, "_define.ini" in the editor's format and the state file naming the source.
// The working copy and its record are not touched.
bool TDefineDecoder::StageImport(const std::string& source, TStaged& staged) {
    const uint8_t p = currentPack_;
    TPack& pack = packs_[p];
    // A folder of the storage area (a working copy, say) is never recorded as a source: saving
    // there is refused, so such a pack has no folder yet.
    const bool inStorage = !externalBase_ && InsideStorageArea(source);
    const std::string recorded = externalBase_ ? BaseSubFolder(externalBasePath_, p)
                                 : inStorage   ? std::string()
                                               : source;
    if (!IniValueReadsBack(recorded)) return Fail(TModelError::PathNotStorable, false);
    // What the folder holds once opened vouches for it at the next start (a pair's missing
    // folder too).
    auto sealOf = [&] { return recorded.empty() ? std::string() : FolderSeal(p, recorded); };
    if (!DirectoryExists(source)) {
        // Never bound to a folder that is not there: saving later asks where to.
        if (!StageEmpty(externalBase_ ? recorded : std::string(), staged, sealOf())) return false;
        lastError_ = TModelError::FolderMissing;
        return true;
    }
    // Nobody else writes the folder while it is read and while the pack is bound to it.
    TFolderLock lock;
    if (!lock.Acquire(source, FolderLockFolder())) {
        if (!readFoldersInUse_ || FileExists(source + kSaveJournalName)) {
            lastErrorFile_ = source;
            return Fail(TModelError::FolderInUse, false);
        }
    } else {
        // A save of ours into that folder that was cut short is finished or undone first.
        switch (RecoverSave(source, Owner())) {
            case TSaveRecovery::Failed:
                return Fail(TModelError::RecoveryFailed, false);
            case TSaveRecovery::Foreign:
                return Fail(TModelError::ForeignSave, false);
            default:
                break;
        }
    }
    const std::string seal = sealOf();

    const std::string stagingSub = PackSubPath(modeName_, p) + ".~staging";
    NoteSwapLinks(p);
    TWorkingCopySwap::Abandon(pack.Storage->Path());
    const int savedWidth = pack.NameWidth;
    auto abandon = [&](TModelError error) {
        UnhookAll(staged.Smiles);
        staged.Smiles.clear();
        pack.NameWidth = savedWidth;
        TWorkingCopySwap::Abandon(pack.Storage->Path());
        return Fail(error, false);
    };
    try {
        TStorageManager stage(stagingSub);
        if (!stage.Valid()) return abandon(TModelError::CopyFailed);
        stage.OnFile = [this](TStorageManager&, const std::string& name) { FireFile(name, 1, 0); };
        stage.Flushes = &staged.Flushes;
        stage.CopyToStorage(source + "*.ini");
        if (stage.Failures() != 0) return abandon(TModelError::CopyFailed);

        const std::string folder = stage.Path();
        std::vector<std::string> lines;
        faceloom::ReadDefinition(folder + kDefineFileName, lines);
        std::vector<std::string> pictures;
        if (!StagePictures(source, folder, lines.size(), staged.Flushes, pictures)) {
            return abandon(TModelError::CopyFailed);
        }
        FirePhase(1, 0, 0);
        // The naming phase as the progress reports it: each picture under the name it came with.
        FirePhase(2, 0, static_cast<int32_t>(pictures.size()));
        for (size_t i = 0; i < pictures.size(); ++i) FireFile(pictures[i], static_cast<int32_t>(i), 0);
        SetFramesAside(p);
        staged.Smiles = BuildSmiles(folder, lines);
        // The user's names, for what the editor tells about the pictures.
        if (!recorded.empty()) {
            for (size_t i = 0; i < pictures.size() && i < staged.Smiles.size(); ++i)
                staged.Smiles[i].SourceName = pictures[i];
        }
        staged.NameWidth = pack.NameWidth;
        faceloom::WriteDefinition(folder + kDefineFileName, SignatureLines(staged.Smiles));
        TStorageIniFile state(stage);
        TPackState record;
        record.Allocated = record.Loaded = true;
        record.PathAssigned = !inStorage;
        record.SourcePath = recorded;
        record.Seal = seal;
        state.WritePackState(record, identity_);
        TPackState back;
        if (state.ReadPackState(identity_, back) != TPackStateRead::Valid || back != record) {
            return abandon(TModelError::PathNotStorable);
        }
        staged.Flushes.AddFile(state.FileName());
    } catch (const EInOutError&) {
        return abandon(TModelError::WriteFailed);
    } catch (...) {
        return abandon(TModelError::Unexpected);
    }
    pack.NameWidth = savedWidth;
    staged.Sourced = !inStorage;
    staged.SourcePath = recorded;
    staged.Seal = seal;
    if (staged.Sourced && recorded == source) staged.Lock = std::move(lock);
    return true;
}

// An empty pack in the staging folder: an empty "_define.ini" and the state of a new pack.
bool TDefineDecoder::StageEmpty(const std::string& sourcePath, TStaged& staged, const std::string& seal) {
    const uint8_t p = currentPack_;
    NoteSwapLinks(p);
    TWorkingCopySwap::Abandon(packs_[p].Storage->Path());
    try {
        TStorageManager stage(PackSubPath(modeName_, p) + ".~staging");
        if (!stage.Valid()) throw EInOutError::UnableToWrite(stage.Path());
        WriteFileAtomic(stage.Path() + kDefineFileName, "", TDurability::Scratch);
        TPackState record;
        record.Allocated = record.Loaded = true;
        record.SourcePath = sourcePath;
        record.Seal = seal;
        TStorageIniFile state(stage);
        state.WritePackState(record, identity_);
        staged.Flushes.AddFile(stage.Path() + kDefineFileName);
        staged.Flushes.AddFile(state.FileName());
    } catch (...) {
        TWorkingCopySwap::Abandon(packs_[p].Storage->Path());
        return Fail(TModelError::WriteFailed, false);
    }
    staged.Smiles.clear();
    staged.NameWidth = 2;
    staged.Sourced = false;
    staged.SourcePath = sourcePath;
    staged.Seal = seal;
    return true;
}

// Swaps the staged folder in as the working copy (its state file with it) and then takes the
// staged smiles as the pack.
bool TDefineDecoder::CommitStaged(TStaged& staged) {
    const uint8_t p = currentPack_;
    TPack& pack = packs_[p];
    if (!TWorkingCopySwap::Commit(pack.Storage->Path(), staged.Flushes)) {
        UnhookAll(staged.Smiles);
        TWorkingCopySwap::Abandon(pack.Storage->Path());
        return Fail(TModelError::WriteFailed, false);
    }
    ReleaseSmiles(pack);
    framesAside_.Exclude(p);
    unreadableStates_.Exclude(p);
    // The new working copy starts without history.
    ResetHistory(p);
    pack.Smiles = std::move(staged.Smiles);
    pack.Built = true;
    pack.NameWidth = staged.NameWidth;
    presentPacks_.Include(p);
    if (staged.Sourced) {
        sourcedPacks_.Include(p);
    } else {
        sourcedPacks_.Exclude(p);
    }
    pack.SourcePath = staged.SourcePath;
    pack.Seal = staged.Seal;
    pack.SourceLock = std::move(staged.Lock);
    SetWorkingPaths(p);
    RelabelPack(p);
    return true;
}

// Copies the pictures of source into the new staging folder, each straight under its
// canonical name, in name order, so picture k of the name order becomes the picture of smile
// k. The names are worked out first and every file is written once: nothing in the staging
// folder needs replacing or renaming, and no name can block another, also not one differing
// only in letter case. names: the pictures' names in the source, in that order. False when
// any copy fails.
bool TDefineDecoder::StagePictures(const std::string& source, const std::string& folder, size_t lineCount,
                                   TFlushBatch& flushes, std::vector<std::string>& names) {
    TPack& pack = Current();
    names = FindFiles(source + PictureMask(currentPack_));
    SortPictureNames(names);
    // One width for every picture, pictures beyond the lines included, so that the name order
    // stays the smile order.
    pack.NameWidth = PictureNameWidth(std::max(names.size(), lineCount));
    for (size_t i = 0; i < names.size(); ++i) {
        FireFile(names[i], 1, 0);
        if (!CopyFileNew(source + names[i], folder + PictureFileName(static_cast<int32_t>(i)),
                         TDurability::Scratch, &flushes)) {
            return false;
        }
    }
    return true;
}

TLabelList TDefineDecoder::BuildSmiles(const std::string& folder, const std::vector<std::string>& lines) {
    FirePhase(3, 0, static_cast<int32_t>(lines.size()));
    const uint8_t p = currentPack_;
    TLabelList smiles;
    smiles.reserve(lines.size());
    std::vector<TDecodeQueue::TItem> deferred;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string name = PictureFileName(static_cast<int32_t>(i));
        FireFile(name, static_cast<int32_t>(i + 1), decodeErrors_);
        TRef<TSmile> smile;
        if (deferDecoding_) {
            TSmile* instance = SmileClass ? SmileClass() : nullptr;
            smile.reset(instance ? instance : new TSmile());
            smile->Pending = true;
            deferred.push_back({smile.get(), folder + name, p});
        } else {
            smile = CreateSmile(folder + name, p);
        }
        std::vector<std::string> signatures;
        ParseSignatures(lines[i], signatures);
        smile->Signatures.Assign(std::move(signatures));
        Hook(*smile, p);
        if (smile->LoadError) ++decodeErrors_;
        std::string label = LabelOf(*smile);
        smiles.push_back({std::move(label), std::move(smile)});
    }
    decodeQueue_->Add(std::move(deferred));
    return smiles;
}

bool TDefineDecoder::NewCurrentPack() {
    return Run(false, [&] { return NewCurrentPackImpl(); });
}

bool TDefineDecoder::NewCurrentPackImpl() {
    if (!StorageUsable(currentPack_)) return false;
    TStaged staged;
    const std::string source = externalBase_ ? BaseSubFolder(externalBasePath_, currentPack_) : std::string();
    return StageEmpty(source, staged) && CommitStaged(staged);
}

bool TDefineDecoder::CloseCurrentPack() {
    return Run(false, [&] { return CloseCurrentPackImpl(); });
}

// The record goes first: a kill before the files are gone leaves an absent pack with some
// files, never a present pack that lost some.
bool TDefineDecoder::CloseCurrentPackImpl() {
    TPack& pack = Current();
    if (!presentPacks_.Contains(currentPack_)) {
        ReleaseSmiles(pack);
        return true;
    }
    // A link put in the working copy's place took the record's folder with it: only the link
    // is left to remove.
    if (EntryKind(pack.Folder) != TEntryKind::Link) {
        try {
            WriteRecord(currentPack_, TPackState());
        } catch (...) {
            return Fail(TModelError::WriteFailed, false);
        }
    }
    ReleaseSmiles(pack);
    ClearWorkingCopy();
    pack.SourceLock.Release();
    presentPacks_.Exclude(currentPack_);
    sourcedPacks_.Exclude(currentPack_);
    pack.Folder.clear();
    pack.DefinePath.clear();
    pack.SourcePath.clear();
    pack.Seal.clear();
    pack.NameWidth = 2;
    return true;
}

// ---- saving

// The working copy holds what the model says: its folder, "_define.ini" and the file of every
// smile that has a picture (or one that failed to decode).
bool TDefineDecoder::WorkingCopyWhole(uint8_t p, std::vector<std::string>& packFiles) const {
    const TPack& pack = packs_[p];
    if (!pack.Built || EntryKind(pack.Folder) != TEntryKind::Folder) return false;
    std::set<std::string> files;
    for (const TFolderEntry& entry : ListFolder(pack.Folder)) {
        if (!entry.IsFile || !IsPackFileName(entry.Name, PictureMask(p))) continue;
        files.insert(entry.Name);
        packFiles.push_back(entry.Name);
    }
    if (files.count(kDefineFileName) == 0) return false;
    for (size_t i = 0; i < pack.Smiles.size(); ++i) {
        const TSmile& smile = *pack.Smiles[i].Smile;
        if ((smile.Picture.load() != nullptr || smile.LoadError) &&
            files.count(NameOf(p, static_cast<int32_t>(i))) == 0) {
            return false;
        }
    }
    return true;
}

namespace {

TModelError SaveError(TSaveResult result) {
    switch (result) {
        case TSaveResult::Blocked:
            return TModelError::TargetBlocked;
        case TSaveResult::Foreign:
            return TModelError::ForeignSave;
        case TSaveResult::Unfinished:
            return TModelError::RecoveryFailed;
        default:
            return TModelError::CopyFailed;
    }
}

}  // namespace

bool TDefineDecoder::CheckTarget(uint8_t p, const std::string& target, std::vector<std::string>& packFiles) {
    if (!presentPacks_.Contains(p) || target.empty()) return Fail(TModelError::NotPresent, false);
    if (!SettleEdit(p)) return false;
    if (!IniValueReadsBack(target)) return Fail(TModelError::PathNotStorable, false);
    // The working copies and their records live there: a pack saved into the storage area
    // would be emptied by the next open or close.
    if (InsideStorageArea(target)) return Fail(TModelError::TargetInStorage, false);
    if (!WorkingCopyWhole(p, packFiles)) return Fail(TModelError::WorkingCopyDamaged, false);
    if (packs_[p].Stale && !WritePackDefinition(p)) return Fail(TModelError::WriteFailed, false);
    return true;
}

// Writes the working copy's pack files into folder, all or nothing; with rebind the folder
// becomes the pack's source. The folder is named in the record while the save runs, so that a
// start after a kill finds it and finishes or undoes the save.
bool TDefineDecoder::SaveTo(const std::string& folder, bool rebind) {
    const uint8_t p = currentPack_;
    TPack& pack = packs_[p];
    const std::string target = IncludeTrailingSeparator(folder);
    const uint8_t other = p ^ 1;
    if (presentPacks_.Contains(p) && presentPacks_.Contains(other) && sourcedPacks_.Contains(other) &&
        SameFolderPath(packs_[other].SourcePath, target)) {
        return Fail(TModelError::OtherPackSource, false);
    }
    std::vector<std::string> packFiles;
    if (!CheckTarget(p, target, packFiles)) return false;
    if (!ForceDirectories(target)) return Fail(TModelError::CopyFailed, false);
    TFolderLock lock;
    if (!lock.Acquire(target, FolderLockFolder())) {
        lastErrorFile_ = target;
        return Fail(TModelError::FolderInUse, false);
    }

    TPackState record = RecordOf(p);
    record.PendingSave = target;
    record.PendingRebind = rebind;
    WriteRecord(p, record);
    TSaveRequest request;
    request.Source = pack.Folder;
    request.Names = std::move(packFiles);
    request.Target = target;
    request.PictureMask = PictureMask(p);
    request.Owner = Owner();
    request.OnFile = [this](const std::string& name) { FireFile(name, 1, 0); };
    request.OnCommitted = [&] {
        if (!rebind) return;
        record.PathAssigned = true;
        record.SourcePath = target;
        WriteRecord(p, record);
    };
    const TSaveResult result = SavePackFiles(request);
    if (result == TSaveResult::Saved) SealSaved(p, target, record);
    // An unfinished save keeps its record: the next start completes it.
    if (result != TSaveResult::Unfinished) {
        try {
            record.PendingSave.clear();
            WriteRecord(p, record);
        } catch (...) {
            // The next start finds the save finished and only clears the record.
        }
    }
    if (result != TSaveResult::Saved) return Fail(SaveError(result), false);
    if (rebind) {
        pack.SourcePath = target;
        pack.SourceLock = std::move(lock);
        sourcedPacks_.Include(p);
    }
    if (sourcedPacks_.Contains(p) && SameFolderPath(pack.SourcePath, target)) ForgetSourceNames(p);
    MarkSaved(p);
    return true;
}

// Both packs are staged in their folders, each under a journal naming the pair, before one
// record commits them together; only then does either folder change. A failure before the
// record leaves both folders as they were; after it both go forward, now or at the next start.
bool TDefineDecoder::SavePair(const std::string (&folders)[kPackCount], const bool (&rebind)[kPackCount]) {
    std::string targets[kPackCount];
    std::vector<std::string> files[kPackCount];
    for (uint8_t p = 0; p < kPackCount; ++p) {
        targets[p] = IncludeTrailingSeparator(folders[p]);
        if (!CheckTarget(p, targets[p], files[p])) return false;
    }
    if (SameFolderPath(targets[0], targets[1])) return Fail(TModelError::OtherPackSource, false);
    for (const std::string& target : targets) {
        if (!ForceDirectories(target)) return Fail(TModelError::CopyFailed, false);
    }
    TFolderLock locks[kPackCount];
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (!locks[p].Acquire(targets[p], FolderLockFolder())) {
            lastErrorFile_ = targets[p];
            return Fail(TModelError::FolderInUse, false);
        }
    }

    const TSaveOwner owner = Owner();
    const std::string pair = RandomToken(16);
    TPackState records[kPackCount];
    TSaveRequest requests[kPackCount];
    TSaveJournal journals[kPackCount];
    bool staged[kPackCount] = {false, false};
    auto undo = [&](TModelError error) {
        for (uint8_t p = 0; p < kPackCount; ++p) {
            if (staged[p]) AbandonSave(targets[p], journals[p]);
        }
        for (uint8_t p = 0; p < kPackCount; ++p) {
            try {
                WriteRecord(p, RecordOf(p));
            } catch (...) {
                // The next start finds no journal of this save and only clears the record.
            }
        }
        return Fail(error, false);
    };
    try {
        for (uint8_t p = 0; p < kPackCount; ++p) {
            records[p] = RecordOf(p);
            records[p].PendingSave = targets[p];
            records[p].PendingRebind = rebind[p];
            records[p].PendingPair = pair;
            WriteRecord(p, records[p]);
        }
    } catch (...) {
        return undo(TModelError::WriteFailed);
    }
    for (uint8_t p = 0; p < kPackCount; ++p) {
        TSaveRequest& request = requests[p];
        request.Source = packs_[p].Folder;
        request.Names = std::move(files[p]);
        request.Target = targets[p];
        request.PictureMask = PictureMask(p);
        request.Owner = owner;
        request.Pair = pair;
        request.OnFile = [this](const std::string& name) { FireFile(name, 1, 0); };
        request.OnCommitted = [this, p, &records, &targets, &rebind] {
            if (!rebind[p]) return;
            records[p].PathAssigned = true;
            records[p].SourcePath = targets[p];
            WriteRecord(p, records[p]);
        };
        const TSaveResult result = StageSave(request, journals[p]);
        if (result != TSaveResult::Saved) return undo(SaveError(result));
        staged[p] = true;
    }
    if (!WritePairRecord(owner, pair)) return undo(TModelError::WriteFailed);

    // Committed: both go forward.
    bool finished[kPackCount];
    for (uint8_t p = 0; p < kPackCount; ++p) {
        finished[p] = FinishSave(requests[p], journals[p]) == TSaveResult::Saved;
        if (!finished[p]) continue;
        SealSaved(p, targets[p], records[p]);
        try {
            records[p].PendingSave.clear();
            WriteRecord(p, records[p]);
        } catch (...) {
            // The next start finds this folder finished and only clears the record.
        }
        if (rebind[p]) {
            packs_[p].SourcePath = targets[p];
            packs_[p].SourceLock = std::move(locks[p]);
            sourcedPacks_.Include(p);
        }
        if (sourcedPacks_.Contains(p) && SameFolderPath(packs_[p].SourcePath, targets[p]))
            ForgetSourceNames(p);
        MarkSaved(p);
    }
    if (!finished[0] || !finished[1]) return Fail(TModelError::RecoveryFailed, false);
    RemovePairRecord(owner, pair);
    return true;
}

bool TDefineDecoder::SaveCurrentPack() {
    return Run(false, [&] { return SaveCurrentPackImpl(); });
}

bool TDefineDecoder::SaveCurrentPackImpl() {
    if (!presentPacks_.Contains(currentPack_)) return Fail(TModelError::NotPresent, false);
    TPack& pack = Current();
    const bool sourced = sourcedPacks_.Contains(currentPack_);
    // A new pack under an imposed base folder has its place there already.
    if (!sourced && !(externalBase_ && !pack.SourcePath.empty())) return Fail(TModelError::NotPresent, false);
    if (ConfirmFolder(currentPack_, 0, pack.SourcePath)) return SaveTo(pack.SourcePath, !sourced);
    // Not confirmed: the folder is asked for, as for a pack without one.
    bool accepted = false;
    const std::string path = AskFolder(0, accepted);
    if (!accepted) return false;
    return SaveTo(IncludeTrailingSeparator(ExtractFilePath(path)), true);
}

bool TDefineDecoder::SaveCurrentPackTo(const std::string& folder) {
    return Run(false, [&] { return SaveTo(folder, true); });
}

void TDefineDecoder::StorePairState(bool assigned, const std::string& path) {
    bothPathsAssigned_ = assigned;
    bothPath_ = path;
    config_->WriteBool(TConfigBoolKey::BothPathsAssigned, assigned);
    config_->WriteString(TConfigStringKey::BothPath, path);
}

void TDefineDecoder::ResetPairState() {
    if (externalBase_) {
        StorePairState(true, externalBasePath_);
    } else {
        StorePairState(false, "");
    }
}

namespace {

// One line per entry of a pack's kind: its name, and for a regular file its size, time of
// last change and file identity. Sorted, so the directory's order does not matter.
std::string FolderListing(const std::string& folder, const std::string& pictureMask) {
    std::vector<std::string> lines;
    for (const TFolderEntry& entry : ListFolder(folder)) {
        if (!IsPackFileName(entry.Name, pictureMask)) continue;
        std::string line = entry.Name + (entry.IsFile ? "\tf" : "\to");
        if (entry.IsFile) {
            std::error_code ec;
            const std::filesystem::path path = folder + entry.Name;
            const uintmax_t size = std::filesystem::file_size(path, ec);
            const auto time = std::filesystem::last_write_time(path, ec).time_since_epoch().count();
            line += "\t" + std::to_string(size) + "\t" + std::to_string(time) + "\t" +
                    std::to_string(entry.Inode);
        }
        lines.push_back(std::move(line));
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace

std::string TDefineDecoder::FolderSeal(uint8_t p, const std::string& folder) const {
    const std::string path = IncludeTrailingSeparator(folder);
    return KeyedCheck(identity_, "seal\n" + path + "\n" + FolderListing(path, PictureMask(p)));
}

bool TDefineDecoder::Vouched(uint8_t p, const std::string& folder) const {
    const std::string path = IncludeTrailingSeparator(folder);
    if (path.empty()) return false;
    for (const std::string& chosen : chosenFolders_) {
        if (SameFolderPath(chosen, path)) return true;
    }
    return !packs_[p].Seal.empty() && packs_[p].Seal == FolderSeal(p, path);
}

void TDefineDecoder::NoteChosen(const std::string& folder) {
    const std::string path = IncludeTrailingSeparator(folder);
    if (path.empty() || std::find(chosenFolders_.begin(), chosenFolders_.end(), path) != chosenFolders_.end())
        return;
    chosenFolders_.push_back(path);
}

bool TDefineDecoder::ConfirmFolder(uint8_t p, int32_t kind, const std::string& folder) {
    if (Vouched(p, folder)) return true;
    bool confirmed = false;
    Fire(OnConfirmFolder, kind, IncludeTrailingSeparator(folder), confirmed);
    if (confirmed) NoteChosen(folder);
    return confirmed;
}

void TDefineDecoder::SealSaved(uint8_t p, const std::string& folder, TPackState& record) {
    NoteChosen(folder);
    record.Seal = packs_[p].Seal = FolderSeal(p, folder);
}

std::string TDefineDecoder::AskFolder(int32_t kind, bool& accepted) {
    accepted = false;
    std::string path = bothPath_;
    if (kind == 0 && !Current().SourcePath.empty()) path = Current().SourcePath;
    Fire(OnSelectFolder, kind, path, accepted);
    if (!accepted) lastError_ = TModelError::Cancelled;
    return path;
}

// ---- whole-pack operations

bool TDefineDecoder::QuerySave() {
    return Run(false, [&] { return QuerySaveImpl(); });
}

// Asks only when a pack that the coming operation drops differs from what was last opened or
// saved (the title's "*"): in the both-packs mode that is either pack, not only the current
// one. "Save" that fails (or whose folder choice is cancelled) keeps the work too.
bool TDefineDecoder::QuerySaveImpl() {
    const bool atStake = bothMode_ ? Modified(0) || Modified(1) : Modified(currentPack_);
    if (!atStake) return true;
    int32_t answer = 1;
    Fire(OnQuerySave, answer);
    switch (answer) {
        case 0:
            return SaveImpl();
        case 1:
            return true;
        default:
            return Fail(TModelError::Cancelled, false);
    }
}

bool TDefineDecoder::NewPack() {
    return Run(false, [&] {
        if (!QuerySaveImpl()) return false;
        bool ok = true;
        if (bothMode_) {
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount && ok; ++p) {
                restore.To(p);
                ok = NewCurrentPackImpl();
            }
        } else {
            ok = NewCurrentPackImpl();
        }
        if (ok) ResetPairState();
        return ok;
    });
}

// In the both-packs mode both packs are staged before either is swapped in, so a failure of
// the second leaves the first as it was too. A base folder with only one of its sub-folders
// opens that one and gives the other an empty pack without folder.
bool TDefineDecoder::OpenPack(const std::string& path) {
    return Run(false, [&] {
        const bool ok = OpenPackImpl(path);
        RestoreFramesAside();
        return ok;
    });
}

bool TDefineDecoder::OpenPackImpl(const std::string& path) {
    if (!QuerySaveImpl()) return false;
    if (bothMode_) {
        const std::string base = IncludeTrailingSeparator(path);
        if (base.empty()) return Fail(TModelError::NotPresent, false);
        bool anyFolder = false;
        {
            TPackSwitch restore(*this);
            TStaged staged[kPackCount];
            for (uint8_t p = 0; p < kPackCount; ++p) {
                if (!StorageUsable(p)) return false;
            }
            for (uint8_t p = 0; p < kPackCount; ++p) {
                restore.To(p);
                const std::string folder = BaseSubFolder(base, p);
                anyFolder |= DirectoryExists(folder);
                TUpdate update(*this);
                FirePhase(0, 0, 1);
                if (!StageImport(folder, staged[p])) {
                    for (uint8_t q = 0; q < p; ++q) {
                        restore.To(q);
                        UnhookAll(staged[q].Smiles);
                        TWorkingCopySwap::Abandon(packs_[q].Storage->Path());
                    }
                    return false;
                }
            }
            const TModelError note = lastError_;
            for (uint8_t p = 0; p < kPackCount; ++p) {
                restore.To(p);
                if (!CommitStaged(staged[p])) return false;
                NoteChosen(BaseSubFolder(base, p));
            }
            lastError_ = note;
            loaded_ = true;
        }
        if (anyFolder) {
            StorePairState(true, externalBase_ ? externalBasePath_ : base);
        } else {
            ResetPairState();
        }
        return true;
    }
    const std::string folder = IncludeTrailingSeparator(ExtractFilePath(path));
    if (folder.empty()) return Fail(TModelError::NotPresent, false);
    const bool ok = ImportCurrentPack(folder);
    if (ok) ResetPairState();
    return ok;
}

bool TDefineDecoder::Save() {
    return Run(false, [&] { return SaveImpl(); });
}

bool TDefineDecoder::SaveImpl() {
    if (!bothMode_) {
        const TPack& pack = Current();
        const bool placed =
            sourcedPacks_.Contains(currentPack_) || (externalBase_ && !pack.SourcePath.empty());
        if (!presentPacks_.Contains(currentPack_) || placed) return SaveCurrentPackImpl();
        // A pack without a folder yet asks for one, as Save As would.
        bool accepted = false;
        const std::string path = AskFolder(0, accepted);
        if (!accepted) return false;
        return SaveTo(IncludeTrailingSeparator(ExtractFilePath(path)), true);
    }
    if (presentPacks_.Count() == kPackCount) {
        // The base folder comes from the settings, which anyone can edit: each folder of the
        // pair is written without a question only when vouched for, else it is confirmed or
        // a base folder is asked for.
        if (bothPathsAssigned_) {
            std::string folders[kPackCount];
            bool rebind[kPackCount];
            for (uint8_t p = 0; p < kPackCount; ++p) {
                // A pack of the pair without a folder of its own takes its sub-folder of the base.
                if (sourcedPacks_.Contains(p)) {
                    folders[p] = packs_[p].SourcePath;
                    rebind[p] = false;
                } else {
                    folders[p] = externalBase_ && !packs_[p].SourcePath.empty() ? packs_[p].SourcePath
                                                                                : BaseSubFolder(bothPath_, p);
                    rebind[p] = true;
                }
            }
            bool confirmed = true;
            for (uint8_t p = 0; p < kPackCount && confirmed; ++p) confirmed = ConfirmFolder(p, 1, folders[p]);
            if (confirmed) return SavePair(folders, rebind);
        }
        bool accepted = false;
        const std::string folder = AskFolder(1, accepted);
        if (!accepted) return false;
        const bool ok = SaveAsImpl(folder);
        if (ok) StorePairState(true, externalBase_ ? externalBasePath_ : IncludeTrailingSeparator(folder));
        return ok;
    }
    bool ok = true;
    TPackSwitch restore(*this);
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (!presentPacks_.Contains(p)) continue;
        restore.To(p);
        if (sourcedPacks_.Contains(p) || (externalBase_ && !packs_[p].SourcePath.empty())) {
            if (ok) ok = SaveCurrentPackImpl();
            continue;
        }
        bool accepted = false;
        const std::string path = AskFolder(0, accepted);
        if (!accepted) return false;
        if (ok) ok = SaveTo(IncludeTrailingSeparator(ExtractFilePath(path)), true);
    }
    return ok;
}

bool TDefineDecoder::SaveAs(const std::string& path) {
    return Run(false, [&] { return SaveAsImpl(path); });
}

// In the both-packs mode only the packs that are present are written: a pair with one pack
// still saves that one (into its sub-folder) instead of failing on the absent one.
bool TDefineDecoder::SaveAsImpl(const std::string& path) {
    if (bothMode_) {
        const std::string base = IncludeTrailingSeparator(path);
        if (base.empty() || presentPacks_.Empty()) return Fail(TModelError::NotPresent, false);
        if (!IniValueReadsBack(base)) return Fail(TModelError::PathNotStorable, false);
        bool ok = true;
        if (presentPacks_.Count() == kPackCount) {
            const std::string folders[kPackCount] = {BaseSubFolder(base, kStaticPack),
                                                     BaseSubFolder(base, kAnimatedPack)};
            const bool rebind[kPackCount] = {true, true};
            ok = SavePair(folders, rebind);
        } else {
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount && ok; ++p) {
                if (!presentPacks_.Contains(p)) continue;
                restore.To(p);
                ok = SaveTo(BaseSubFolder(base, p), true);
            }
        }
        if (ok) StorePairState(true, externalBase_ ? externalBasePath_ : base);
        return ok;
    }
    const std::string folder = IncludeTrailingSeparator(ExtractFilePath(path));
    if (folder.empty()) return Fail(TModelError::NotPresent, false);
    const bool ok = SaveTo(folder, true);
    if (ok) ResetPairState();
    return ok;
}

bool TDefineDecoder::ClosePack() {
    return Run(false, [&] {
        if (!QuerySaveImpl()) return false;
        Fire(OnBeforeClose);
        bool ok = true;
        if (bothMode_) {
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount && ok; ++p) {
                restore.To(p);
                ok = CloseCurrentPackImpl();
            }
        } else {
            ok = CloseCurrentPackImpl();
        }
        if (ok) ResetPairState();
        return ok;
    });
}

}  // namespace faceloom
