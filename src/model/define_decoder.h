#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "animation/smile.h"
#include "model/decode_queue.h"
#include "model/edit_history.h"
#include "pictures/base_object.h"
#include "pictures/frame_budget.h"
#include "platform/errors.h"
#include "platform/flush_batch.h"
#include "platform/folder_lock.h"
#include "storage/storage_layout.h"

namespace faceloom {

class TConfigManager;
class TStorageManager;
class TEditPlan;
struct TEditJournal;
struct TPackState;
struct TSaveOwner;

// Why the last operation that failed (or did something other than asked) did so.
enum class TModelError {
    None,
    Busy,                // started from inside an event of a running operation: refused
    Cancelled,           // the user cancelled a question (save or folder choice)
    PathNotStorable,     // the folder's path cannot be recorded and read back intact (too long
                         // for the state file, a line break, blanks at an end)
    FolderMissing,       // opening: the folder does not exist; the pack is now empty, with no folder
    WorkingCopyDamaged,  // saving: the working copy lacks its folder, "_define.ini" or a picture
    OtherPackSource,     // saving into the folder the other open pack comes from
    TargetBlocked,       // saving: a pack name is taken in the target by a folder or other entry
    CopyFailed,          // a file could not be copied (full disk, no permission)
    RenameFailed,        // a picture could not be renamed; the edit was undone
    WriteFailed,         // a definition or state file could not be written
    RecoveryFailed,      // an interrupted save could not be finished or undone (it is tried
                         // again at the next start, open of or save into that folder)
    TargetInStorage,     // saving into the editor's own storage area (where the working copies
                         // live) is refused
    ForeignSave,         // the folder holds the journal of a save that this storage did not
                         // write (another instance or mode) or that is damaged: nothing in the
                         // folder was touched, and it is neither opened nor saved into
    FolderInUse,         // another program (another copy of the editor, faceloom-pack) holds the
                         // folder's lock: it has the folder open or writes it; nothing changed
    NotPresent,          // no pack (or no place for it) to work on
    BadSignature,        // a signature that a definition line cannot store and read back unchanged
    EditUnfinished,      // an edit stopped half-way in the working copy (even its roll-back could
                         // not be written, or a start could not finish it): nothing else is done
                         // to the pack until it is put back or finished, which every operation on
                         // the pack tries first
    HistoryDamaged,      // undo or redo: a picture the step keeps in the history is missing,
                         // unreadable or not a regular file; nothing changed, and the steps that
                         // led through it were dropped
    LinkInStorage,       // a link stood in the storage area where it keeps a folder of its own:
                         // it was removed itself or left unused, never followed
    HistoryDropped,      // the pack's history was damaged (not a folder) and was started anew
    Unexpected,          // anything else (out of memory, say); nothing was changed
};

// Pack indexes are kStaticPack (0, BMP pictures) and kAnimatedPack (1, GIF pictures).
inline constexpr int kPackCount = 2;

// A set of pack indexes (PresentPacks, SourcedPacks).
class TPackSet {
public:
    bool Contains(uint8_t pack) const { return pack < kPackCount && (bits_ & (1u << pack)) != 0; }
    void Include(uint8_t pack) { bits_ |= static_cast<uint8_t>(1u << pack); }
    void Exclude(uint8_t pack) { bits_ &= static_cast<uint8_t>(~(1u << pack)); }
    bool Empty() const { return bits_ == 0; }
    int Count() const { return (bits_ & 1) + ((bits_ >> 1) & 1); }
    bool operator==(const TPackSet&) const = default;

private:
    uint8_t bits_ = 0;
};

// One entry of a pack's smile list: the label shown under the smile (its first signature, or
// the no-signature text; bytes in the pack code page) and a counted reference to the smile.
struct TLabeledSmile {
    std::string Label;
    TRef<TSmile> Smile;
    // The name its picture has in the pack's source folder (the user's own file, which the
    // working copy holds under a canonical name); empty when not known or when the source
    // holds the canonical name (after a save, a replaced picture, an added smile).
    std::string SourceName;
};
using TLabelList = std::vector<TLabeledSmile>;

// How the current pack's list changed by the last successful undo or redo: smiles
// [First, First + Removed) of the list before were replaced by [First, First + Inserted) of
// the list after; the rest kept their smiles (those after the range shifted by
// Inserted - Removed).
struct TListChange {
    int32_t First = 0;
    int32_t Removed = 0;
    int32_t Inserted = 0;
    bool operator==(const TListChange&) const = default;
};

// The in-memory model of the smile packs being edited: up to two packs (static and animated),
// one smile list per pack and, for each pack, a working copy in the storage area. Every edit
// keeps three things in step: smile n of the list, the picture file with the canonical name of
// n in the working copy, and line n + 1 of the working copy's "_define.ini" (rewritten after
// every change). The pack's own folder is only touched when saving.
//
// Canonical names have one width for all pictures of a pack: two letters ("aa" .. "zz") while
// the pack has at most 676 smiles, three letters for all of them beyond, so that the name
// order always equals the smile order (also for the messenger reading a saved pack).
//
// Nothing that can lose a pack: opening builds the new working copy beside the old one and
// swaps it in whole (with its record of the source folder); saving stages the files in the
// target under a journal and commits them all at once; every edit that renames pictures runs
// under a journal in the working copy. A kill at any instant leaves the old or the new state,
// which the next start (or the next open of or save into that folder) completes.
//
// Failures are reported by results (false, none), LastError, counters and events; nothing here
// shows a message and no exception leaves an operation. GUI thread only. An operation started
// from inside one of the model's events (the window processes its messages there) is refused
// with false and LastError Busy.
class TDefineDecoder {
public:
    using TNotifyEvent = std::function<void(TDefineDecoder& sender)>;
    // phase 0..3, position, maximum.
    using TPhaseEvent =
        std::function<void(TDefineDecoder& sender, int32_t phase, int32_t position, int32_t maximum)>;
    // file name (without folder), position, error count.
    using TFileEvent = std::function<void(TDefineDecoder& sender, const std::string& fileName,
                                          int32_t position, int32_t errorCount)>;
    // answer in/out: 0 save, 1 discard, 2 cancel; preset 1.
    using TQuerySaveEvent = std::function<void(TDefineDecoder& sender, int32_t& answer)>;
    // kind 0 one pack (path out: folder + "_define.ini"), 1 both packs (path out: the base
    // folder); path in: where the browser starts; accepted preset false.
    using TSelectFolderEvent =
        std::function<void(TDefineDecoder& sender, int32_t kind, std::string& path, bool& accepted)>;
    // kind 0 one pack, 1 both packs; folder: where the save would write; confirmed preset
    // false (the safe answer: the folder is then asked for, as for a pack without one).
    using TConfirmFolderEvent =
        std::function<void(TDefineDecoder& sender, int32_t kind, const std::string& folder, bool& confirmed)>;
    // pack, the file that could not be written. The model keeps its lists, labels and counters
    // as they are and writes the file again at the next change (and before saving).
    using TWriteErrorEvent =
        std::function<void(TDefineDecoder& sender, uint8_t pack, const std::string& fileName)>;
    // Something found in the storage area that the user is told of once (reason
    // LinkInStorage or HistoryDropped; path: the entry concerned). Nothing was lost by it.
    using TStorageNoteEvent =
        std::function<void(TDefineDecoder& sender, TModelError reason, const std::string& path)>;
    // Makes the smile instances of the model (a TSmile descendant, count 0, not yet added).
    using TSmileClass = std::function<TSmile*()>;

