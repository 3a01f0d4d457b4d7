#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/file_set.h"
#include "convert/import_note.h"
#include "convert/pack_formats.h"
#include "convert/picture_convert.h"
#include "platform/code_page.h"

namespace faceloom {

class TDefineDecoder;
class TSmile;

struct TImportOptions {
    // How a code is made from a picture's file name: "name" stands for the name without its
    // folder and extension (smile.gif → :smile: with the default).
    std::string CodePattern = ":name:";
    int32_t MaxWidth = 256;  // larger pictures are scaled down keeping the aspect
    int32_t MaxHeight = 256;
    TArchiveLimits Archive;
    TPictureLimits Pictures;
    TCodePage CodePage = TCodePage::Windows1251;
};

// The code a file name gives under the pattern (UTF-8), e.g. ("smiles/Wink.gif", ":name:") →
// ":Wink:".
std::string CodeFromFileName(const std::string& path, const std::string& pattern);

// What to do with a code that the pack (or an earlier picture of the batch) already has.
enum class TClashChoice : uint8_t {
    Keep,    // the existing smile keeps the code; the new smile is added without it
    Rename,  // the new smile gets the code with a number added (Renamed)
    Skip,    // the new smile is not added at all
};

// A picture ready to become a smile: converted to the pack's format, codes in the pack's code
// page (the ones the pack cannot hold are already dropped with a note).
struct TImportItem {
    std::string Name;            // the source's name for it (UTF-8)
    std::vector<uint8_t> Bytes;  // in the pack's format
    std::vector<std::string> Codes;
};

struct TClash {
    int32_t Item = -1;           // index into TImportPlan::Items
    int32_t Code = -1;           // index into that item's Codes
    int32_t ExistingSmile = -1;  // the pack's smile that has it, or -1: an earlier item of the batch
    int32_t EarlierItem = -1;    // when ExistingSmile is -1: that item
    TClashChoice Choice = TClashChoice::Rename;
    // The code with a number that makes it apart from every other code (neither holds the
    // other), in the pack's code page; the window may let the user type another. Empty when no
    // such code was found: Rename then leaves the code out, as Keep does.
    std::string Renamed;
};

struct TImportPlan {
    uint8_t PackKind = 1;
    std::vector<TImportItem> Items;
    std::vector<TClash> Clashes;
    TImportNotes Notes;
    bool Cancelled = false;
};

// Progress of a long step: position of maximum; return false to cancel.
using TImportProgress = std::function<bool(int32_t position, int32_t maximum)>;

// Converts every smile of the foreign pack for the model's current pack and finds the codes
// that clash with the pack's signatures or with each other (case-insensitive, as the editor
// compares signatures). Reads the model, never changes it.
TImportPlan PlanImport(const TForeignPack& source, const TDefineDecoder& model, const TImportOptions& options,
                       const TImportProgress& progress = {});

// Sets every clash's choice at once.
void ChooseForAll(TImportPlan& plan, TClashChoice choice);

// Once the choices are made: notes every smile the choices leave without any signature (all
// its codes kept by others), so that the user knows which to sign.
void NoteChoices(TImportPlan& plan);

// Adds the plan's smiles to the model's current pack before position (Count appends), each
// with its codes as the clashes' choices say, as one undoable step. All or nothing: when the
// model refuses an edit (its LastError says why) or progress cancels, what the batch added is
// taken back and the pack is as it was (should taking it back fail as well, Added says what
// stayed).
struct TImportResult {
    int32_t Added = 0;
    int32_t FirstIndex = -1;
    bool Failed = false;
    bool Cancelled = false;
};
TImportResult ApplyImport(TDefineDecoder& model, int32_t position, const TImportPlan& plan,
                          const TImportProgress& progress = {});

// Replaces the picture of the model's smile index with the picture in file, converted for the
// current pack exactly as an add converts it (ConvertForPack under the options, a static pack's
// key colour), as one undoable step; the smile keeps its signatures. name is the file's name
// for the notes (UTF-8). What the conversion changed goes to notes.
struct TReplaceResult {
    TSmile* Smile = nullptr;  // the new smile; none when refused or failed
    // The file is no picture the pack can take (NotAPicture, DamagedPicture, PictureTooLarge):
    // the note an add gives for it. The pack is untouched.
    std::optional<TImportNote> Refused;
    // The file could not be read at all (or its converted copy not written); the pack is
    // untouched.
    bool Unreadable = false;
    // Otherwise, without Smile, the model refused: its LastError says why.
};
TReplaceResult ReplacePictureFrom(TDefineDecoder& model, int32_t index, const std::string& file,
                                  const std::string& name, const TImportOptions& options,
                                  TImportNotes& notes);

// Reads a source (a folder, a zip or jisp, one picture file, or a theme's index file: "theme",
// "emoticons.xml", "icondef.xml" or "_define.ini", which stands for its folder) in the given format, or in
// the format DetectPackFormat finds when detect is set. Throws std::runtime_error when the path cannot be
// read at all; anything inside it that cannot be used becomes a note. used (when given) receives the format
// read.
TForeignPack ReadSource(const std::string& path, const TImportOptions& options, bool detect,
                        TPackFormat format, TPackFormat* used = nullptr);

// Writes the pack folder of ours (its "_define.ini" and pictures) in format to out, as
// WriteForeignPack says; for the theme formats a static pack's BMP pictures become PNGs with
// their transparency. Answers the number of smiles written; throws std::runtime_error with
// the reason.
int32_t ExportPack(const std::string& packFolder, TPackFormat format, const std::string& out,
                   TCodePage codePage = TCodePage::Windows1251);

}  // namespace faceloom
