// Editing operations on the current pack: every one keeps smile n of the list, the picture
// file with the canonical name of n and line n + 1 of "_define.ini" in step. Edits that rename
// pictures run under the edit journal, so a kill leaves the edit done or not done; every rename
// is checked, and a failed edit is put back and reported by its result.

#include <algorithm>
#include <map>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "model/edit_journal.h"
#include "model/edit_plan.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom {

namespace {

// Index of a canonical name ("ab.gif" -> 1, "baa.gif" -> 676, "aab.gif" -> 1) whose stem has
// between 2 and maxLetters lower-case letters and whose extension is ext; -1 otherwise.
int64_t CanonicalIndex(const std::string& name, std::string_view ext, int maxLetters) {
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0) return -1;
    const size_t letters = name.size() - ext.size();
    if (letters < 2 || letters > static_cast<size_t>(maxLetters)) return -1;
    int64_t index = 0;
    for (size_t i = 0; i < letters; ++i) {
        const char c = name[i];
        if (c < 'a' || c > 'z') return -1;
        index = index * 26 + (c - 'a');
    }
    return index;
}

}  // namespace

// Runs the journalled renames and the definition write of an edit; the caller changes the
// list only when this succeeded.
bool TDefineDecoder::RunEdit(const TEditJournal& edit) {
    TPack& pack = Current();
    switch (ApplyEdit(pack.Folder, edit, identity_)) {
        case TEditOutcome::Done:
            pack.Stale = false;
            return true;
        case TEditOutcome::WriteFailed:
            lastErrorFile_ = pack.DefinePath;
            return Fail(TModelError::WriteFailed, false);
        case TEditOutcome::RenameFailed:
            lastErrorFile_ = pack.Folder;
            return Fail(TModelError::RenameFailed, false);
        case TEditOutcome::RollbackFailed:
            break;
    }
    // The list keeps the state before the edit, which the working copy gets back as soon as
    // there is room for it.
    pack.RollBackPending = true;
    lastErrorFile_ = pack.Folder;
    return Fail(TModelError::EditUnfinished, false);
}

// A journal in the working copy is an edit between two states. One of this session is put
// back: the list never took it. One that a start could not finish is finished, and the list is
// built again from the working copy. Until then nothing else touches the pack: an edit, undo
// or save would write over pictures that are not in their places.
bool TDefineDecoder::SettleEdit(uint8_t p) {
    TPack& pack = packs_[p];
    if (pack.Folder.empty() || !FileExists(pack.Folder + kEditJournalName)) {
        pack.RollBackPending = false;
        return true;
    }
    bool settled = false;
    if (pack.RollBackPending) {
        const std::string history = pack.History.Encode(identity_);
        settled =
            RollBackEdit(pack.Folder, identity_, FormatDefinition(SignatureLines(pack.Smiles)), &history);
    } else if (RecoverEdit(pack.Folder, identity_)) {
        settled = true;
        const uint8_t current = currentPack_;
        currentPack_ = p;
        try {
            BuildFromWorkingCopy(p);
            LoadHistory(p);
        } catch (...) {
            currentPack_ = current;
            throw;
        }
        currentPack_ = current;
    }
    if (!settled) {
        lastErrorFile_ = pack.Folder;
        return Fail(TModelError::EditUnfinished, false);
    }
    pack.RollBackPending = false;
    pack.Stale = false;
    // The pictures an edit parked under temporary names are back in their places.
    for (const TFolderEntry& entry : ListFolder(pack.Folder)) {
        if (entry.IsFile && IsOwnTempName(entry.Name)) DeleteFileAt(pack.Folder + entry.Name);
    }
    return true;
}

// The step goes into the journal with the history as it will be; the pictures of the steps
// that went are dropped when the edit is done.
bool TDefineDecoder::RunRecorded(TEditPlan& plan, TEditHistory& next,
                                 const std::vector<std::string>& dropped) {
    const std::string& folder = plan.Folder();
    for (const std::string& name : dropped) {
        const std::string path = kHistoryFolderName + name;
        if (const std::optional<uint64_t> id = FileIdentity(folder + path))
            plan.Edit.Steps.push_back({true, path, "", *id});
    }
    plan.Edit.History = next.Encode(identity_);
    // Never makes a vanished working copy again: the edit fails as its journal would.
    if (!DirectoryExists(folder) || !MakeOwnFolder(folder + kHistoryFolderName)) {
        lastErrorFile_ = folder + kHistoryFolderName;
        return Fail(TModelError::WriteFailed, false);
    }
    if (!RunEdit(plan.Edit)) return false;
    Current().History = std::move(next);
    return true;
}

