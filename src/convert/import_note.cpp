#include "convert/import_note.h"

#include "lang/lang.h"
#include "platform/code_page.h"

namespace faceloom {

std::u16string FormatImportNote(const TImportNote& note, const std::function<std::u16string(int id)>& text) {
    std::vector<std::string> params = note.Params;
    if (note.ReasonText != 0 && params.size() >= 2) {
        const std::u16string reason = text(note.ReasonText);
        if (!reason.empty()) params[1] = Utf16ToUtf8(reason);
    }
    return FillPlaceholders(text(kImportTextBase + static_cast<int>(note.Kind)), params);
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
    }
    return "unknown";
}

}  // namespace faceloom
