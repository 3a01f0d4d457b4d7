// Whole-pack operations: building the packs from the working copies, opening a pack folder,
// new, save, save as, close, and the question about unsaved work.

#include <filesystem>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/config_manager.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_manager.h"

namespace faceloom {

namespace {

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

// Names of the files of a pack in a folder: every ".ini" file and the pictures of its kind.
std::vector<std::string> PackFiles(const std::string& folder, const std::string& pictureMask) {
    std::vector<std::string> names = FindFiles(folder + "*.ini");
    for (std::string& name : FindFiles(folder + pictureMask)) names.push_back(std::move(name));
    return names;
}

std::string StagedName(const char* kind, size_t i) {
    return ".~faceloom-save-" + std::string(kind) + "-" + std::to_string(i) + ".tmp";
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

// ---- working-copy state

void TDefineDecoder::SetWorkingPaths(uint8_t p) {
    TPack& pack = packs_[p];
    pack.Folder = pack.Storage->Path();
    pack.DefinePath = pack.Folder.empty() ? std::string() : pack.Folder + kDefineFileName;
}

void TDefineDecoder::ClearWorkingCopy() {
    TStorageManager& storage = *Current().Storage;
    storage.DeleteInStorage("*.ini");
    storage.DeleteInStorage(PictureMask(currentPack_));
}

void TDefineDecoder::WriteStorageState(bool allocated, bool pathAssigned, bool loaded,
                                       const std::string& sourcePath) {
    TStorageIniFile state(*Current().Storage);
    state.WriteBool(TStorageBoolKey::StorageAllocated, allocated);
    state.WriteBool(TStorageBoolKey::PathAssigned, pathAssigned);
    state.WriteBool(TStorageBoolKey::SmiliesLoaded, loaded);
    state.WriteString(TStorageStringKey::SourcePath, sourcePath);
}

std::string TDefineDecoder::BaseSubFolder(const std::string& base, uint8_t p) {
    return base + PackFolderName(p) + kPathSeparator;
}

// ---- loading

void TDefineDecoder::LoadFromStorage() {
    if (loaded_) return;
    if (OnBeginUpdate) OnBeginUpdate(*this);
    {
        TPackSwitch restore(*this);
        for (uint8_t p = 0; p < kPackCount; ++p) {
            if (!presentPacks_.Contains(p)) continue;
            restore.To(p);
            ReleaseSmiles(packs_[p]);
            std::vector<std::string> lines;
            ReadDefinition(lines);
            // The names' width follows what the working copy holds (three letters beyond 676).
            SyncNameWidth(p, lines.size());
            BuildSmiles(lines);
        }
    }
    if (OnEndUpdate) OnEndUpdate(*this);
    loaded_ = true;
}

void TDefineDecoder::Unload() {
    if (!loaded_) return;
    TPackSwitch restore(*this);
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (!presentPacks_.Contains(p)) continue;
        restore.To(p);
        WriteDefinition();
        ReleaseSmiles(packs_[p]);
    }
    loaded_ = false;
}

bool TDefineDecoder::ImportPack(const std::string& folder) {
    TPack& pack = Current();
    const std::string source = IncludeTrailingSeparator(folder);
    if (source.empty() || !pack.Storage->Valid()) return false;
    ReleaseSmiles(pack);
    if (OnBeginUpdate) OnBeginUpdate(*this);
    // Every begin gets its end, also when the load throws; on success the end comes before
    // Loaded is set, as after LoadFromStorage.
    struct TEndUpdate {
        TDefineDecoder& model;
        bool fired = false;
        void Fire() {
            if (fired) return;
            fired = true;
            if (model.OnEndUpdate) model.OnEndUpdate(model);
        }
        ~TEndUpdate() { Fire(); }
    } endUpdate{*this};

    FirePhase(0, 0, 1);
    SetWorkingPaths(currentPack_);
    // Opening the working copy itself: its files are the pack already, and emptying it first
    // would destroy them.
    const bool inPlace = SameFolder(source, pack.Folder);
    // Emptied also when the pack was not present, so that leftovers of an interrupted run
    // never mix with the pack.
    if (!inPlace) ClearWorkingCopy();
    presentPacks_.Include(currentPack_);
    sourcedPacks_.Include(currentPack_);
    pack.SourcePath = externalBase_ ? BaseSubFolder(externalBasePath_, currentPack_) : source;
    if (!inPlace) {
        pack.Storage->CopyToStorage(source + "*.ini");
        pack.Storage->CopyToStorage(source + PictureMask(currentPack_));
    }
    WriteStorageState(true, true, true, pack.SourcePath);

    std::vector<std::string> lines;
    ReadDefinition(lines);
    NormalizePictures(lines.size());
    BuildSmiles(lines);
    WriteDefinition();
    endUpdate.Fire();
    loaded_ = true;
    return true;
}

void TDefineDecoder::NormalizePictures(size_t lineCount) {
    TPack& pack = Current();
    std::vector<std::string> names = FindFiles(pack.Folder + PictureMask(currentPack_));
    SortPictureNames(names);
    // One width for every picture, pictures beyond the lines included, so that the name order
    // stays the smile order.
    pack.NameWidth = PictureNameWidth(std::max(names.size(), lineCount));
    FirePhase(2, 0, static_cast<int32_t>(names.size()));
    // All renames in one pass over the folder (renaming one by one would read the folder once
    // per picture); then the reports, in the same order and with the same running counts.
    std::vector<std::pair<std::string, std::string>> renames;
    std::vector<size_t> renamed;  // index into names of each pair
    for (size_t i = 0; i < names.size(); ++i) {
        std::string target = PictureFileName(static_cast<int32_t>(i));
        if (names[i] == target) continue;
        renames.emplace_back(names[i], std::move(target));
        renamed.push_back(i);
    }
    const std::vector<bool> done = RenameNoReplaceInFolder(pack.Folder, renames);
    std::vector<bool> failed(names.size(), false);
    for (size_t k = 0; k < renamed.size(); ++k) failed[renamed[k]] = !done[k];
    int32_t failures = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (failed[i]) ++failures;
        FireFile(names[i], static_cast<int32_t>(i), failures);
    }
}

void TDefineDecoder::BuildSmiles(const std::vector<std::string>& lines) {
    FirePhase(3, 0, static_cast<int32_t>(lines.size()));
    const uint8_t p = currentPack_;
    TPack& pack = packs_[p];
    loadErrors_[p] = missingFiles_[p] = noSignatures_[p] = 0;
    pack.Smiles.reserve(pack.Smiles.size() + lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string name = PictureFileName(static_cast<int32_t>(i));
        FireFile(name, static_cast<int32_t>(i + 1), decodeErrors_);
        TRef<TSmile> smile = CreateSmile(pack.Folder + name, p);
        std::vector<std::string> signatures;
        ParseSignatures(lines[i], signatures);
        if (signatures.empty()) ++noSignatures_[p];
        smile->Signatures.Assign(std::move(signatures));
        Hook(*smile, p);
        if (smile->LoadError) {
            ++loadErrors_[p];
            ++decodeErrors_;
        } else if (smile->Picture.load() == nullptr) {
            ++missingFiles_[p];
        }
        std::string label = LabelOf(*smile);
        pack.Smiles.push_back({std::move(label), std::move(smile)});
    }
    pack.Built = true;
}

bool TDefineDecoder::NewCurrentPack() {
    TPack& pack = Current();
    if (!pack.Storage->Valid()) return false;
    ReleaseSmiles(pack);
    SetWorkingPaths(currentPack_);
    ClearWorkingCopy();
    presentPacks_.Include(currentPack_);
    sourcedPacks_.Exclude(currentPack_);
    try {
        WriteFileAtomic(pack.DefinePath, "");
    } catch (const EInOutError&) {
        // An empty pack reads the same without the file.
    }
    pack.NameWidth = 2;
    pack.Built = true;
    pack.SourcePath = externalBase_ ? BaseSubFolder(externalBasePath_, currentPack_) : std::string();
    WriteStorageState(true, false, true, pack.SourcePath);
    return true;
}

bool TDefineDecoder::CloseCurrentPack() {
    TPack& pack = Current();
    ReleaseSmiles(pack);
    if (!presentPacks_.Contains(currentPack_)) return true;
    ClearWorkingCopy();
    presentPacks_.Exclude(currentPack_);
    sourcedPacks_.Exclude(currentPack_);
    pack.Folder.clear();
    pack.DefinePath.clear();
    pack.SourcePath.clear();
    pack.NameWidth = 2;
    WriteStorageState(false, false, false, "");
    return true;
}

// ---- saving

// Writes the working copy's pack files into folder so that a failure at any point leaves the
// folder's previous pack as it was: the new files are copied in under temporary names first;
// only when all copies succeeded are the old ".ini" files and pictures set aside, the new files
// given their names and the old ones deleted. Any failure undoes what was done.
bool TDefineDecoder::WritePackTo(const std::string& folder) {
    const TPack& pack = Current();
    const std::string mask = PictureMask(currentPack_);
    if (folder.empty() || pack.Folder.empty() || !ForceDirectories(folder)) return false;
    if (SameFolder(folder, pack.Folder)) return true;

    const std::vector<std::string> newNames = PackFiles(pack.Folder, mask);
    size_t staged = 0;
    auto dropStaged = [&] {
        for (size_t i = 0; i < staged; ++i) DeleteFileAt(folder + StagedName("new", i));
    };
    for (; staged < newNames.size(); ++staged) {
        FireFile(newNames[staged], 1, 0);
        if (!CopyFileReplacing(pack.Folder + newNames[staged], folder + StagedName("new", staged))) {
            dropStaged();
            return false;
        }
    }

    const std::vector<std::string> oldNames = PackFiles(folder, mask);
    size_t aside = 0;
    auto restoreOld = [&] {
        for (size_t i = 0; i < aside; ++i)
            RenameNoReplace(folder + StagedName("old", i), folder + oldNames[i]);
    };
    for (; aside < oldNames.size(); ++aside) {
        FireFile(oldNames[aside], 1, 0);
        const std::string parked = folder + StagedName("old", aside);
        DeleteFileAt(parked);
        if (!RenameNoReplace(folder + oldNames[aside], parked)) {
            restoreOld();
            dropStaged();
            return false;
        }
    }

    for (size_t placed = 0; placed < newNames.size(); ++placed) {
        if (!RenameNoReplace(folder + StagedName("new", placed), folder + newNames[placed])) {
            for (size_t i = 0; i < placed; ++i)
                RenameNoReplace(folder + newNames[i], folder + StagedName("new", i));
            dropStaged();
            restoreOld();
            return false;
        }
    }
    for (size_t i = 0; i < oldNames.size(); ++i) DeleteFileAt(folder + StagedName("old", i));
    return true;
}

bool TDefineDecoder::SaveCurrentPack() {
    if (!presentPacks_.Contains(currentPack_)) return false;
    TPack& pack = Current();
    if (sourcedPacks_.Contains(currentPack_)) return WritePackTo(pack.SourcePath);
    // A new pack under an imposed base folder has its place there already.
    if (externalBase_ && !pack.SourcePath.empty()) return SaveCurrentPackTo(pack.SourcePath);
    return false;
}

bool TDefineDecoder::SaveCurrentPackTo(const std::string& folder) {
    if (!presentPacks_.Contains(currentPack_)) return false;
    const std::string target = IncludeTrailingSeparator(folder);
    if (!WritePackTo(target)) return false;
    Current().SourcePath = target;
    sourcedPacks_.Include(currentPack_);
    TStorageIniFile state(*Current().Storage);
    state.WriteBool(TStorageBoolKey::PathAssigned, true);
    state.WriteString(TStorageStringKey::SourcePath, target);
    return true;
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

std::string TDefineDecoder::AskFolder(int32_t kind, bool& accepted) {
    accepted = false;
    std::string path = bothPath_;
    if (kind == 0 && !Current().SourcePath.empty()) path = Current().SourcePath;
    if (OnSelectFolder) OnSelectFolder(*this, kind, path, accepted);
    return path;
}

// ---- whole-pack operations

// Asks whenever a pack that the coming operation drops is present: in the both-packs mode
// that is either pack, not only the current one. "Save" that fails keeps the work too.
bool TDefineDecoder::QuerySave() {
    const bool atStake = bothMode_ ? !presentPacks_.Empty() : presentPacks_.Contains(currentPack_);
    if (!atStake) return true;
    int32_t answer = 1;
    if (OnQuerySave) OnQuerySave(*this, answer);
    switch (answer) {
        case 0:
            return Save();
        case 1:
            return true;
        default:
            return false;
    }
}

bool TDefineDecoder::NewPack() {
    if (!QuerySave()) return false;
    bool ok = true;
    if (bothMode_) {
        TPackSwitch restore(*this);
        for (uint8_t p = 0; p < kPackCount && ok; ++p) {
            restore.To(p);
            ok = NewCurrentPack();
        }
    } else {
        ok = NewCurrentPack();
    }
    if (ok) ResetPairState();
    return ok;
}

bool TDefineDecoder::OpenPack(const std::string& path) {
    if (!QuerySave()) return false;
    if (bothMode_) {
        const std::string base = IncludeTrailingSeparator(path);
        if (base.empty()) return false;
        bool ok = true;
        {
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount && ok; ++p) {
                restore.To(p);
                ok = ImportPack(BaseSubFolder(base, p));
            }
        }
        if (ok) StorePairState(true, externalBase_ ? externalBasePath_ : base);
        return ok;
    }
    const std::string folder = IncludeTrailingSeparator(ExtractFilePath(path));
    if (folder.empty()) return false;
    const bool ok = ImportPack(folder);
    if (ok) ResetPairState();
    return ok;
}

bool TDefineDecoder::Save() {
    if (!bothMode_) return SaveCurrentPack();
    if (presentPacks_.Count() == kPackCount) {
        if (bothPathsAssigned_) {
            bool ok = true;
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount && ok; ++p) {
                restore.To(p);
                ok = SaveCurrentPack();
            }
            return ok;
        }
        bool accepted = false;
        const std::string folder = AskFolder(1, accepted);
        if (!accepted) return false;
        const bool ok = SaveAs(folder);
        if (ok) StorePairState(true, externalBase_ ? externalBasePath_ : IncludeTrailingSeparator(folder));
        return ok;
    }
    bool ok = true;
    TPackSwitch restore(*this);
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (!presentPacks_.Contains(p)) continue;
        restore.To(p);
        if (sourcedPacks_.Contains(p) || (externalBase_ && !packs_[p].SourcePath.empty())) {
            if (ok) ok = SaveCurrentPack();
            continue;
        }
        bool accepted = false;
        const std::string path = AskFolder(0, accepted);
        if (!accepted) return false;
        if (ok) ok = SaveCurrentPackTo(IncludeTrailingSeparator(ExtractFilePath(path)));
    }
    return ok;
}