TEditPlan TDefineDecoder::PlanFor(uint8_t p) const {
    return TEditPlan(packs_[p].Folder, PictureExt(p), packs_[p].NameWidth);
}

// After the list changed: the names' width, labels and counters ("_define.ini" is written by
// the edit itself, before or with its files).
void TDefineDecoder::AfterEdit() {
    TPack& pack = Current();
    if (PictureNameWidth(pack.Smiles.size()) != pack.NameWidth)
        SyncNameWidth(currentPack_, pack.Smiles.size());
    RelabelPack(currentPack_);
}

// Gives every canonically named picture of the pack's working copy the width that keeps the
// smiles (and any pictures beyond them) in name order: two letters up to 676, three beyond.
// Cut short by a kill, it is finished when the pack is next built.
void TDefineDecoder::SyncNameWidth(uint8_t p, size_t count) {
    TPack& pack = packs_[p];
    if (pack.Folder.empty()) return;
    const std::string_view ext = PictureExt(p);
    const int maxLetters = std::max(3, PictureNameWidth(count));
    const std::vector<std::string> names = FindFiles(pack.Folder + PictureMask(p));
    std::vector<std::pair<std::string, int64_t>> canonical;
    size_t extent = count;
    for (const std::string& name : names) {
        const int64_t index = CanonicalIndex(name, ext, maxLetters);
        if (index < 0) continue;
        canonical.emplace_back(name, index);
        extent = std::max(extent, static_cast<size_t>(index) + 1);
    }
    const int width = PictureNameWidth(extent);
    pack.NameWidth = width;
    for (const auto& [name, index] : canonical) {
        const std::string wanted = faceloom::PictureFileName(static_cast<size_t>(index), ext, width);
        if (wanted != name) RenameExact(pack.Folder + name, pack.Folder + wanted);
    }
}

TSmile* TDefineDecoder::AddSmile(const std::string& file) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        if (!SettleEdit(currentPack_)) return nullptr;
        if (!CurrentEditable()) return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        return InsertPicture(SmileCount(), file);
    });
}

TSmile* TDefineDecoder::InsertSmile(int32_t index, const std::string& file) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        if (!SettleEdit(currentPack_)) return nullptr;
        if (!CurrentEditable() || index < 0 || index >= SmileCount()) {
            return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        }
        return InsertPicture(index, file);
    });
}

TSmile* TDefineDecoder::AddSmileWithSignatures(int32_t index, const std::string& file,
                                               const std::vector<std::string>& signatures) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        if (!SettleEdit(currentPack_)) return nullptr;
        if (!CurrentEditable() || index < 0 || index > SmileCount()) {
            return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        }
        for (const std::string& text : signatures) {
            if (!StorableSignature(text)) return Fail<TSmile*>(TModelError::BadSignature, nullptr);
        }
        return InsertPicture(index, file, signatures);
    });
}