    // Opens the per-mode settings and the two working copies of the working mode ("Storage"
    // or "Coatwright"); builds no smile yet (LoadFromStorage does).
    explicit TDefineDecoder(const std::string& modeName);
    // Writes every present pack's definition and lets go of all smiles.
    ~TDefineDecoder();
    TDefineDecoder(const TDefineDecoder&) = delete;
    TDefineDecoder& operator=(const TDefineDecoder&) = delete;

    // ---- settings and state
    // Both are ignored while an operation runs (from inside its events).
    void SetCurrentPack(uint8_t index);  // stores "Animated"
    void SetBothMode(bool on);           // stores "BothSmilePacks"
    void SetExternalBase(const std::string& path);

    bool BothMode() const { return bothMode_; }
    uint8_t CurrentPack() const { return currentPack_; }
    bool Loaded() const { return loaded_; }
    bool BothPathsAssigned() const { return bothPathsAssigned_; }
    const std::string& BothPath() const { return bothPath_; }
    TPackSet PresentPacks() const { return presentPacks_; }
    TPackSet SourcedPacks() const { return sourcedPacks_; }
    // The per-mode "Temp.gif". Edits no longer park pictures there (a parked picture stays in
    // the working copy, under the edit journal); a file found there is never deleted.
    const std::string& TempFile() const { return tempFile_; }
    int32_t DecodeErrors() const { return decodeErrors_; }
    bool ExternalBase() const { return externalBase_; }
    const std::string& ExternalBasePath() const { return externalBasePath_; }
    // Per pack: the working copy's folder and "_define.ini" (empty while the pack is absent),
    // and the source folder (valid while the pack is in SourcedPacks).
    const std::string& WorkingFolder(uint8_t pack) const { return packs_[pack & 1].Folder; }
    const std::string& DefinePath(uint8_t pack) const { return packs_[pack & 1].DefinePath; }
    const std::string& SourcePath(uint8_t pack) const { return packs_[pack & 1].SourcePath; }
    // Letters of the canonical picture names of a pack (2, or 3 beyond 676 smiles).
    int NameWidth(uint8_t pack) const { return packs_[pack & 1].NameWidth; }
    TConfigManager& Config() { return *config_; }
    // Why the last operation that returned false (or none) failed; None after a success.
    TModelError LastError() const { return lastError_; }
    // The file or folder the last failure concerns, for the message (empty when none does).
    const std::string& LastErrorFile() const { return lastErrorFile_; }
    // The pack's "_define.ini" is behind its smiles (a write failed); the next write catches up.
    bool DefinitionStale(uint8_t pack) const { return packs_[pack & 1].Stale; }
    // An operation of the model is running (its events are being answered).
    bool Busy() const { return running_ > 0; }
    // Packs whose record ("Storage.ini") could not be read when the model was made (damaged,
    // or not written by this storage): the working copy is kept whole and the pack is present
    // without a source folder, so saving asks where to. Stays set until the pack's record is
    // written again (save, open, new, close).
    TPackSet UnreadableStates() const { return unreadableStates_; }
    // The user was told of those packs: their records are written as the model holds them
    // (present, without a folder), so that the next start has nothing to tell. False
    // (WriteFailed) when a record cannot be written; it is told again then.
    bool AcknowledgeUnreadableStates();
    // The random identity of this storage, carried by its records and journals.
    const std::string& StorageIdentity() const { return identity_; }
    // Saves of one pack write their journals under this identity instead of the storage's (a
    // throwaway storage lends its saves faceloom-pack's shared one, so that what a killed run
    // leaves is completed by the next). Empty: the storage's own.
    void SetSaveIdentity(std::string identity) { saveIdentity_ = std::move(identity); }
    // An open of a folder whose lock another program holds reads it as it is, without finishing
    // or undoing a save there, instead of failing with FolderInUse (a reader that never saves:
    // faceloom-pack check). A folder with a save under way still fails.
    void SetReadFoldersInUse(bool read) { readFoldersInUse_ = read; }

