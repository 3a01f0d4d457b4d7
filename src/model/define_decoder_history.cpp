// Undo and redo: each step of a pack's history is taken back or done again by one journalled
// edit of the working copy that also carries the history's new index, so the pack and its
// history change together or not at all, also across a kill.

#include <algorithm>
#include <filesystem>
#include <set>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "model/edit_journal.h"
#include "model/edit_plan.h"
#include "platform/files.h"

namespace faceloom {

bool TDefineDecoder::CanUndo() const {
    return presentPacks_.Contains(currentPack_) && Current().Built && Current().History.CanUndo();
}

bool TDefineDecoder::CanRedo() const {
    return presentPacks_.Contains(currentPack_) && Current().Built && Current().History.CanRedo();
}

bool TDefineDecoder::NextUndo(THistoryStepInfo& info) const {
    if (!CanUndo()) return false;
    const TEditHistory& history = Current().History;
    info = history.Steps()[history.Cursor() - 1].Info;
    return true;
}

bool TDefineDecoder::NextRedo(THistoryStepInfo& info) const {
    if (!CanRedo()) return false;
    const TEditHistory& history = Current().History;
    info = history.Steps()[history.Cursor()].Info;
    return true;
}

bool TDefineDecoder::Undo() {
    return Run(false, [&] { return SettleEdit(currentPack_) && StepHistory(false); });
}

bool TDefineDecoder::Redo() {
    return Run(false, [&] { return SettleEdit(currentPack_) && StepHistory(true); });
}

void TDefineDecoder::BeginStep() {
    if (stepDepth_++ == 0) {
        for (TPack& pack : packs_) pack.GroupStep = 0;
    }
}

void TDefineDecoder::EndStep() {
    if (stepDepth_ > 0) --stepDepth_;
}

bool TDefineDecoder::Modified(uint8_t pack) const {
    if (!presentPacks_.Contains(pack)) return false;
    // Smiles with no folder of their own (opened from the storage area, or kept from a record
    // that could not be read) exist nowhere else: dropping them loses them.
    const bool onlyHere = !sourcedPacks_.Contains(pack) && !packs_[pack & 1].Smiles.empty();
    return onlyHere || packs_[pack & 1].History.Modified();
}

bool TDefineDecoder::StepHistory(bool redo) {
    if (!CurrentEditable() || !(redo ? Current().History.CanRedo() : Current().History.CanUndo()))
        return Fail(TModelError::NotPresent, false);
    TPack& pack = Current();
    pack.GroupStep = 0;
    const int32_t count = SmileCount();
    TEditHistory next = pack.History;
    THistoryStep& step = redo ? next.RedoStep() : next.UndoStep();
    // The pictures the step brings back must be there as the history left them: files of their
    // own, readable, of the size they had when kept. A step that would bring back a smile
    // without its picture (whose next save would delete the picture from the pack's folder) is
    // refused, and with it every step that leads through it.
    for (const TKeptPicture& slot : redo ? step.Undone : step.Done) {
        if (slot.Name.empty()) continue;
        const std::string path = pack.Folder + kHistoryFolderName + slot.Name;
        std::error_code ec;
        if (ReadableRegularFile(path) &&
            (slot.Size == 0 || std::filesystem::file_size(path, ec) == slot.Size))
            continue;
        DropHistoryThrough(currentPack_, redo);
        lastErrorFile_ = path;
        return Fail(TModelError::HistoryDamaged, false);
    }
    const THistoryStepInfo info = step.Info;
    const int32_t index = info.Index;
    TEditPlan plan = PlanFor(currentPack_);
    std::vector<std::vector<std::string>> lines = SignatureLines(pack.Smiles);
    // What the list becomes: smiles inserted at (or removed from) index, pictures swapped,
    // a smile moved, a signature list replaced.
    int32_t inserted = 0, removed = 0;
    std::vector<std::vector<std::string>> insertedSignatures;
    bool swapPicture = false;
    int32_t moveFrom = 0, moveTo = 0;
    const std::vector<std::string>* signatures = nullptr;
    bool fits = index >= 0;
    switch (info.Kind) {
        case THistoryKind::AddSmiles:
            if (redo) {
                fits = fits && index <= count;
                if (!fits) break;
                for (int32_t k = 0; k < info.Count; ++k)
                    plan.Keep(count + k, step.Done[static_cast<size_t>(k)], next);
                plan.ShiftUp(index, count, info.Count);
                for (int32_t j = 0; j < info.Count; ++j)
                    plan.Restore(step.Undone[static_cast<size_t>(j)], index + j);
                inserted = info.Count;
                insertedSignatures = AddedSignatures(step);
            } else {
                fits = fits && info.Count <= count - index;
                if (!fits) break;
                for (int32_t j = 0; j < info.Count; ++j)
                    plan.Keep(index + j, step.Undone[static_cast<size_t>(j)], next);
                plan.ShiftDown(index + info.Count, count, info.Count);
                for (int32_t k = 0; k < info.Count; ++k)
                    plan.Restore(step.Done[static_cast<size_t>(k)], count - info.Count + k);
                removed = info.Count;
            }
            break;
        case THistoryKind::DeleteSmile:
            if (redo) {
                fits = fits && index < count &&
                       pack.Smiles[static_cast<size_t>(index)].Smile->Signatures.Items() == step.Before;
                if (!fits) break;
                plan.Keep(index, step.Done[0], next);
                plan.ShiftDown(index + 1, count, 1);
                removed = 1;
            } else {
                fits = fits && index <= count;
                if (!fits) break;
                plan.ShiftUp(index, count, 1);
                plan.Restore(step.Done[0], index);
                inserted = 1;
                insertedSignatures.push_back(step.Before);
            }
            break;
        case THistoryKind::ReplacePicture:
        case THistoryKind::DeletePicture:
            fits = fits && index < count;
            if (!fits) break;
            if (info.Kind == THistoryKind::ReplacePicture) {
                plan.Keep(index, redo ? step.Done[0] : step.Undone[0], next);
                plan.Restore(redo ? step.Undone[0] : step.Done[0], index);
            } else if (redo) {
                plan.Keep(index, step.Done[0], next);
            } else {
                plan.Restore(step.Done[0], index);
            }
            swapPicture = true;
            break;
        case THistoryKind::MoveSmile:
            moveFrom = redo ? info.Index : info.To;
            moveTo = redo ? info.To : info.Index;
            fits = fits && info.To >= 0 && info.Index < count && info.To < count && info.Index != info.To;
            if (fits) plan.Move(moveFrom, moveTo);
            break;
        default:
            // A signature step: the smile's list must be the one the step left (or found).
            fits = fits && index < count &&
                   pack.Smiles[static_cast<size_t>(index)].Smile->Signatures.Items() ==
                       (redo ? step.Before : step.After);
            if (fits) signatures = redo ? &step.After : &step.Before;
            break;
    }
    if (!fits) {
        // Not the history of this pack as it is: it would only do harm.
        ForgetHistory(currentPack_);
        return Fail(TModelError::Unexpected, false);
    }
    const std::vector<std::string> kept = signatures ? *signatures : std::vector<std::string>();
    std::vector<std::string> dropped;
    if (redo) {
        next.Redone(dropped);
    } else {
        next.Undone(dropped);
    }
    // The definition as the list will be.
    if (removed > 0) lines.erase(lines.begin() + index, lines.begin() + index + removed);
    if (inserted > 0)
        lines.insert(lines.begin() + index, insertedSignatures.begin(), insertedSignatures.end());
    if (moveFrom != moveTo) {
        std::vector<std::string> line = std::move(lines[static_cast<size_t>(moveFrom)]);
        lines.erase(lines.begin() + moveFrom);
        lines.insert(lines.begin() + moveTo, std::move(line));
    }
    if (signatures) lines[static_cast<size_t>(index)] = kept;
    plan.Edit.Definition = FormatDefinition(lines);
    if (!RunRecorded(plan, next, dropped)) return false;

    TLabelList& smiles = pack.Smiles;
    TListChange change{index, 1, 1};
    if (removed > 0) {
        for (int32_t j = 0; j < removed; ++j) Unhook(*smiles[static_cast<size_t>(index + j)].Smile);
        smiles.erase(smiles.begin() + index, smiles.begin() + index + removed);
        change = {index, removed, 0};
    }
    if (inserted > 0) {
        TLabelList added;
        for (int32_t j = 0; j < inserted; ++j) {
            TRef<TSmile> smile = CreateSmile(PicturePath(index + j), currentPack_);
            smile->Signatures.Assign(insertedSignatures[static_cast<size_t>(j)]);
            Hook(*smile, currentPack_);
            added.push_back({LabelOf(*smile), std::move(smile)});
        }
        smiles.insert(smiles.begin() + index, std::make_move_iterator(added.begin()),
                      std::make_move_iterator(added.end()));
        change = {index, 0, inserted};
    }
    if (swapPicture) {
        TLabeledSmile& entry = smiles[static_cast<size_t>(index)];
        TRef<TSmile> smile = CreateSmile(PicturePath(index), currentPack_);
        smile->Signatures.Assign(entry.Smile->Signatures);
        Hook(*smile, currentPack_);
        Unhook(*entry.Smile);
        entry.Smile = std::move(smile);
    }
    if (moveFrom != moveTo) {
        TLabeledSmile entry = std::move(smiles[static_cast<size_t>(moveFrom)]);
        smiles.erase(smiles.begin() + moveFrom);
        smiles.insert(smiles.begin() + moveTo, std::move(entry));
        const int32_t first = std::min(moveFrom, moveTo);
        const int32_t span = std::max(moveFrom, moveTo) - first + 1;
        change = {first, span, span};
    }
    if (signatures) AssignQuietly(*smiles[static_cast<size_t>(index)].Smile, kept);
    AfterEdit();
    lastChange_ = change;
    return true;
}

// ---- upkeep

void TDefineDecoder::ResetHistory(uint8_t p) {
    packs_[p].History = TEditHistory();
    packs_[p].GroupStep = 0;
}

// At start-up, after the pack's recovery. A history is taken only when it is ours and whole
// and no edit is left unfinished; the pictures of its folder that no step holds (left by a
// kill after an edit that dropped them) go. A damaged or foreign one is dropped with its
// folder; the working copy is never touched.
void TDefineDecoder::LoadHistory(uint8_t p) {
    TPack& pack = packs_[p];
    ResetHistory(p);
    if (pack.Folder.empty()) return;
    const std::string folder = pack.Folder + kHistoryFolderName;
    if (FileExists(pack.Folder + kEditJournalName)) {
        // An edit that could not be finished: the history's files stay, none is acted on.
        pack.History.MarkUnsaved();
        return;
    }
    if (EntryKind(folder) != TEntryKind::Folder) return;
    // Bounded before it is read: a forged index of any size costs no more than a real one.
    bool tooLarge = false;
    const std::optional<std::string> bytes =
        ReadWholeFile(pack.Folder + kHistoryIndexName, TEditHistory::kMaxIndexBytes, &tooLarge);
    std::optional<TEditHistory> history = bytes ? TEditHistory::Decode(*bytes, identity_) : std::nullopt;
    if (!history) {
        RemoveTree(folder);
        // What was saved is not known any more.
        if (bytes || tooLarge) pack.History.MarkUnsaved();
        return;
    }
    pack.History = std::move(*history);
    const std::vector<std::string> names = pack.History.KeptNames();
    const std::set<std::string> held(names.begin(), names.end());
    for (const TFolderEntry& entry : ListFolder(folder)) {
        if (entry.IsFile && entry.Name != "index" && held.count(entry.Name) == 0)
            DeleteFileAt(folder + entry.Name);
    }
}

void TDefineDecoder::MarkSaved(uint8_t p) {
    TPack& pack = packs_[p];
    DropStrayHistory(p);
    if (pack.Folder.empty() || !pack.History.Modified()) return;
    TEditHistory next = pack.History;
    next.MarkSaved();
    try {
        if (!MakeOwnFolder(pack.Folder + kHistoryFolderName)) return;
        WriteFileAtomic(pack.Folder + kHistoryIndexName, next.Encode(identity_), TDurability::Scratch);
    } catch (...) {
        return;  // the mark stays: better shown modified than lost
    }
    pack.History = std::move(next);
}

// A step that cannot be taken back (done again) goes with the steps beyond it: the undo steps
// from the cursor back (the redo steps from the cursor on). The shorter index goes first, so
// a kill afterwards leaves no step naming a picture that is gone.
void TDefineDecoder::DropHistoryThrough(uint8_t p, bool redo) {
    TPack& pack = packs_[p];
    TEditHistory next = pack.History;
    std::vector<std::string> dropped;
    if (redo) {
        next.DropRedoSteps(dropped);
    } else {
        next.DropUndoSteps(dropped);
    }
    const std::string folder = pack.Folder + kHistoryFolderName;
    try {
        WriteFileAtomic(pack.Folder + kHistoryIndexName, next.Encode(identity_), TDurability::Scratch);
    } catch (...) {
        // Without an index the next start drops the whole history, never acting on it.
        DeleteFileAt(pack.Folder + kHistoryIndexName);
    }
    pack.History = std::move(next);
    pack.GroupStep = 0;
    // Only files of the history's own: a link is removed itself, never what it points to.
    for (const std::string& name : dropped) DeleteFileAt(folder + name);
}

// A change the history did not see (signatures changed directly on a smile): the history
// can no longer be trusted to lead back. The empty index goes first, so a kill afterwards
// leaves no step to act on.
void TDefineDecoder::ForgetHistory(uint8_t p) {
    TPack& pack = packs_[p];
    if (pack.Folder.empty()) return;
    if (pack.History.Steps().empty() && pack.History.Modified()) return;
    const std::vector<std::string> names = pack.History.KeptNames();
    TEditHistory empty;
    empty.MarkUnsaved();
    const std::string folder = pack.Folder + kHistoryFolderName;
    if (DropStrayHistory(p)) return;
    try {
        if (!MakeOwnFolder(folder)) throw EInOutError::UnableToWrite(folder);
        WriteFileAtomic(pack.Folder + kHistoryIndexName, empty.Encode(identity_), TDurability::Scratch);
    } catch (...) {
        DeleteFileAt(pack.Folder + kHistoryIndexName);
    }
    pack.History = std::move(empty);
    pack.GroupStep = 0;
    for (const std::string& name : names) DeleteFileAt(folder + name);
}

}  // namespace faceloom