// The new picture is copied under a temporary name first; then one journalled edit keeps a
// picture beyond the last smile in the history (it belongs to no smile, but undo gives it
// back), shifts the later pictures up and gives the new one its name. Inside a BeginStep
// bracket an add next to the ones before joins their step.
TSmile* TDefineDecoder::InsertPicture(int32_t index, const std::string& file,
                                      const std::vector<std::string>& signatures) {
    const int32_t count = SmileCount();
    TPack& pack = Current();
    TEditPlan plan = PlanFor(currentPack_);
    const std::string temp = plan.Files().FreeTempName("insert");
    if (!FileExists(file) || !CopyFileNew(file, pack.Folder + temp, TDurability::Scratch)) {
        lastErrorFile_ = file;
        return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
    }
    TEditHistory next = pack.History;
    std::vector<std::string> dropped;
    THistoryStep* top = next.CanUndo() ? &next.UndoStep() : nullptr;
    const bool join = stepDepth_ > 0 && top && pack.GroupStep == next.Position() &&
                      top->Info.Kind == THistoryKind::AddSmiles && index >= top->Info.Index &&
                      index <= top->Info.Index + top->Info.Count;
    TKeptPicture displaced;
    plan.Keep(count, displaced, next);
    plan.ShiftUp(index, count, 1);
    plan.Rename(temp, plan.Name(index));
    if (join) {
        const int32_t at = index - top->Info.Index;
        InsertAddedSignatures(*top, at, signatures);
        ++top->Info.Count;
        top->Done.push_back(displaced);
        top->Undone.insert(top->Undone.begin() + at, TKeptPicture());
        next.Trimmed(dropped);
    } else {
        THistoryStep step;
        step.Info = {THistoryKind::AddSmiles, index, index, 0, {}, {}};
        InsertAddedSignatures(step, 0, signatures);
        step.Info.Count = 1;
        step.Done = {displaced};
        step.Undone = {TKeptPicture()};
        next.Push(std::move(step), dropped);
    }
    std::vector<std::vector<std::string>> lines = SignatureLines(pack.Smiles);
    lines.insert(lines.begin() + index, signatures);
    plan.Edit.Definition = FormatDefinition(lines);
    if (!RunRecorded(plan, next, dropped)) {
        DeleteFileAt(pack.Folder + temp);
        return nullptr;
    }
    if (stepDepth_ > 0) pack.GroupStep = pack.History.Position();
    TRef<TSmile> smile = CreateSmile(PicturePath(index), currentPack_);
    smile->Signatures.Assign(signatures);
    Hook(*smile, currentPack_);
    TSmile* result = smile.get();
    pack.Smiles.insert(pack.Smiles.begin() + index, TLabeledSmile{LabelOf(*smile), std::move(smile)});
    AfterEdit();
    return result;
}

namespace {

// The smile's first signature before a step, else after it.
std::string StepLabel(const std::vector<std::string>& before, const std::vector<std::string>& after = {}) {
    return !before.empty() ? before.front() : !after.empty() ? after.front() : std::string();
}

}  // namespace

// The new picture is copied under a temporary name first; one journalled edit then keeps the
// old picture in the history, gives the new one its name and rewrites the definition, so that
// a failure anywhere leaves the old picture in place.
TSmile* TDefineDecoder::ReplacePicture(int32_t index, const std::string& file) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        if (!SettleEdit(currentPack_)) return nullptr;
        if (!CurrentEditable() || index < 0 || index >= SmileCount()) {
            return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        }
        TPack& pack = Current();
        TEditPlan plan = PlanFor(currentPack_);
        const std::string temp = plan.Files().FreeTempName("replace");
        if (!FileExists(file) || !CopyFileNew(file, pack.Folder + temp, TDurability::Scratch)) {
            lastErrorFile_ = file;
            return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
        }
        TLabeledSmile& entry = pack.Smiles[static_cast<size_t>(index)];
        TEditHistory next = pack.History;
        THistoryStep step;
        step.Info = {
            THistoryKind::ReplacePicture, index, index, 1, StepLabel(entry.Smile->Signatures.Items()), {}};
        step.Done.resize(1);
        step.Undone.resize(1);
        plan.Keep(index, step.Done[0], next);
        plan.Rename(temp, plan.Name(index));
        std::vector<std::string> dropped;
        next.Push(std::move(step), dropped);
        plan.Edit.Definition = FormatDefinition(SignatureLines(pack.Smiles));
        if (!RunRecorded(plan, next, dropped)) {
            DeleteFileAt(pack.Folder + temp);
            return nullptr;
        }
        TRef<TSmile> smile = CreateSmile(PicturePath(index), currentPack_);
        // Before hooking, so that no change notification fires.
        smile->Signatures.Assign(entry.Smile->Signatures);
        Hook(*smile, currentPack_);
        Unhook(*entry.Smile);
        TSmile* result = smile.get();
        entry.Smile = std::move(smile);
        // The picture is no longer the user's file: a save gives it the canonical name.
        entry.SourceName.clear();
        AfterEdit();
        return result;
    });
}