    // The label of a smile without signatures: text 301 of the language ("Нет" built in), as
    // bytes in the pack code page like every other label. Call Relabel afterwards.
    void SetNoSignatureLabel(std::string label) { noSignatureLabel_ = std::move(label); }
    void SetNoSignatureText(std::u16string_view text);
    const std::string& NoSignatureLabel() const { return noSignatureLabel_; }

    // ---- queries on the current pack
    int32_t SmileCount() const;
    TSmile* Smile(int32_t index) const;      // none when out of range
    std::string Label(int32_t index) const;  // empty when out of range
    void CopyLabels(TLabelList& target) const;
    // First smile (from 0) whose signatures hold text, letter case of Latin and Cyrillic
    // ignored; outputs untouched when not found.
    bool FindSignature(std::string_view text, int32_t& smileIndex, int32_t& signatureIndex) const;
    // 0 load errors, 1 missing files, 2 smiles without signatures (other kinds: 0). In BothMode
    // summed over the present packs.
    int32_t ErrorCount(int32_t kind) const;
    bool HasErrors() const;
    // Recomputes the labels and the three counters of the current pack.
    void Relabel();

    // ---- the definition file of the current pack
    // Reads the working copy's "_define.ini" (reports load phase 1 first).
    bool ReadDefinition(std::vector<std::string>& lines);
    // Rewrites it from the model; false and nothing written while the pack is absent or when
    // the file cannot be written (LastError WriteFailed, OnWriteError fired).
    bool WriteDefinition();
    // Canonical name of picture n of the current pack, in the pack's name width.
    std::string PictureFileName(int32_t n) const;
    // The name the user knows picture n by: its file's name in the source folder while the
    // model knows it (from the open on, also after moves and deletions of other smiles, and at
    // a restart while the pack and its folder are as they were opened), else PictureFileName.
    std::string ShownPictureName(int32_t n) const;

