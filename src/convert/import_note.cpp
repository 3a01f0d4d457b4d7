#include "convert/import_note.h"

namespace faceloom {

const char* ImportNoteKindName(TImportNoteKind kind) {
    switch (kind) {
    case TImportNoteKind::NotAPicture: return "not-a-picture";
    case TImportNoteKind::DamagedPicture: return "damaged-picture";
    case TImportNoteKind::PictureTooLarge: return "picture-too-large";
    case TImportNoteKind::Scaled: return "scaled";
    case TImportNoteKind::CodeDropped: return "code-dropped";
    case TImportNoteKind::UnsafeEntry: return "unsafe-entry";
    case TImportNoteKind::ArchiveLimit: return "archive-limit";
    case TImportNoteKind::BrokenIndex: return "broken-index";
    case TImportNoteKind::MissingFile: return "missing-file";
    case TImportNoteKind::TransparencyLost: return "transparency-lost";
    case TImportNoteKind::FramesDropped: return "frames-dropped";
    }
    return "unknown";
}

}  // namespace faceloom