bool TDefineDecoder::MoveSmile(int32_t from, int32_t to) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        const int32_t count = SmileCount();
        if (!CurrentEditable() || from < 0 || from >= count || to < 0 || to >= count) {
            return Fail(TModelError::NotPresent, false);
        }
        // Nothing moved, nothing to write.
        if (from == to) return true;
        TPack& pack = Current();
        TLabelList moved = pack.Smiles;
        TLabeledSmile entry = std::move(moved[static_cast<size_t>(from)]);
        moved.erase(moved.begin() + from);
        moved.insert(moved.begin() + to, std::move(entry));
        TEditPlan plan = PlanFor(currentPack_);
        plan.Move(from, to);
        plan.Edit.Definition = FormatDefinition(SignatureLines(moved));
        TEditHistory next = pack.History;
        THistoryStep step;
        step.Info = {THistoryKind::MoveSmile,
                     from,
                     to,
                     1,
                     StepLabel(moved[static_cast<size_t>(to)].Smile->Signatures.Items()),
                     {}};
        std::vector<std::string> dropped;
        next.Push(std::move(step), dropped);
        if (!RunRecorded(plan, next, dropped)) return false;
        pack.Smiles = std::move(moved);
        AfterEdit();
        return true;
    });
}

// The picture goes into the history; the pictures after it shift down.
bool TDefineDecoder::DeleteSmile(int32_t index) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        const int32_t count = SmileCount();
        if (!CurrentEditable() || index < 0 || index >= count) return Fail(TModelError::NotPresent, false);
        TPack& pack = Current();
        TLabelList& smiles = pack.Smiles;
        TEditPlan plan = PlanFor(currentPack_);
        TEditHistory next = pack.History;
        THistoryStep step;
        step.Before = smiles[static_cast<size_t>(index)].Smile->Signatures.Items();
        step.Info = {THistoryKind::DeleteSmile, index, index, 1, StepLabel(step.Before), {}};
        step.Done.resize(1);
        plan.Keep(index, step.Done[0], next);
        plan.ShiftDown(index + 1, count, 1);
        std::vector<std::vector<std::string>> lines = SignatureLines(smiles);
        lines.erase(lines.begin() + index);
        plan.Edit.Definition = FormatDefinition(lines);
        std::vector<std::string> dropped;
        next.Push(std::move(step), dropped);
        if (!RunRecorded(plan, next, dropped)) return false;
        Unhook(*smiles[static_cast<size_t>(index)].Smile);
        smiles.erase(smiles.begin() + index);
        AfterEdit();
        return true;
    });
}

// The picture goes into the history under the edit journal, so that a failure leaves it in
// place and undo brings it back.
bool TDefineDecoder::DeletePicture(int32_t index) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        if (!CurrentEditable() || index < 0 || index >= SmileCount())
            return Fail(TModelError::NotPresent, false);
        TPack& pack = Current();
        TSmile& smile = *pack.Smiles[static_cast<size_t>(index)].Smile;
        TEditPlan plan = PlanFor(currentPack_);
        TEditHistory next = pack.History;
        THistoryStep step;
        step.Info = {THistoryKind::DeletePicture, index, index, 1, StepLabel(smile.Signatures.Items()), {}};
        step.Done.resize(1);
        plan.Keep(index, step.Done[0], next);
        plan.Edit.Definition = FormatDefinition(SignatureLines(pack.Smiles));
        std::vector<std::string> dropped;
        next.Push(std::move(step), dropped);
        if (!RunRecorded(plan, next, dropped)) return false;
        smile.SetPicture(nullptr);
        pack.Smiles[static_cast<size_t>(index)].SourceName.clear();
        // Without its file the smile is a missing one now, also if its picture had failed to load.
        smile.LoadError = false;
        smile.TooLargeForMemory = false;
        AfterEdit();
        return true;
    });
}

// ---- signatures

bool TDefineDecoder::StorableSignature(std::string_view text) {
    if (text.empty() || static_cast<unsigned char>(text.front()) <= 0x20 ||
        static_cast<unsigned char>(text.back()) <= 0x20)
        return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == ',';
    });
}