    // ---- editing the current pack
    // A new smile (model's reference taken) for a picture file, decoded by the pack's kind:
    // without picture when the file cannot be opened, with LoadError when it cannot be decoded.
    TRef<TSmile> CreateSmile(const std::string& file, uint8_t kind);
    TSmile* AddSmile(const std::string& file);
    TSmile* InsertSmile(int32_t index, const std::string& file);
    // A new smile with its signatures before index (SmileCount appends), as one edit; inside a
    // BeginStep bracket it joins the adds next to it, and undo and redo keep its signatures.
    // BadSignature when one cannot be stored.
    TSmile* AddSmileWithSignatures(int32_t index, const std::string& file,
                                   const std::vector<std::string>& signatures);
    // The file's bytes as they are, decoded by the pack's kind; a picture of another format is
    // converted first (ReplacePictureFrom of the conversion layer).
    TSmile* ReplacePicture(int32_t index, const std::string& file);
    bool MoveSmile(int32_t from, int32_t to);
    bool DeleteSmile(int32_t index);
    bool DeletePicture(int32_t index);

    // The signatures of smile `index`, each change written to "_define.ini" before the smile
    // shows it: a write that fails changes nothing (false, LastError WriteFailed). A text that
    // a definition line cannot store and read back unchanged is refused (BadSignature). The
    // list ends as the file reads back: a blank at the end of a signature that the change puts
    // at an end of its line goes, as it would at the next load.
    bool AddSignature(int32_t index, int32_t position, const std::string& text);  // position Count appends
    bool EditSignature(int32_t index, int32_t position, const std::string& text);
    bool MoveSignature(int32_t index, int32_t from, int32_t to);
    bool DeleteSignature(int32_t index, int32_t position);
    // Not empty, no "," (the separator), no control character, no blank at either end.
    static bool StorableSignature(std::string_view text);

    // ---- undo and redo of the current pack's edits
    // Every edit above is a step of the pack's history, kept in its working copy: it survives
    // a restart and a kill, is cleared by New, Open and Close of the pack (not by Save) and
    // holds the last 200 steps and 64 MB of pictures taken out of the pack (the oldest go
    // first). A change made directly on a smile's Signatures clears it.
    bool CanUndo() const;
    bool CanRedo() const;
    // The step Undo (Redo) would take back (do again); false when there is none.
    bool NextUndo(THistoryStepInfo& info) const;
    bool NextRedo(THistoryStepInfo& info) const;
    // Take back the last done step (do the last undone one again) exactly: the working copy's
    // "_define.ini" and pictures, names and bytes, are what they were. False (LastError,
    // LastErrorFile) and nothing changed on failure; a history that no longer fits the pack is
    // dropped (LastError Unexpected). After true the window takes the list again (CopyLabels,
    // or just the range LastChange names).
    bool Undo();
    bool Redo();
    const TListChange& LastChange() const { return lastChange_; }
    // Adds (AddSmile, InsertSmile) between BeginStep and EndStep that insert next to the
    // smiles added before them in the same bracket are one step (a multi-file add). Brackets
    // nest; any other edit in between is a step of its own.
    void BeginStep();
    void EndStep();
    // The pack's working copy differs from what was last opened or saved (also after a
    // restart); undoing back to that state clears it. A pack with smiles but without a folder
    // is always modified: nothing else holds them.
    bool Modified(uint8_t pack) const;

