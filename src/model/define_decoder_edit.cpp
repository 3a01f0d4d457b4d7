// Editing operations on the current pack: every one keeps smile n of the list, the picture
// file with the canonical name of n and line n + 1 of "_define.ini" in step.

#include <algorithm>
#include <cctype>

#include "model/define_decoder.h"
#include "model/define_file.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace faceloom {

namespace {

// Temporary names in the working copy start with a dot and end in ".tmp", so that no pack
// mask picks them up.
constexpr const char* kInsertTemp = ".~faceloom-insert.tmp";
constexpr const char* kMoveTemp = ".~faceloom-move.tmp";

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

// Renames the canonical files of smile indexes (from, to), in order, reading the folder once.
void TDefineDecoder::RenamePictures(const std::vector<std::pair<int32_t, int32_t>>& moves) {
    std::vector<std::pair<std::string, std::string>> names;
    names.reserve(moves.size());
    for (const auto& [from, to] : moves) names.emplace_back(PictureFileName(from), PictureFileName(to));
    RenameNoReplaceInFolder(Current().Folder, names);
}

// Opening a pack whose picture names clash by letter case can leave a picture whose name
// differs from a canonical one only in letter case; no rename can then give that canonical
// name to another picture. An edit that would rename into such a name is refused before
// anything moves: otherwise a picture would stay under another smile's name or, for a move,
// parked outside the pack.
bool TDefineDecoder::CaseVariantIn(int32_t first, int32_t last) const {
    if (first > last) return false;
    const std::string_view ext = PictureExt(currentPack_);
    for (const std::string& name : FindFiles(Current().Folder + PictureMask(currentPack_))) {
        const std::string lower = AsciiLower(name);
        if (lower == name) continue;
        const int64_t index = CanonicalIndex(lower, ext, Current().NameWidth);
        if (index >= first && index <= last && lower == PictureFileName(static_cast<int32_t>(index)))
            return true;
    }
    return false;
}

void TDefineDecoder::AfterEdit() {
    TPack& pack = Current();
    if (PictureNameWidth(pack.Smiles.size()) != pack.NameWidth)
        SyncNameWidth(currentPack_, pack.Smiles.size());
    RelabelPack(currentPack_);
    WriteDefinition();
}

// Gives every canonically named picture of the pack's working copy the width that keeps the
// smiles (and any pictures beyond them) in name order: two letters up to 676, three beyond.
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
    std::vector<std::pair<std::string, std::string>> renames;
    for (const auto& [name, index] : canonical) {
        std::string wanted = faceloom::PictureFileName(static_cast<size_t>(index), ext, width);
        if (wanted != name) renames.emplace_back(name, std::move(wanted));
    }
    RenameNoReplaceInFolder(pack.Folder, renames);
}

TSmile* TDefineDecoder::AddSmile(const std::string& file) {
    if (!CurrentEditable() || !FileExists(file)) return nullptr;
    const std::string target = PicturePath(SmileCount());
    if (!CopyFileReplacing(file, target, TDurability::Scratch)) return nullptr;
    TRef<TSmile> smile = CreateSmile(target, currentPack_);
    Hook(*smile, currentPack_);
    TSmile* result = smile.get();
    Current().Smiles.push_back({LabelOf(*smile), std::move(smile)});
    AfterEdit();
    return result;
}

// The new picture is copied under a temporary name first, so a failed copy leaves the files
// as they were; only then are the later pictures shifted up.
TSmile* TDefineDecoder::InsertSmile(int32_t index, const std::string& file) {
    const int32_t count = SmileCount();
    if (!CurrentEditable() || !FileExists(file) || index < 0 || index >= count) return nullptr;
    if (CaseVariantIn(index, count)) return nullptr;
    const std::string temp = Current().Folder + kInsertTemp;
    DeleteFileAt(temp);
    if (!CopyFileReplacing(file, temp, TDurability::Scratch)) {
        DeleteFileAt(temp);
        return nullptr;
    }
    // A picture beyond the last smile belongs to no smile; adding a smile replaces it too.
    DeleteFileAt(PicturePath(count));
    std::vector<std::pair<int32_t, int32_t>> up, down;
    for (int32_t c = count - 1; c >= index; --c) up.emplace_back(c, c + 1);
    for (int32_t c = index; c < count; ++c) down.emplace_back(c + 1, c);
    RenamePictures(up);
    const std::string target = PicturePath(index);
    if (!RenameNoReplace(temp, target)) {
        RenamePictures(down);
        DeleteFileAt(temp);
        return nullptr;
    }
    TRef<TSmile> smile = CreateSmile(target, currentPack_);
    Hook(*smile, currentPack_);
    TSmile* result = smile.get();
    TLabelList& smiles = Current().Smiles;
    smiles.insert(smiles.begin() + index, TLabeledSmile{LabelOf(*smile), std::move(smile)});
    AfterEdit();
    return result;
}

