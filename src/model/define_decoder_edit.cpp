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
            lastErrorFile_ = Current().DefinePath;
            return Fail(TModelError::WriteFailed, false);
        case TEditOutcome::RenameFailed:
        case TEditOutcome::RollbackFailed:
            break;
    }
    lastErrorFile_ = Current().Folder;
    return Fail(TModelError::RenameFailed, false);
}

bool TDefineDecoder::WriteCurrentDefinition() {
    TPack& pack = Current();
    try {
        faceloom::WriteDefinition(pack.DefinePath, SignatureLines(pack.Smiles));
    } catch (const EInOutError&) {
        lastErrorFile_ = pack.DefinePath;
        return Fail(TModelError::WriteFailed, false);
    }
    pack.Stale = false;
    return true;
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
        if (!CurrentEditable()) return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        const std::string target = PicturePath(SmileCount());
        // A picture beyond the last smile belongs to no smile: the new one takes its place.
        if (!FileExists(file) || !CopyFileReplacing(file, target, TDurability::Scratch)) {
            lastErrorFile_ = file;
            return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
        }
        TRef<TSmile> smile = CreateSmile(target, currentPack_);
        Hook(*smile, currentPack_);
        TSmile* result = smile.get();
        TLabelList& smiles = Current().Smiles;
        smiles.push_back({LabelOf(*smile), std::move(smile)});
        AfterEdit();
        if (!WriteCurrentDefinition()) {
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
            lastErrorFile_ = file;
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
        AfterEdit();
        return result;
    });
}

// The new picture is copied under a temporary name first; one journalled edit then sets the old
// picture aside, gives the new one its name and rewrites the definition, so that a failure
// anywhere leaves the old picture in place.
TSmile* TDefineDecoder::ReplacePicture(int32_t index, const std::string& file) {
    return Run<TSmile*>(nullptr, [&]() -> TSmile* {
        if (!CurrentEditable() || index < 0 || index >= SmileCount()) {
            return Fail<TSmile*>(TModelError::NotPresent, nullptr);
        }
        const std::string& folder = Current().Folder;
        TFolderFiles files(folder);
        const std::string temp = files.FreeTempName("replace");
        if (!FileExists(file) || !CopyFileNew(file, folder + temp, TDurability::Scratch)) {
            lastErrorFile_ = file;
            return Fail<TSmile*>(TModelError::CopyFailed, nullptr);
        }
        const std::string name = PictureFileName(index);
        TEditJournal edit;
        const uint64_t* oldId = files.Find(name);
        const std::string old = oldId ? files.FreeTempName("replaced") : std::string();
        if (oldId) edit.Steps.push_back({false, name, old, *oldId});
        edit.Steps.push_back({false, temp, name, FileIdentity(folder + temp).value_or(0)});
        if (oldId) edit.Steps.push_back({true, old, "", *oldId});
        edit.Definition = FormatDefinition(SignatureLines(Current().Smiles));
        if (!RunEdit(edit)) {
            DeleteFileAt(folder + temp);
            return nullptr;
        }
        TLabeledSmile& entry = Current().Smiles[static_cast<size_t>(index)];
        TRef<TSmile> smile = CreateSmile(PicturePath(index), currentPack_);
        // Before hooking, so that no change notification fires.
        smile->Signatures.Assign(entry.Smile->Signatures);
        Hook(*smile, currentPack_);
        Unhook(*entry.Smile);
        TSmile* result = smile.get();
        entry.Smile = std::move(smile);
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
        // Nothing moved, nothing to write.
        Current().Smiles = std::move(moved);
        AfterEdit();
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
        AfterEdit();
        return true;
    });
}

// The picture is set aside under the edit journal and dropped once the definition is written,
// so that a failure leaves it in place.
bool TDefineDecoder::DeletePicture(int32_t index) {
    return Run(false, [&] {
        if (!CurrentEditable() || index < 0 || index >= SmileCount())
            return Fail(TModelError::NotPresent, false);
        TFolderFiles files(Current().Folder);
        TEditJournal edit;
        const std::string name = PictureFileName(index);
        if (const uint64_t* id = files.Find(name)) {
            const std::string parked = files.FreeTempName("unpicture");
            edit.Steps.push_back({false, name, parked, *id});
            edit.Steps.push_back({true, parked, "", *id});
        }
        edit.Definition = FormatDefinition(SignatureLines(Current().Smiles));
        if (!RunEdit(edit)) return false;
        TSmile& smile = *Current().Smiles[static_cast<size_t>(index)].Smile;
        smile.SetPicture(nullptr);
        // Without its file the smile is a missing one now, also if its picture had failed to load.
        smile.LoadError = false;
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

// The file first: the smile shows the new list only once the definition holds it.
bool TDefineDecoder::ChangeSignatures(int32_t index, std::vector<std::string> signatures) {
    TPack& pack = Current();
    signatures = ReadBack(signatures);
    std::vector<std::vector<std::string>> lines = SignatureLines(pack.Smiles);
    lines[static_cast<size_t>(index)] = signatures;
    try {
        faceloom::WriteDefinition(pack.DefinePath, lines);
    } catch (const EInOutError&) {
        lastErrorFile_ = pack.DefinePath;
        return Fail(TModelError::WriteFailed, false);
    }
    pack.Stale = false;
    TSignatureList& list = pack.Smiles[static_cast<size_t>(index)].Smile->Signatures;
    // Quietly: the handler would write the definition again.
    TSignatureList::TChangeHandler handler = std::move(list.OnChange);
    list.OnChange = nullptr;
    list.Assign(std::move(signatures));
    list.OnChange = std::move(handler);
    RelabelPack(currentPack_);
    return true;
}

bool TDefineDecoder::AddSignature(int32_t index, int32_t position, const std::string& text) {
    return Run(false, [&] {
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        if (!smile || position < 0 || position > smile->Signatures.Count())
            return Fail(TModelError::NotPresent, false);
        if (!StorableSignature(text)) return Fail(TModelError::BadSignature, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        signatures.insert(signatures.begin() + position, text);
        return ChangeSignatures(index, std::move(signatures));
    });
}

bool TDefineDecoder::EditSignature(int32_t index, int32_t position, const std::string& text) {
    return Run(false, [&] {
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        if (!smile || position < 0 || position >= smile->Signatures.Count())
            return Fail(TModelError::NotPresent, false);
        if (!StorableSignature(text)) return Fail(TModelError::BadSignature, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        signatures[static_cast<size_t>(position)] = text;
        return ChangeSignatures(index, std::move(signatures));
    });
}

bool TDefineDecoder::MoveSignature(int32_t index, int32_t from, int32_t to) {
    return Run(false, [&] {
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        const int32_t count = smile ? smile->Signatures.Count() : 0;
        if (!smile || from < 0 || from >= count || to < 0 || to >= count)
            return Fail(TModelError::NotPresent, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        std::string moved = std::move(signatures[static_cast<size_t>(from)]);
        signatures.erase(signatures.begin() + from);
        signatures.insert(signatures.begin() + to, std::move(moved));
        return ChangeSignatures(index, std::move(signatures));
    });
}

bool TDefineDecoder::DeleteSignature(int32_t index, int32_t position) {
    return Run(false, [&] {
        TSmile* smile = CurrentEditable() ? Smile(index) : nullptr;
        if (!smile || position < 0 || position >= smile->Signatures.Count())
            return Fail(TModelError::NotPresent, false);
        std::vector<std::string> signatures = smile->Signatures.Items();
        signatures.erase(signatures.begin() + position);
        return ChangeSignatures(index, std::move(signatures));
    });
}

}  // namespace faceloom