    // ---- single-pack steps on the current pack
    // Copies the pack in folder into a new working copy, gives its pictures canonical names
    // (picture k of the name order becomes smile k's) and builds the smiles (load phases 0 to
    // 3); the new copy and its source replace the old ones only when all of it succeeded. False
    // (the previous pack as it was) when a file cannot be copied or the folder's path cannot be
    // recorded; a folder that does not exist gives an empty pack without folder (true,
    // LastError FolderMissing).
    bool ImportPack(const std::string& folder);
    bool NewCurrentPack();
    bool CloseCurrentPack();
    // Write the working copy's ".ini" files and pictures into the source folder (or folder),
    // replacing the ".ini" files and pictures of the kind there and leaving other files alone.
    // All or nothing, also across a kill: on any failure the folder keeps its previous pack and
    // the result is false. Refused when the working copy is not whole, when folder is the
    // other open pack's source, or when folder's path cannot be recorded. A source folder
    // that nothing vouches for is confirmed or asked for first, as Save does.
    bool SaveCurrentPack();
    bool SaveCurrentPackTo(const std::string& folder);

    // ---- whole-pack operations
    // Builds the present packs from their working copies (interrupted operations were
    // completed when the model was made). False when refused.
    bool LoadFromStorage();
    void Unload();
    bool NewPack();
    // path: the chosen "_define.ini" (one pack) or the base folder (both-packs mode).
    bool OpenPack(const std::string& path);
    // One pack without a folder yet asks for one (OnSelectFolder, kind 0) and saves there;
    // a cancelled choice gives false with LastError Cancelled.
    //
    // A folder that only a record names (the pack's source, the pair's base from the settings)
    // is written without a question only when it is vouched for: the user opened it, saved
    // into it or confirmed it in this run, or it still holds exactly the pack files this
    // storage last read from or wrote into it (the record's seal). Otherwise OnConfirmFolder
    // asks first; not confirmed, the folder is asked for (OnSelectFolder). So a forged or
    // adopted record never makes Save replace files in a folder the user did not choose.
    bool Save();
    bool SaveAs(const std::string& path);
    bool ClosePack();
    // Asks OnQuerySave when the coming operation would drop a Modified pack (in BothMode
    // either pack). False when the user cancels, or chose to save and saving failed.
    bool QuerySave();

    // ---- events (fire only when assigned)
    TNotifyEvent OnBeginUpdate;
    TNotifyEvent OnEndUpdate;
    TPhaseEvent OnPhase;
    TFileEvent OnFile;
    TQuerySaveEvent OnQuerySave;
    TSelectFolderEvent OnSelectFolder;
    TConfirmFolderEvent OnConfirmFolder;
    TNotifyEvent OnBeforeClose;
    // A definition file could not be written after a change the model keeps (signatures edited
    // on a smile, a picture replaced or deleted).
    TWriteErrorEvent OnWriteError;
    // Fired at the end of the outermost operation for each thing it met, once per operation
    // (an operation refused by a link tells it again); those met while the model was made
    // wait for the first operation that ends with a handler assigned.
    TStorageNoteEvent OnStorageNote;

    TSmileClass SmileClass;

    // Deferred decoding: opening and loading build every smile at once, Pending, and decode
    // their pictures on a thread of the model's own, in pack order, so the first smiles show
    // while the rest are decoded. The counts follow once DecodingFinished has run. Off by
    // default: then every picture is decoded before an operation returns.
    void SetDeferredDecoding(bool on) { deferDecoding_ = on; }
    // On the decoding thread: one smile got its picture (or LoadError); the decoding is done.
    // Set before the first load (the thread starts with the first deferred picture).
    void SetDecodedEvents(std::function<void(TSmile*)> onDecoded, std::function<void()> onDone);
    bool Decoding() const { return decodeQueue_->Busy(); }
    // On the owner's thread once the decoding is done: the counts of load errors and missing
    // pictures take in the decoded pictures.
    void DecodingFinished() { Relabel(); }
    // Waits until every deferred picture is decoded, then DecodingFinished: for what needs the
    // whole pack's counts now (the error report before saving).
    void FinishDecoding();
    // Decodes file as a picture of kind into smile: without picture when the file cannot be
    // opened, with LoadError when it cannot be decoded, and with LoadError and
    // TooLargeForMemory when its frames do not fit budget (none: no budget).
    static void DecodePicture(TSmile& smile, const std::string& file, uint8_t kind,
                              const std::shared_ptr<TFrameBudget>& budget = nullptr);