TSmile* TDefineDecoder::ReplacePicture(int32_t index, const std::string& file) {
    if (!CurrentEditable() || !FileExists(file) || index < 0 || index >= SmileCount()) {
        return nullptr;
    }
    const std::string target = PicturePath(index);
    if (!CopyFileReplacing(file, target, TDurability::Scratch)) return nullptr;
    TLabeledSmile& entry = Current().Smiles[static_cast<size_t>(index)];
    TRef<TSmile> smile = CreateSmile(target, currentPack_);
    // Before hooking, so that no change notification fires.
    smile->Signatures.Assign(entry.Smile->Signatures);
    Hook(*smile, currentPack_);
    Unhook(*entry.Smile);
    TSmile* result = smile.get();
    entry.Smile = std::move(smile);
    AfterEdit();
    return result;
}

// The picture of `from` is parked under a temporary name while the pictures between shift by
// one; a smile without picture file simply leaves the gap travel with it.
bool TDefineDecoder::MoveSmile(int32_t from, int32_t to) {
    const int32_t count = SmileCount();
    if (!CurrentEditable() || from < 0 || from >= count || to < 0 || to >= count) return false;
    if (from != to) {
        if (CaseVariantIn(std::min(from, to), std::max(from, to))) return false;
        const std::string source = PicturePath(from);
        std::string parked;
        if (FileExists(source)) {
            // A Temp.gif left behind by an earlier run would otherwise block the rotation or,
            // worse, end up as the moved smile's picture.
            for (const std::string& candidate : {tempFile_, Current().Folder + kMoveTemp}) {
                if (candidate.empty()) continue;
                ForceDirectories(ExtractFilePath(candidate));
                DeleteFileAt(candidate);
                if (RenameNoReplace(source, candidate)) {
                    parked = candidate;
                    break;
                }
            }
            if (parked.empty()) return false;  // nothing moved yet
        }
        TLabelList& smiles = Current().Smiles;
        TLabeledSmile moved = std::move(smiles[static_cast<size_t>(from)]);
        smiles.erase(smiles.begin() + from);
        smiles.insert(smiles.begin() + to, std::move(moved));
        std::vector<std::pair<int32_t, int32_t>> shift;
        if (to < from) {
            for (int32_t b = from; b >= to + 1; --b) shift.emplace_back(b - 1, b);
        } else {
            for (int32_t c = from + 1; c <= to; ++c) shift.emplace_back(c, c - 1);
        }
        RenamePictures(shift);
        if (!parked.empty()) RenameNoReplace(parked, PicturePath(to));
    }
    AfterEdit();
    return true;
}

bool TDefineDecoder::DeleteSmile(int32_t index) {
    if (!CurrentEditable() || index < 0 || index >= SmileCount()) return false;
    if (CaseVariantIn(index, SmileCount() - 2)) return false;
    TLabelList& smiles = Current().Smiles;
    Unhook(*smiles[static_cast<size_t>(index)].Smile);
    smiles.erase(smiles.begin() + index);
    DeleteFileAt(PicturePath(index));
    const int32_t count = SmileCount();
    std::vector<std::pair<int32_t, int32_t>> shift;
    for (int32_t c = index; c < count; ++c) shift.emplace_back(c + 1, c);
    RenamePictures(shift);
    AfterEdit();
    return true;
}

bool TDefineDecoder::DeletePicture(int32_t index) {
    if (!CurrentEditable() || index < 0 || index >= SmileCount()) return false;
    TSmile& smile = *Current().Smiles[static_cast<size_t>(index)].Smile;
    smile.SetPicture(nullptr);
    // Without its file the smile is a missing one now, also if its picture had failed to load.
    smile.LoadError = false;
    DeleteFileAt(PicturePath(index));
    AfterEdit();
    return true;
}

}  // namespace faceloom