namespace {

// The signatures as "_define.ini" gives them back: the line loses the blanks at its ends.
std::vector<std::string> ReadBack(const std::vector<std::string>& signatures) {
    std::string line;
    for (size_t i = 0; i < signatures.size(); ++i) {
        if (i > 0) line += ',';
        line += signatures[i];
    }
    size_t first = 0, last = line.size();
    while (first < last && static_cast<unsigned char>(line[first]) <= 0x20) ++first;
    while (last > first && static_cast<unsigned char>(line[last - 1]) <= 0x20) --last;
    std::vector<std::string> back;
    ParseSignatures(std::string_view(line).substr(first, last - first), back);
    return back;
}

}  // namespace

void TDefineDecoder::AssignQuietly(TSmile& smile, std::vector<std::string> signatures) {
    TSignatureList& list = smile.Signatures;
    // Quietly: the handler would write the definition again.
    TSignatureList::TChangeHandler handler = std::move(list.OnChange);
    list.OnChange = nullptr;
    list.Assign(std::move(signatures));
    list.OnChange = std::move(handler);
}

// The file first: the smile shows the new list only once the definition holds it. A change
// that leaves the list as it is writes nothing and is no step.
bool TDefineDecoder::ChangeSignatures(int32_t index, std::vector<std::string> signatures, THistoryKind kind,
                                      const std::string& text) {
    TPack& pack = Current();
    signatures = ReadBack(signatures);
    TSmile& smile = *pack.Smiles[static_cast<size_t>(index)].Smile;
    std::vector<std::string> before = smile.Signatures.Items();
    if (signatures == before && !pack.Stale) return true;
    std::vector<std::vector<std::string>> lines = SignatureLines(pack.Smiles);
    lines[static_cast<size_t>(index)] = signatures;
    TEditPlan plan = PlanFor(currentPack_);
    plan.Edit.Definition = FormatDefinition(lines);
    TEditHistory next = pack.History;
    std::vector<std::string> dropped;
    if (signatures != before) {
        THistoryStep step;
        step.Info = {kind, index, index, 1, StepLabel(before, signatures), text};
        step.Before = std::move(before);
        step.After = signatures;
        next.Push(std::move(step), dropped);
    }
    if (!RunRecorded(plan, next, dropped)) return false;
    AssignQuietly(smile, std::move(signatures));
    RelabelPack(currentPack_);
    return true;
}

bool TDefineDecoder::AddSignature(int32_t index, int32_t position, const std::string& text) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        if (!smile || position < 0 || position > smile->Signatures.Count())
            return Fail(TModelError::NotPresent, false);
        if (!StorableSignature(text)) return Fail(TModelError::BadSignature, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        signatures.insert(signatures.begin() + position, text);
        return ChangeSignatures(index, std::move(signatures), THistoryKind::AddSignature, text);
    });
}

bool TDefineDecoder::EditSignature(int32_t index, int32_t position, const std::string& text) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        if (!smile || position < 0 || position >= smile->Signatures.Count())
            return Fail(TModelError::NotPresent, false);
        if (!StorableSignature(text)) return Fail(TModelError::BadSignature, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        signatures[static_cast<size_t>(position)] = text;
        return ChangeSignatures(index, std::move(signatures), THistoryKind::EditSignature, text);
    });
}

bool TDefineDecoder::MoveSignature(int32_t index, int32_t from, int32_t to) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        const int32_t count = smile ? smile->Signatures.Count() : 0;
        if (!smile || from < 0 || from >= count || to < 0 || to >= count)
            return Fail(TModelError::NotPresent, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        const std::string moved = signatures[static_cast<size_t>(from)];
        signatures.erase(signatures.begin() + from);
        signatures.insert(signatures.begin() + to, moved);
        return ChangeSignatures(index, std::move(signatures), THistoryKind::MoveSignature, moved);
    });
}

bool TDefineDecoder::DeleteSignature(int32_t index, int32_t position) {
    return Run(false, [&] {
        if (!SettleEdit(currentPack_)) return false;
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        if (!smile || position < 0 || position >= smile->Signatures.Count())
            return Fail(TModelError::NotPresent, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        const std::string deleted = signatures[static_cast<size_t>(position)];
        signatures.erase(signatures.begin() + position);
        return ChangeSignatures(index, std::move(signatures), THistoryKind::DeleteSignature, deleted);
    });
}

}  // namespace faceloom