    // Each pack's decoded frames hold at most this many bytes together ("FrameMemoryMB" of the
    // mode's settings, 1 GiB by default): a picture past it loads as a load error, too large
    // for memory, and the pack still opens. Bytes come back as pictures are let go.
    uint64_t FrameBudget() const { return frameBudgets_[0]->Limit(); }
    // For this run only (the command line's option); the pictures decoded from now on.
    void SetFrameBudget(uint64_t bytes);
    // The bytes a pack's decoded frames hold now, and the most they held at once.
    uint64_t FrameBytes(uint8_t pack) const { return frameBudgets_[pack & 1]->Held(); }
    uint64_t PeakFrameBytes(uint8_t pack) const { return frameBudgets_[pack & 1]->Peak(); }

private:
    struct TPack {
        TLabelList Smiles;
        std::string DefinePath;
        std::string Folder;
        std::string SourcePath;
        std::unique_ptr<TStorageManager> Storage;
        // The lock of the source folder, held while the pack is bound to it.
        TFolderLock SourceLock;
        int NameWidth = 2;
        // The list holds the pack: its smiles were built from the working copy, or it was
        // made empty. Until then nothing may write the pack's definition from the list, which
        // would empty the working copy's "_define.ini".
        bool Built = false;
        // The last write of "_define.ini" failed: the file is behind the list.
        bool Stale = false;
        TEditHistory History;
        // Position of the history's step that the current bracket's adds join (0: none).
        uint64_t GroupStep = 0;
        // An edit of this session left its journal (RollbackFailed): the list and history
        // still hold the state before it, which SettleEdit puts back.
        bool RollBackPending = false;
        // The record's seal (FolderSeal of the folder the pack was last opened from or saved
        // into); empty when nothing vouches for a folder.
        std::string Seal;
    };
    // A pack built in the staging folder beside its working copy, not yet swapped in.
    struct TStaged {
        TLabelList Smiles;
        int NameWidth = 2;
        bool Sourced = false;
        std::string SourcePath;
        std::string Seal;
        TFlushBatch Flushes;  // the staged files the swap flushes before it commits
        TFolderLock Lock;     // of the source folder, handed to the pack with it
    };
    class TPackSwitch;
    class TUpdate;

    // Runs one operation: refused while an event of the model is being answered, never lets
    // an exception out, LastError reset when it is the outermost one.
    template <class R, class F>
    R Run(R refused, F&& body) {
        if (firing_ > 0) {
            lastError_ = TModelError::Busy;
            return refused;
        }
        if (running_ == 0) {
            lastError_ = TModelError::None;
            lastErrorFile_.clear();
        }
        ++running_;
        struct TLeave {
            int& depth;
            ~TLeave() { --depth; }
        } leave{running_};
        R result = refused;
        try {
            result = body();
        } catch (const EInOutError&) {
            lastError_ = TModelError::WriteFailed;
        } catch (...) {
            if (lastError_ == TModelError::None) lastError_ = TModelError::Unexpected;
        }
        if (running_ == 1) TellNotes();
        return result;
    }
    template <class R>
    R Fail(TModelError error, R result) {
        lastError_ = error;
        return result;
    }
    // Calls a handler of the model's events; operations started inside it are refused.
    template <class E, class... A>
    void Fire(const E& event, A&&... args) {
        if (!event) return;
        ++firing_;
        struct TLeave {
            int& depth;
            ~TLeave() { --depth; }
        } leave{firing_};
        event(*this, std::forward<A>(args)...);
    }

    TPack& Current() { return packs_[currentPack_]; }
    // Edits need a present pack whose list holds it, in a working copy that is a folder of
    // its own (never a link); a damaged history is dropped first, so the edit goes on.
    bool CurrentEditable();
    const TPack& Current() const { return packs_[currentPack_]; }
    static const char* PictureExt(uint8_t pack);
    static std::string PictureMask(uint8_t pack);
    static std::string BaseSubFolder(const std::string& base, uint8_t pack);
    std::string NameOf(uint8_t pack, int32_t n) const;
    std::string PicturePath(int32_t n) const;

