// Editing operations on the current pack: every one keeps smile n of the list, the picture
// file with the canonical name of n and line n + 1 of "_define.ini" in step. Edits that rename
// pictures run under the edit journal, so a kill leaves the edit done or not done; every rename
// is checked, and a failed edit is put back and reported by its result.

#include <algorithm>
#include <map>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "model/edit_journal.h"
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

// The files of a working copy by name, read once per edit.
class TFolderFiles {
public:
    explicit TFolderFiles(const std::string& folder) {
        for (TFolderEntry& entry : ListFolder(folder)) {
            if (entry.IsFile) files_.emplace(std::move(entry.Name), entry.Inode);
        }
    }
    const uint64_t* Find(const std::string& name) const {
        const auto it = files_.find(name);
        return it == files_.end() ? nullptr : &it->second;
    }
    // A temporary name of ours that no file has.
    std::string FreeTempName(const char* kind) {
        for (int n = 0;; ++n) {
            std::string name = ".~faceloom-" + std::string(kind) + "-" + std::to_string(n) + ".tmp";
            if (files_.emplace(name, 0).second) return name;
        }
    }

private:
    std::map<std::string, uint64_t> files_;
};

}  // namespace

// Runs the journalled renames and the definition write of an edit; the caller changes the
// list only when this succeeded.
bool TDefineDecoder::RunEdit(const TEditJournal& edit) {
    switch (ApplyEdit(Current().Folder, edit, identity_)) {
        case TEditOutcome::Done:
            Current().Stale = false;
            return true;
        case TEditOutcome::WriteFailed:
            return Fail(TModelError::WriteFailed, false);
        case TEditOutcome::RenameFailed:
        case TEditOutcome::RollbackFailed:
            break;
    }
    return Fail(TModelError::RenameFailed, false);
}

// After the list changed: the names' width, labels and counters, and "_define.ini" (which a
// journalled edit wrote already). False when the definition could not be written.
bool TDefineDecoder::AfterEdit(bool writeDefinition) {
    TPack& pack = Current();
    if (PictureNameWidth(pack.Smiles.size()) != pack.NameWidth)
        SyncNameWidth(currentPack_, pack.Smiles.size());
    RelabelPack(currentPack_);
    return !writeDefinition || WritePackDefinition(currentPack_);
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
        if (!CurrentEditable()) return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        const std::string target = PicturePath(SmileCount());
        // A picture beyond the last smile belongs to no smile: the new one takes its place.
        if (!FileExists(file) || !CopyFileReplacing(file, target, TDurability::Scratch)) {
            return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
        }
        TRef<TSmile> smile = CreateSmile(target, currentPack_);
        Hook(*smile, currentPack_);
        TSmile* result = smile.get();
        TLabelList& smiles = Current().Smiles;
        smiles.push_back({LabelOf(*smile), std::move(smile)});
        if (!AfterEdit()) {
            Unhook(*smiles.back().Smile);
            smiles.pop_back();
            DeleteFileAt(target);
            SyncNameWidth(currentPack_, smiles.size());
            RelabelPack(currentPack_);
            return nullptr;
        }
        return result;
    });
}

// The new picture is copied under a temporary name first; then one journalled edit sets aside
// a picture beyond the last smile, shifts the later pictures up and gives the new one its name.
TSmile* TDefineDecoder::InsertSmile(int32_t index, const std::string& file) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        const int32_t count = SmileCount();
        if (!CurrentEditable() || index < 0 || index >= count) {
            return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        }
        const std::string& folder = Current().Folder;
        TFolderFiles files(folder);
        const std::string temp = files.FreeTempName("insert");
        if (!FileExists(file) || !CopyFileNew(file, folder + temp, TDurability::Scratch)) {
            return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
        }
        TEditJournal edit;
        std::string beyond;
        if (const uint64_t* id = files.Find(PictureFileName(count))) {
            beyond = files.FreeTempName("beyond");
            edit.Steps.push_back({false, PictureFileName(count), beyond, *id});
        }
        for (int32_t c = count - 1; c >= index; --c) {
            if (const uint64_t* id = files.Find(PictureFileName(c)))
                edit.Steps.push_back({false, PictureFileName(c), PictureFileName(c + 1), *id});
        }
        edit.Steps.push_back({false, temp, PictureFileName(index), FileIdentity(folder + temp).value_or(0)});
        if (!beyond.empty()) edit.Steps.push_back({true, beyond, "", *files.Find(PictureFileName(count))});
        std::vector<std::vector<std::string>> lines = SignatureLines(Current().Smiles);
        lines.insert(lines.begin() + index, std::vector<std::string>{});
        edit.Definition = FormatDefinition(lines);
        if (!RunEdit(edit)) {
            DeleteFileAt(folder + temp);
            return nullptr;
        }
        TRef<TSmile> smile = CreateSmile(PicturePath(index), currentPack_);
        Hook(*smile, currentPack_);
        TSmile* result = smile.get();
        TLabelList& smiles = Current().Smiles;
        smiles.insert(smiles.begin() + index, TLabeledSmile{LabelOf(*smile), std::move(smile)});
        AfterEdit(false);
        return result;
    });
}

