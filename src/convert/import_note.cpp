#include "convert/import_note.h"

#include "lang/lang.h"

namespace faceloom {

std::u16string FormatImportNote(const TImportNote& note, const std::function<std::u16string(int id)>& text) {
    return FillPlaceholders(text(kImportTextBase + static_cast<int>(note.Kind)), note.Params);
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
