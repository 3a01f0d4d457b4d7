#include "convert/import_note.h"

#include <iterator>

#include "lang/lang.h"
#include "platform/code_page.h"

namespace faceloom {

namespace {

// Each kind's sentence.
constexpr int kNoteTextIds[] = {2101, 2102, 2103, 2104, 2105, 2106, 2107, 2108, 2109, 2110, 2111, 2112, 2345};
static_assert(std::size(kNoteTextIds) == kImportNoteKindCount);

}  // namespace

int ImportNoteTextId(TImportNoteKind kind) {
    const auto k = static_cast<size_t>(kind);
    return k < std::size(kNoteTextIds) ? kNoteTextIds[k] : kNoteTextIds[0];
}

std::u16string FormatImportNote(const TImportNote& note, const std::function<std::u16string(int id)>& text) {
    std::vector<std::string> params = note.Params;
    if (note.ReasonText != 0 && params.size() >= 2) {
        const std::u16string reason = text(note.ReasonText);
        if (!reason.empty()) params[1] = Utf16ToUtf8(reason);
    }
    return FillPlaceholders(text(ImportNoteTextId(note.Kind)), params);
}

const char* ImportNoteKindName(TImportNoteKind kind) {
    switch (kind) {
        case TImportNoteKind::NotAPicture:
            return "not-a-picture";
        case TImportNoteKind::DamagedPicture:
            return "damaged-picture";
        case TImportNoteKind::PictureTooLarge:
            return "picture-too-large";
        case TImportNoteKind::Scaled:
            return "scaled";
        case TImportNoteKind::CodeDropped:
            return "code-dropped";
        case TImportNoteKind::UnsafeEntry:
            return "unsafe-entry";
        case TImportNoteKind::ArchiveLimit:
            return "archive-limit";
        case TImportNoteKind::BrokenIndex:
            return "broken-index";
        case TImportNoteKind::MissingFile:
            return "missing-file";
        case TImportNoteKind::TransparencyLost:
            return "transparency-lost";
        case TImportNoteKind::FramesDropped:
            return "frames-dropped";
        case TImportNoteKind::DamagedArchive:
            return "damaged-archive";
        case TImportNoteKind::LeftUnsigned:
            return "left-unsigned";
    }
    return "unknown";
}

}  // namespace faceloom