TSmile* TDefineDecoder::ReplacePicture(int32_t index, const std::string& file) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        if (!CurrentEditable() || index < 0 || index >= SmileCount()) {
            return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        }
        const std::string target = PicturePath(index);
        if (!FileExists(file) || !CopyFileReplacing(file, target, TDurability::Scratch)) {
            return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
        }
        TLabeledSmile& entry = Current().Smiles[static_cast<size_t>(index)];
        TRef<TSmile> smile = CreateSmile(target, currentPack_);
        // Before hooking, so that no change notification fires.
        smile->Signatures.Assign(entry.Smile->Signatures);
        Hook(*smile, currentPack_);
        Unhook(*entry.Smile);
        TSmile* result = smile.get();
        entry.Smile = std::move(smile);
        // The definition does not change; a failed write only leaves it stale (reported).
        AfterEdit();
        return result;
    });
}

// The picture of `from` is set aside under a temporary name while the pictures between shift
// by one; a smile without picture file simply leaves the gap travel with it.
bool TDefineDecoder::MoveSmile(int32_t from, int32_t to) {
    return Run(false, [&] {
        const int32_t count = SmileCount();
        if (!CurrentEditable() || from < 0 || from >= count || to < 0 || to >= count) {
            return Fail(TModelError::NotPresent, false);
        }
        TLabelList moved = Current().Smiles;
        TLabeledSmile entry = std::move(moved[static_cast<size_t>(from)]);
        moved.erase(moved.begin() + from);
        moved.insert(moved.begin() + to, std::move(entry));
        if (from != to) {
            TFolderFiles files(Current().Folder);
            TEditJournal edit;
            const uint64_t* parkedId = files.Find(PictureFileName(from));
            const std::string parked = parkedId ? files.FreeTempName("move") : std::string();
            if (parkedId) edit.Steps.push_back({false, PictureFileName(from), parked, *parkedId});
            auto shift = [&](int32_t a, int32_t b) {
                if (const uint64_t* id = files.Find(PictureFileName(a)))
                    edit.Steps.push_back({false, PictureFileName(a), PictureFileName(b), *id});
            };
            if (to < from) {
                for (int32_t b = from; b >= to + 1; --b) shift(b - 1, b);
            } else {
                for (int32_t c = from + 1; c <= to; ++c) shift(c, c - 1);
            }
            if (parkedId) edit.Steps.push_back({false, parked, PictureFileName(to), *parkedId});
            edit.Definition = FormatDefinition(SignatureLines(moved));
            if (!RunEdit(edit)) return false;
        }
        Current().Smiles = std::move(moved);
        AfterEdit(from == to);
        return true;
    });
}

bool TDefineDecoder::DeleteSmile(int32_t index) {
    return Run(false, [&] {
        const int32_t count = SmileCount();
        if (!CurrentEditable() || index < 0 || index >= count) return Fail(TModelError::NotPresent, false);
        TLabelList& smiles = Current().Smiles;
        TFolderFiles files(Current().Folder);
        TEditJournal edit;
        const uint64_t* victimId = files.Find(PictureFileName(index));
        const std::string victim = victimId ? files.FreeTempName("delete") : std::string();
        if (victimId) edit.Steps.push_back({false, PictureFileName(index), victim, *victimId});
        for (int32_t c = index; c < count - 1; ++c) {
            if (const uint64_t* id = files.Find(PictureFileName(c + 1)))
                edit.Steps.push_back({false, PictureFileName(c + 1), PictureFileName(c), *id});
        }
        if (victimId) edit.Steps.push_back({true, victim, "", *victimId});
        std::vector<std::vector<std::string>> lines = SignatureLines(smiles);
        lines.erase(lines.begin() + index);
        edit.Definition = FormatDefinition(lines);
        if (!RunEdit(edit)) return false;
        Unhook(*smiles[static_cast<size_t>(index)].Smile);
        smiles.erase(smiles.begin() + index);
        AfterEdit(false);
        return true;
    });
}

bool TDefineDecoder::DeletePicture(int32_t index) {
    return Run(false, [&] {
        if (!CurrentEditable() || index < 0 || index >= SmileCount())
            return Fail(TModelError::NotPresent, false);
        const std::string path = PicturePath(index);
        if (FileExists(path) && !DeleteFileAt(path)) return Fail(TModelError::RenameFailed, false);
        TSmile& smile = *Current().Smiles[static_cast<size_t>(index)].Smile;
        smile.SetPicture(nullptr);
        // Without its file the smile is a missing one now, also if its picture had failed to load.
        smile.LoadError = false;
        // The definition does not change; a failed write only leaves it stale (reported).
        AfterEdit();
        return true;
    });
}

}  // namespace faceloom
