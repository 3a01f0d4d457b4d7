#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// The undo history of a working copy, kept in the working copy's "History/" folder: the index
// ("History/index", rewritten whole) and the pictures the steps took out of the pack
// ("History/k<n>.gif" or ".bmp"). The index changes only under the edit journal, in the same
// unit as the renames and "_define.ini" of the step, so after a kill the working copy and its
// history agree. It carries the storage's identity and a checksum: a damaged or foreign index
// is dropped, never acted on.
inline constexpr const char* kHistoryIndexName = "History/index";

enum class THistoryKind : uint8_t {
    AddSmiles,  // one or more smiles added in a row (a multi-file add is one step)
    ReplacePicture,
    DeletePicture,
    DeleteSmile,
    MoveSmile,
    AddSignature,
    EditSignature,
    MoveSignature,
    DeleteSignature,
};
inline constexpr int kHistoryKinds = 9;

// What the window needs to name a step in its hints ("Отменить: удаление смайла 12 «:-D»").
struct THistoryStepInfo {
    THistoryKind Kind = THistoryKind::AddSmiles;
    int32_t Index = 0;  // the smile (the first added one; a moved smile's place before the move)
    int32_t To = 0;     // MoveSmile: the moved smile's place after the move; else Index
    int32_t Count = 1;  // AddSmiles: how many smiles; else 1
    // The smile's first signature before the step (after it when it had none), bytes in the
    // pack code page; empty when it has none either way.
    std::string Label;
    std::string Text;  // signature steps: the signature added, edited (new text), moved or deleted
    bool operator==(const THistoryStepInfo&) const = default;
};

// A picture a step keeps in "History/" while it is in one of its states; no name: none.
struct TKeptPicture {
    std::string Name;  // "k<n>.gif" or "k<n>.bmp"
    uint64_t Size = 0;
    bool operator==(const TKeptPicture&) const = default;
};

// One step. Pictures kept while the step is done (Done) and while it is undone (Undone):
//   AddSmiles       Done[k]: the picture beyond the last smile that the k-th add displaced;
//                   Undone[j]: the picture of smile Index + j (Count entries each);
//                   when any added smile came with signatures (an import): Before[j] the
//                   number of smile Index + j's signatures in decimal, After all of them in
//                   order (see AddedSignatures)
//   DeleteSmile     Done[0]: the deleted smile's picture; Before: its signatures
//   ReplacePicture  Done[0]: the old picture; Undone[0]: the new one
//   DeletePicture   Done[0]: the deleted picture
//   signatures      Before and After: the smile's whole list
struct THistoryStep {
    THistoryStepInfo Info;
    std::vector<TKeptPicture> Done;
    std::vector<TKeptPicture> Undone;
    std::vector<std::string> Before;
    std::vector<std::string> After;
    bool operator==(const THistoryStep&) const = default;
};

// The signatures an AddSmiles step's smiles came with, one list per added smile (empty lists
// when the step keeps none or its record does not add up), and the recording of one more.
std::vector<std::vector<std::string>> AddedSignatures(const THistoryStep& step);
void InsertAddedSignatures(THistoryStep& step, int32_t at, const std::vector<std::string>& signatures);

class TEditHistory {
public:
    static constexpr size_t kMaxSteps = 200;
    static constexpr uint64_t kMaxKeptBytes = 64ull << 20;
    // Largest index read back (checked before it is read): an index is a few kilobytes, and
    // a forged one must not make start-up allocate gigabytes. The oldest steps go before the
    // index would grow past it.
    static constexpr uint64_t kMaxIndexBytes = 16ull << 20;

    const std::vector<THistoryStep>& Steps() const { return steps_; }
    // Steps before the cursor are done, the others undone (redo steps).
    size_t Cursor() const { return cursor_; }
    bool CanUndo() const { return cursor_ > 0; }
    bool CanRedo() const { return cursor_ < steps_.size(); }
    // The step the next undo (redo) takes back (does again).
    THistoryStep& UndoStep() { return steps_[cursor_ - 1]; }
    THistoryStep& RedoStep() { return steps_[cursor_]; }
    // Absolute number of the last done step (0: none): it stays with the step while older
    // steps are dropped.
    uint64_t Position() const { return first_ + cursor_; }

    // The working copy differs from what was last opened or saved.
    bool Modified() const { return !savedKnown_ || saved_ != Position(); }
    void MarkSaved();
    // The saved state can no longer be reached by undo or redo.
    void MarkUnsaved() { savedKnown_ = false; }

    // A new step done at the cursor: the redo steps go, then the oldest steps while the history
    // is over its bounds (never the new one). The kept pictures that no step holds any more
    // are appended to dropped.
    void Push(THistoryStep step, std::vector<std::string>& dropped);
    // The last done step was undone (redone): moves the cursor and applies the bounds.
    void Undone(std::vector<std::string>& dropped);
    void Redone(std::vector<std::string>& dropped);
    // Every undo step goes (the one a damaged picture keeps from being taken back and the
    // older ones), or every redo step.
    void DropUndoSteps(std::vector<std::string>& dropped) {
        while (cursor_ > 0) DropFront(dropped);
    }
    void DropRedoSteps(std::vector<std::string>& dropped) {
        while (steps_.size() > cursor_) DropBack(dropped);
    }
    // After the top step grew (a multi-file add): applies the bounds.
    void Trimmed(std::vector<std::string>& dropped) { Trim(cursor_ - 1, dropped); }

    // A fresh name for a kept picture ("k<n>" + ext), never given out before by this history.
    std::string NewKeptName(std::string_view ext) {
        return "k" + std::to_string(nextKept_++) + std::string(ext);
    }
    // Bytes of the pictures kept in the current state.
    uint64_t KeptBytes() const;
    // Names of the pictures kept in the current state.
    std::vector<std::string> KeptNames() const;

    std::string Encode(const std::string& identity) const;
    // Nullopt unless at most kMaxIndexBytes, whole (checksum), of this identity, and consistent: kinds,
    // counts, cursor, kept names of the form "k<n>.gif" / "k<n>.bmp" and never held twice, signatures a line
    // can hold.
    static std::optional<TEditHistory> Decode(std::string_view bytes, const std::string& identity);

    static bool KeptNameValid(std::string_view name);

private:
    void Trim(size_t keep, std::vector<std::string>& dropped);
    void DropFront(std::vector<std::string>& dropped);
    void DropBack(std::vector<std::string>& dropped);

    std::vector<THistoryStep> steps_;
    uint64_t first_ = 0;  // absolute number of the steps dropped at the front
    size_t cursor_ = 0;
    bool savedKnown_ = true;
    uint64_t saved_ = 0;  // absolute position of the last opened or saved state
    uint64_t nextKept_ = 0;
};

}  // namespace faceloom
