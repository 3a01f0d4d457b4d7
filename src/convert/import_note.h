#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace faceloom {

// Something an import, a conversion or an export skipped, changed or dropped, told to the user
// after the work is done. The order is stable: each kind's sentence is text kImportTextBase +
// its value, ImportNoteKindName gives scripts a stable name.
enum class TImportNoteKind : uint8_t {
    NotAPicture,       // %1 file: not a picture format we read; skipped
    DamagedPicture,    // %1 file, %2 why: could not be decoded; skipped
    PictureTooLarge,   // %1 file, %2 size: beyond the reader's limits; skipped
    Scaled,            // %1 file, %2 old size "WxH", %3 new size: scaled down to the size limit
    CodeDropped,       // %1 file, %2 code: a code the pack cannot hold (emoji, comma, line break)
    UnsafeEntry,       // %1 entry: an absolute path, "..", a link or a device; never written
    ArchiveLimit,      // %1 archive, %2 which limit: entries after it were not read
    BrokenIndex,       // %1 file (theme, emoticons.xml, icondef.xml), %2 why: unreadable
    MissingFile,       // %1 file named by the theme but not there
    TransparencyLost,  // %1 file: its bottom-left pixel was opaque, but a static picture is
                       // transparent by that pixel's colour, so the pixel became transparent
    FramesDropped,     // %1 file, %2 the source's frames: a static pack keeps the first only
    DamagedArchive,    // %1 archive, %2 why: not a zip, or damaged from some entry on
    LeftUnsigned,      // %1 file: added without any signature, as the clash choices left it
};
inline constexpr int kImportNoteKindCount = 13;

struct TImportNote {
    TImportNoteKind Kind = TImportNoteKind::NotAPicture;
    std::vector<std::string> Params;  // UTF-8, %1, %2, ... of the kind's sentence
    // A reason that is a text of the language (a decoder's): %2 is said in the language of
    // the sentence; Params[1] holds it in Russian. 0: Params[1] as it is.
    int ReasonText = 0;
    bool operator==(const TImportNote&) const = default;
};
using TImportNotes = std::vector<TImportNote>;

inline void AddNote(TImportNotes& notes, TImportNoteKind kind, std::vector<std::string> params) {
    notes.push_back({kind, std::move(params)});
}

// The note's sentence: its kind's text (from text, by id) with %1.. filled.
std::u16string FormatImportNote(const TImportNote& note, const std::function<std::u16string(int id)>& text);

// "not-a-picture", "damaged-picture", ...
const char* ImportNoteKindName(TImportNoteKind kind);

// Text ids: 2101 + kind are the notes' sentences up to DamagedArchive; the import's and
// export's other texts follow from kImportTextBase + 20 on (see the builtin table), so later
// kinds have ids of their own (ImportNoteTextId).
inline constexpr int kImportTextBase = 2101;

// The text id of a kind's sentence.
int ImportNoteTextId(TImportNoteKind kind);

}  // namespace faceloom