    // Smiles, labels, counters.
    void Hook(TSmile& smile, uint8_t pack);
    static void Unhook(TSmile& smile);
    void ReleaseSmiles(TPack& pack);
    static void UnhookAll(TLabelList& smiles);
    void SignaturesChanged(uint8_t pack);
    void RelabelPack(uint8_t pack);
    std::string LabelOf(const TSmile& smile) const;
    // Writes the pack's definition; on failure marks it stale and fires OnWriteError.
    bool WritePackDefinition(uint8_t pack);
    std::vector<std::vector<std::string>> SignatureLines(const TLabelList& smiles) const;

    // Editing helpers.
    void AfterEdit();
    void SyncNameWidth(uint8_t pack, size_t count);
    bool RunEdit(const TEditJournal& edit);
    // Puts back (or, left by a start, finishes) an edit that stopped half-way in the pack's
    // working copy; false (EditUnfinished) while that cannot be done.
    bool SettleEdit(uint8_t pack);
    // Runs an edit whose history becomes next, dropping the kept pictures no step holds any more.
    bool RunRecorded(TEditPlan& plan, TEditHistory& next, const std::vector<std::string>& dropped);
    TEditPlan PlanFor(uint8_t pack) const;
    TSmile* InsertPicture(int32_t index, const std::string& file,
                          const std::vector<std::string>& signatures = {});
    bool ChangeSignatures(int32_t index, std::vector<std::string> signatures, THistoryKind kind,
                          const std::string& text);
    // Signatures assigned without the change hook.
    static void AssignQuietly(TSmile& smile, std::vector<std::string> signatures);
    bool StepHistory(bool redo);
    // History upkeep: read at start-up, cleared, marked saved, dropped after a direct change.
    void LoadHistory(uint8_t pack);
    void ResetHistory(uint8_t pack);
    void MarkSaved(uint8_t pack);
    void ForgetHistory(uint8_t pack);
    void DropHistoryThrough(uint8_t pack, bool redo);
    // A "History" entry that is not a folder (a link, a plain file) is dropped: the entry
    // itself goes, the history starts anew, the user is told. True when one was.
    bool DropStrayHistory(uint8_t pack);
    // Queues a note for OnStorageNote (once per reason and path); TellNotes fires the queue.
    void Note(TModelError reason, const std::string& path);
    void TellNotes();

    // Loading helpers.
    void RecoverPack(uint8_t pack, TPackState& record);
    bool StorageUsable(uint8_t pack);
    void NoteSwapLinks(uint8_t pack);
    TSaveOwner Owner() const;
    // The record of a pack as the model holds it (no save under way).
    TPackState RecordOf(uint8_t pack) const;
    void WriteRecord(uint8_t pack, const TPackState& record);
    bool StagePictures(const std::string& source, const std::string& folder, size_t lineCount,
                       TFlushBatch& flushes, std::vector<std::string>& names);
    TLabelList BuildSmiles(const std::string& folder, const std::vector<std::string>& lines);
    bool ImportCurrentPack(const std::string& folder);
    bool OpenPackImpl(const std::string& path);
    void SetFramesAside(uint8_t pack);
    void RestoreFramesAside();
    void BuildFromWorkingCopy(uint8_t pack);
    // The source folder's names of the pack's pictures again, where the pack and its folder
    // are still as they were opened (the seal matches, nothing changed since).
    void RecallSourceNames(uint8_t pack);
    // After a save into the pack's own folder its pictures have their canonical names there.
    void ForgetSourceNames(uint8_t pack);
    bool StageImport(const std::string& source, TStaged& staged);
    bool StageEmpty(const std::string& sourcePath, TStaged& staged, const std::string& seal = std::string());
    bool CommitStaged(TStaged& staged);
    bool NewCurrentPackImpl();
    bool CloseCurrentPackImpl();
    void SetWorkingPaths(uint8_t pack);
    void ClearWorkingCopy();