// In the both-packs mode only the packs that are present are written: a pair with one pack
// still saves that one (into its sub-folder) instead of failing on the absent one.
bool TDefineDecoder::SaveAs(const std::string& path) {
    if (bothMode_) {
        const std::string base = IncludeTrailingSeparator(path);
        if (base.empty() || presentPacks_.Empty()) return false;
        bool ok = true;
        {
            TPackSwitch restore(*this);
            for (uint8_t p = 0; p < kPackCount && ok; ++p) {
                if (!presentPacks_.Contains(p)) continue;
                restore.To(p);
                ok = SaveCurrentPackTo(BaseSubFolder(base, p));
            }
        }
        if (ok) StorePairState(true, externalBase_ ? externalBasePath_ : base);
        return ok;
    }
    const std::string folder = IncludeTrailingSeparator(ExtractFilePath(path));
    if (folder.empty()) return false;
    const bool ok = SaveCurrentPackTo(folder);
    if (ok) ResetPairState();
    return ok;
}

bool TDefineDecoder::ClosePack() {
    if (!QuerySave()) return false;
    if (OnBeforeClose) OnBeforeClose(*this);
    bool ok = true;
    if (bothMode_) {
        TPackSwitch restore(*this);
        for (uint8_t p = 0; p < kPackCount && ok; ++p) {
            restore.To(p);
            ok = CloseCurrentPack();
        }
    } else {
        ok = CloseCurrentPack();
    }
    if (ok) ResetPairState();
    return ok;
}

}  // namespace faceloom
