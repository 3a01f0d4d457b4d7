#include "model/define_decoder.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "lang/builtin_texts.h"
#include "model/define_file.h"
#include "model/edit_journal.h"
#include "model/pack_save.h"
#include "pictures/bmp_decoder.h"
#include "pictures/decoder_errors.h"
#include "pictures/gif_decoder.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/config_manager.h"
#include "storage/storage_identity.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_manager.h"
#include "storage/user_folder_guard.h"
#include "storage/working_copy_swap.h"

namespace faceloom {

namespace {

// "Нет" in Windows-1251, should the built-in table ever lack text 301.
constexpr const char* kNoSignatureFallback = "\xCD\xE5\xF2";
constexpr int kNoSignatureTextId = 301;

// Whether a working copy holds anything of a pack: its ".ini" files, pictures or an edit.
bool WorkingCopyHoldsPack(const std::string& folder, uint8_t pack) {
    const std::string mask = pack == kStaticPack ? "*.bmp" : "*.gif";
    for (const TFolderEntry& entry : ListFolder(folder)) {
        if (entry.IsFile && (IsPackFileName(entry.Name, mask) || entry.Name == kEditJournalName)) return true;
    }
    return false;
}

}  // namespace

TDefineDecoder::TDefineDecoder(const std::string& modeName) : modeName_(modeName) {
    SmileClass = [] { return new TSmile(); };
    SetNoSignatureText(BuiltinText(kNoSignatureTextId));
    if (noSignatureLabel_.empty()) noSignatureLabel_ = kNoSignatureFallback;

    // A link in the settings folder's place is removed itself, so the settings start anew
    // beside the working copies; one further up is refused: nothing is stored through it.
    const std::string configSubPath = ModeConfigSubPath(modeName);
    const std::string configLink = TStorageManager::FirstLink(configSubPath);
    if (!configLink.empty() &&
        IncludeTrailingSeparator(configLink) == TStorageManager::FolderFor(configSubPath)) {
        RemoveTree(configLink);
        Note(TModelError::LinkInStorage, configLink);
    }
    configStorage_ = std::make_unique<TStorageManager>(configSubPath);
    if (!configStorage_->LinkFound().empty()) Note(TModelError::LinkInStorage, configStorage_->LinkFound());
    config_ = std::make_unique<TConfigManager>(*configStorage_);
    const uint8_t current = config_->ReadBool(TConfigBoolKey::Animated) ? kAnimatedPack : kStaticPack;
    const bool both = config_->ReadBool(TConfigBoolKey::BothSmilePacks);
    if (configStorage_->Valid()) {
        SetCurrentPack(current);
        SetBothMode(both);
    } else {
        // Without a storage area nothing can be stored; the model still comes up, empty.
        currentPack_ = current;
        bothMode_ = both;
    }
    SetFrameBudget(uint64_t(config_->ReadInteger(TConfigIntegerKey::FrameMemoryMB)) << 20);
    bothPathsAssigned_ = config_->ReadBool(TConfigBoolKey::BothPathsAssigned);
    bothPath_ = config_->ReadString(TConfigStringKey::BothPath);

    const std::string tempFolder = config_->TempFolder();
    if (!tempFolder.empty()) tempFile_ = tempFolder + "Temp.gif";

    bool firstIdentity = false;
    identity_ = LoadStorageIdentity(*configStorage_, &firstIdentity);

    for (uint8_t p = 0; p < kPackCount; ++p) {
        TPack& pack = packs_[p];
        const std::string subPath = PackSubPath(modeName, p);
        // Before the storage manager makes the folder: an open or new pack killed while it
        // swapped working copies is finished first. Not in a mode folder reached through a
        // link (the storage manager refuses it): nothing there is ours.
        if (TStorageManager::FirstLink(ExtractFilePath(subPath)).empty()) {
            for (const std::string& link : TWorkingCopySwap::Recover(TStorageManager::FolderFor(subPath)))
                Note(TModelError::LinkInStorage, link);
        }
        pack.Storage = std::make_unique<TStorageManager>(subPath);
        pack.Storage->OnFile = [this](TStorageManager&, const std::string& name) { FireFile(name, 1, 0); };
        if (!pack.Storage->LinkFound().empty()) Note(TModelError::LinkInStorage, pack.Storage->LinkFound());
        if (!pack.Storage->Valid()) continue;
        // A link in place of the record's folder is removed itself: the record is then
        // missing, and a working copy with a pack is kept without a source folder.
        const std::string recordFolder = pack.Storage->Path() + std::string(kConfigFolder);
        if (EntryKind(recordFolder) == TEntryKind::Link) {
            RemoveTree(recordFolder);
            Note(TModelError::LinkInStorage, recordFolder);
        }
    }
    // A storage written by an earlier version has no identity and no record with a check
    // value: its records are adopted once, then written with one. A storage of this version
    // that lost its identity still has checked records and adopts nothing. Adopted records
    // carry no seal, so they name their folders but vouch for none: the first save into one
    // asks (anyone who can write the storage can also make it look like an earlier version's).
    bool adopt = firstIdentity;
    for (const TPack& pack : packs_) {
        if (pack.Storage->Valid() && TStorageIniFile(*pack.Storage).HasCheck()) adopt = false;
    }

    TPackState records[kPackCount];
    for (uint8_t p = 0; p < kPackCount; ++p) {
        TPack& pack = packs_[p];
        if (!pack.Storage->Valid()) continue;
        TPackState& record = records[p];
        TStorageIniFile state(*pack.Storage);
        const TPackStateRead read = state.ReadPackState(identity_, record, adopt);
        if (read == TPackStateRead::Valid && adopt) {
            try {
                state.WritePackState(record, identity_);
            } catch (...) {
                // Adopted for this run; the next write of the record carries the check.
            }
        }
        if (read == TPackStateRead::Valid) {
            if (!record.Allocated || !record.Loaded) continue;
            presentPacks_.Include(p);
            SetWorkingPaths(p);
            pack.Seal = record.Seal;
            if (record.PathAssigned) {
                sourcedPacks_.Include(p);
                pack.SourcePath = IncludeTrailingSeparator(record.SourcePath);
            } else {
                pack.SourcePath = record.SourcePath;
            }
        } else if (WorkingCopyHoldsPack(pack.Storage->Path(), p)) {
            // A record that cannot be trusted names no folder and no save under way; the
            // working copy is kept whole, as a pack without a source folder.
            record = TPackState();
            presentPacks_.Include(p);
            unreadableStates_.Include(p);
            SetWorkingPaths(p);
        } else {
            continue;
        }
        // Before an edit journal is followed into the history's folder.
        const bool historyDropped = DropStrayHistory(p);
        // The folder the pack is bound to is kept from other programs while this one runs;
        // when another holds it now, saving into it asks again.
        if (sourcedPacks_.Contains(p)) pack.SourceLock.Acquire(pack.SourcePath, FolderLockFolder());
        RecoverPack(p, record);
        LoadHistory(p);
        if (historyDropped) pack.History.MarkUnsaved();
    }
    // A pair record goes once neither pack's record names its save any more.
    for (uint8_t p = 0; p < kPackCount; ++p) {
        const std::string& pair = records[p].PendingPair;
        if (pair.empty()) continue;
        bool pending = false;
        for (const TPackState& record : records)
            pending |= record.PendingPair == pair && !record.PendingSave.empty();
        if (!pending) RemovePairRecord(Owner(), pair);
    }
}

TDefineDecoder::~TDefineDecoder() {
    // The decoding thread stops first: it calls the owner back.
    decodeQueue_.reset();
    // The owner is going away too: nothing of it is called back from here on.
    OnBeginUpdate = OnEndUpdate = OnBeforeClose = nullptr;
    OnPhase = nullptr;
    OnFile = nullptr;
    OnQuerySave = nullptr;
    OnSelectFolder = nullptr;
    OnConfirmFolder = nullptr;
    OnWriteError = nullptr;
    OnStorageNote = nullptr;
    Unload();
    for (TPack& pack : packs_) ReleaseSmiles(pack);
}

// ---- settings

void TDefineDecoder::SetCurrentPack(uint8_t index) {
    if (running_ > 0 && firing_ > 0) return;
    currentPack_ = index == kAnimatedPack ? kAnimatedPack : kStaticPack;
    config_->WriteBool(TConfigBoolKey::Animated, currentPack_ == kAnimatedPack);
}

void TDefineDecoder::SetBothMode(bool on) {
    if (running_ > 0 && firing_ > 0) return;
    bothMode_ = on;
    config_->WriteBool(TConfigBoolKey::BothSmilePacks, on);
}

void TDefineDecoder::SetExternalBase(const std::string& path) {
    externalBase_ = true;
    externalBasePath_ = IncludeTrailingSeparator(path);
    // The base is handed over by the caller in this run: its folders are chosen ones.
    if (externalBasePath_.empty()) return;
    for (uint8_t p = 0; p < kPackCount; ++p) NoteChosen(BaseSubFolder(externalBasePath_, p));
}

void TDefineDecoder::SetNoSignatureText(std::u16string_view text) {
    noSignatureLabel_ = UnicodeToCodePage(text);
}

// ---- queries

int32_t TDefineDecoder::SmileCount() const {
    return static_cast<int32_t>(Current().Smiles.size());
}

TSmile* TDefineDecoder::Smile(int32_t index) const {
    if (index < 0 || index >= SmileCount()) return nullptr;
    return Current().Smiles[static_cast<size_t>(index)].Smile.get();
}

std::string TDefineDecoder::Label(int32_t index) const {
    if (index < 0 || index >= SmileCount()) return {};
    return Current().Smiles[static_cast<size_t>(index)].Label;
}

void TDefineDecoder::CopyLabels(TLabelList& target) const {
    target = Current().Smiles;
}

bool TDefineDecoder::FindSignature(std::string_view text, int32_t& smileIndex,
                                   int32_t& signatureIndex) const {
    const TLabelList& smiles = Current().Smiles;
    for (size_t i = 0; i < smiles.size(); ++i) {
        const int32_t found = smiles[i].Smile->Signatures.IndexOf(text);
        if (found >= 0) {
            smileIndex = static_cast<int32_t>(i);
            signatureIndex = found;
            return true;
        }
    }
    return false;
}

int32_t TDefineDecoder::ErrorCount(int32_t kind) const {
    const int32_t* counter = kind == 0   ? loadErrors_
                             : kind == 1 ? missingFiles_
                             : kind == 2 ? noSignatures_
                                         : nullptr;
    if (counter == nullptr) return 0;
    if (!bothMode_) return counter[currentPack_];
    int32_t sum = 0;
    for (uint8_t p = 0; p < kPackCount; ++p) {
        if (presentPacks_.Contains(p)) sum += counter[p];
    }
    return sum;
}

bool TDefineDecoder::HasErrors() const {
    return ErrorCount(0) != 0 || ErrorCount(1) != 0 || ErrorCount(2) != 0;
}

// Both packs, not only the current one: after a change of the no-signature text the other
// pack's labels would otherwise show the old text once it becomes current.
void TDefineDecoder::Relabel() {
    for (uint8_t p = 0; p < kPackCount; ++p) RelabelPack(p);
}

std::string TDefineDecoder::LabelOf(const TSmile& smile) const {
    return smile.Signatures.Empty() ? noSignatureLabel_ : smile.Signatures[0];
}

void TDefineDecoder::RelabelPack(uint8_t p) {
    int32_t loadErrors = 0, missing = 0, noSignatures = 0;
    for (TLabeledSmile& entry : packs_[p].Smiles) {
        const TSmile& smile = *entry.Smile;
        entry.Label = LabelOf(smile);
        if (smile.LoadError) {
            ++loadErrors;
        } else if (smile.Picture.load() == nullptr && !smile.Pending) {
            ++missing;
        }
        if (smile.Signatures.Empty()) ++noSignatures;
    }
    loadErrors_[p] = loadErrors;
    missingFiles_[p] = missing;
    noSignatures_[p] = noSignatures;
}

// ---- definition file

bool TDefineDecoder::ReadDefinition(std::vector<std::string>& lines) {
    FirePhase(1, 0, 0);
    if (!presentPacks_.Contains(currentPack_)) return false;
    return faceloom::ReadDefinition(Current().DefinePath, lines);
}

bool TDefineDecoder::WriteDefinition() {
    return WritePackDefinition(currentPack_);
}

std::vector<std::vector<std::string>> TDefineDecoder::SignatureLines(const TLabelList& smiles) const {
    std::vector<std::vector<std::string>> lines;
    lines.reserve(smiles.size());
    for (const TLabeledSmile& entry : smiles) lines.push_back(entry.Smile->Signatures.Items());
    return lines;
}

bool TDefineDecoder::WritePackDefinition(uint8_t p) {
    TPack& pack = packs_[p];
    if (!presentPacks_.Contains(p) || !pack.Built || pack.DefinePath.empty()) return false;
    try {
        // Never through a link put in the working copy's place.
        if (EntryKind(pack.Folder) != TEntryKind::Folder) throw EInOutError::UnableToWrite(pack.DefinePath);
        faceloom::WriteDefinition(pack.DefinePath, SignatureLines(pack.Smiles));
        pack.Stale = false;
        return true;
    } catch (...) {
        pack.Stale = true;
        lastError_ = TModelError::WriteFailed;
        lastErrorFile_ = pack.DefinePath;
    }
    Fire(OnWriteError, p, pack.DefinePath);
    return false;
}

std::string TDefineDecoder::PictureFileName(int32_t n) const {
    return NameOf(currentPack_, n);
}

std::string TDefineDecoder::ShownPictureName(int32_t n) const {
    const TLabelList& smiles = Current().Smiles;
    if (n >= 0 && static_cast<size_t>(n) < smiles.size() && sourcedPacks_.Contains(currentPack_) &&
        !smiles[static_cast<size_t>(n)].SourceName.empty()) {
        return smiles[static_cast<size_t>(n)].SourceName;
    }
    return PictureFileName(n);
}

std::string TDefineDecoder::NameOf(uint8_t p, int32_t n) const {
    return faceloom::PictureFileName(static_cast<size_t>(std::max(n, 0)), PictureExt(p), packs_[p].NameWidth);
}

const char* TDefineDecoder::PictureExt(uint8_t p) {
    return p == kAnimatedPack ? ".gif" : ".bmp";
}

std::string TDefineDecoder::PictureMask(uint8_t p) {
    return p == kAnimatedPack ? "*.gif" : "*.bmp";
}

std::string TDefineDecoder::PicturePath(int32_t n) const {
    return Current().Folder + PictureFileName(n);
}

// ---- smiles

TRef<TSmile> TDefineDecoder::CreateSmile(const std::string& file, uint8_t kind) {
    TSmile* instance = SmileClass ? SmileClass() : nullptr;
    TRef<TSmile> smile(instance ? instance : new TSmile());
    DecodePicture(*smile, file, kind, frameBudgets_[kind & 1]);
    return smile;
}

void TDefineDecoder::SetFrameBudget(uint64_t bytes) {
    for (const std::shared_ptr<TFrameBudget>& budget : frameBudgets_) budget->SetLimit(bytes);
}

void TDefineDecoder::DecodePicture(TSmile& smile, const std::string& file, uint8_t kind,
                                   const std::shared_ptr<TFrameBudget>& budget) {
    TRef<TPictureDecoder> picture;
    try {
        if (kind == kAnimatedPack) {
            picture.reset(new TGifDecoder(file));
        } else {
            picture.reset(new TBmpDecoder(file));
        }
    } catch (...) {
        // Typically the file does not exist: a smile without picture.
        return;
    }
    picture->WantSmileBitmaps = true;
    picture->WantTransparent = true;
    picture->Budget = budget;
    try {
        picture->Decode();
    } catch (const ETooLargeForMemory&) {
        smile.TooLargeForMemory = true;
        smile.LoadError = true;
        return;
    } catch (...) {
        // Any failure, not only the decoders' own: a corrupt file may also run out of memory.
        smile.LoadError = true;
        return;
    }
    // Handed over only once decoded, so no holder ever sees a half-built picture.
    smile.SetPicture(picture.get());
}

void TDefineDecoder::FinishDecoding() {
    while (decodeQueue_->Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    DecodingFinished();
}

void TDefineDecoder::SetDecodedEvents(std::function<void(TSmile*)> onDecoded, std::function<void()> onDone) {
    decodeQueue_->OnDecoded = std::move(onDecoded);
    decodeQueue_->OnIdle = std::move(onDone);
}

void TDefineDecoder::Hook(TSmile& smile, uint8_t p) {
    smile.Signatures.OnChange = [this, p](TSignatureList&) { SignaturesChanged(p); };
}

void TDefineDecoder::Unhook(TSmile& smile) {
    smile.Signatures.OnChange = nullptr;
}

// The handler knows its pack, so a change reaches the right definition file even while the
// other pack is current. Labels and counters follow the list first, whatever the write does.
void TDefineDecoder::SignaturesChanged(uint8_t p) {
    ForgetHistory(p);
    RelabelPack(p);
    WritePackDefinition(p);
}

void TDefineDecoder::UnhookAll(TLabelList& smiles) {
    for (TLabeledSmile& entry : smiles) {
        if (entry.Smile) Unhook(*entry.Smile);
    }
}

void TDefineDecoder::ReleaseSmiles(TPack& pack) {
    // Views may hold the smiles longer; a later change of their signatures must not reach a
    // model that no longer owns them.
    UnhookAll(pack.Smiles);
    pack.Smiles.clear();
    pack.Stale = false;
    pack.Built = false;
    const uint8_t p = static_cast<uint8_t>(&pack - packs_);
    loadErrors_[p] = missingFiles_[p] = noSignatures_[p] = 0;
}

// ---- events

void TDefineDecoder::FireFile(const std::string& name, int32_t position, int32_t errorCount) {
    Fire(OnFile, name, position, errorCount);
}

void TDefineDecoder::FirePhase(int32_t phase, int32_t position, int32_t maximum) {
    Fire(OnPhase, phase, position, maximum);
}

}  // namespace faceloom