    // Saving helpers.
    // The checks every save target passes; false with LastError set.
    bool CheckTarget(uint8_t pack, const std::string& target, std::vector<std::string>& packFiles);
    bool SaveTo(const std::string& folder, bool rebind);
    // Both packs as one: both folders end old or both new, after a failure or a kill.
    bool SavePair(const std::string (&folders)[kPackCount], const bool (&rebind)[kPackCount]);
    bool SaveCurrentPackImpl();
    // The working copy holds its folder, "_define.ini" and every picture the list says it has;
    // packFiles receives its ".ini" files and pictures.
    bool WorkingCopyWhole(uint8_t pack, std::vector<std::string>& packFiles) const;
    bool SaveImpl();
    bool SaveAsImpl(const std::string& path);
    bool QuerySaveImpl();
    std::string AskFolder(int32_t kind, bool& accepted);
    // Folder trust: a keyed digest of the pack files of the pack's kind in folder (names,
    // kinds, sizes, times, file identities) and the folder's path. A forger who can write the
    // storage but not look into the user's folder cannot make it.
    std::string FolderSeal(uint8_t pack, const std::string& folder) const;
    // The folder was chosen (opened, saved into, confirmed) in this run, or its seal matches.
    bool Vouched(uint8_t pack, const std::string& folder) const;
    void NoteChosen(const std::string& folder);
    // Asks OnConfirmFolder about a folder that is not vouched for; true when it may be written.
    bool ConfirmFolder(uint8_t pack, int32_t kind, const std::string& folder);
    // After a save into folder succeeded: it is chosen, and the pack's record seals it.
    void SealSaved(uint8_t pack, const std::string& folder, TPackState& record);
    void StorePairState(bool assigned, const std::string& path);
    void ResetPairState();

    void FireFile(const std::string& name, int32_t position, int32_t errorCount);
    void FirePhase(int32_t phase, int32_t position, int32_t maximum);

    // Counters, per pack: load errors, missing files, smiles without signatures.
    int32_t loadErrors_[kPackCount] = {0, 0};
    int32_t missingFiles_[kPackCount] = {0, 0};
    int32_t noSignatures_[kPackCount] = {0, 0};
    bool bothMode_ = false;
    uint8_t currentPack_ = kAnimatedPack;
    bool loaded_ = false;
    bool bothPathsAssigned_ = false;
    TPackSet presentPacks_;
    TPackSet sourcedPacks_;
    TPack packs_[kPackCount];
    std::string bothPath_;
    std::string tempFile_;
    int32_t decodeErrors_ = 0;
    bool externalBase_ = false;
    std::string externalBasePath_;
    std::string modeName_;
    std::string identity_;
    std::string saveIdentity_;
    bool readFoldersInUse_ = false;
    TPackSet unreadableStates_;
    // Folders the user opened, saved into or confirmed in this run (with a trailing separator).
    std::vector<std::string> chosenFolders_;
    // Packs whose smiles an open let go before building the new ones (so two packs' frames are
    // never held at once); rebuilt from their working copies when the open does not commit.
    TPackSet framesAside_;
    std::unique_ptr<TStorageManager> configStorage_;
    std::unique_ptr<TConfigManager> config_;
    std::string noSignatureLabel_;
    TModelError lastError_ = TModelError::None;
    std::string lastErrorFile_;
    TListChange lastChange_;
    std::vector<std::pair<TModelError, std::string>> notes_;
    int stepDepth_ = 0;  // BeginStep brackets open
    int running_ = 0;    // operations under way (nested ones included)
    int firing_ = 0;     // events being answered
    bool deferDecoding_ = false;
    // Per pack, shared with its pictures (which may outlive the model in the views' hands).
    const std::shared_ptr<TFrameBudget> frameBudgets_[kPackCount] = {std::make_shared<TFrameBudget>(),
                                                                     std::make_shared<TFrameBudget>()};
    // Last, so that it stops (and lets go of its smiles) before anything else goes. Its thread
    // charges the same budgets, which count atomically.
    std::unique_ptr<TDecodeQueue> decodeQueue_ =
        std::make_unique<TDecodeQueue>([budgets = std::array{frameBudgets_[0], frameBudgets_[1]}](
                                           TSmile& smile, const std::string& file, uint8_t kind) {
            DecodePicture(smile, file, kind, budgets[kind & 1]);
        });
};

}  // namespace faceloom
