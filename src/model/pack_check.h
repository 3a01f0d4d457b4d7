#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lang/lang.h"
#include "platform/code_page.h"

namespace faceloom {

class TDefineDecoder;
class TSmile;

// What a finding of the pack check is about. The order is stable: each kind's sentence is
// text 2001 + its value, and CheckKindName gives scripts a stable name.
enum class TCheckKind : uint8_t {
    DuplicateSignature,  // the same bytes on two smiles (or twice on one): only the first works
    SimilarSignature,    // equal after trimming blanks and folding letter case, not exactly
    SignatureInside,     // the start or a part of another smile's signature
    NoSignatures,        // a smile nobody can type
    BlankSignature,      // an empty or blanks-only signature
    MissingPicture,      // the smile has no picture file
    DamagedPicture,      // the picture file cannot be decoded
    OtherKindPicture,    // the picture file is of the other pack kind (BMP in GIFs, or back)
    IdenticalPictures,   // the same composed frames and delays as an earlier smile
    LargeArea,           // far more pixels than the pack's median picture
    LargeFile,           // far more bytes than the pack's median picture file
    FrameOutsideScreen,  // a GIF frame reaching outside the picture's logical screen
    ZeroDelays,          // a GIF of several frames whose every delay is zero
    SingleFrame,         // one frame in the animated pack
    OrphanFile,          // a file in the source folder that no smile uses
    MisleadingName,      // a picture paired by name order with another line than its name suggests
    SourceMissing,       // the pack's source folder is gone
};
inline constexpr int kCheckKindCount = 17;

enum class TCheckSeverity : uint8_t { Error, Warning, Note };

// A safe fix, described as data; ApplyFix carries it out as one undoable edit. ReplacePicture
// needs a file the user chooses: the window asks for it and replaces the picture as its own
// command does (ApplyFix does nothing for it).
enum class TFixAction : uint8_t { None, RemoveSignature, DeleteSmile, ReplacePicture };
struct TCheckFix {
    TFixAction Action = TFixAction::None;
    int32_t Smile = -1;
    int32_t Signature = -1;
    // What the fix expects to find, so that a finding gone stale by later edits changes
    // nothing: the signature it removes, or all signatures of the smile it deletes, and for
    // a deletion the smile whose picture must still be the same (-1: none).
    std::vector<std::string> Expected;
    int32_t SamePictureAs = -1;
};

// One problem of a pack. Params are the sentence's %1, %2, ... as UTF-8: signatures converted
// from the pack's code page, smile numbers counted from 1 as the user counts them (see the
// table in pack_check.cpp for each kind's parameters).
struct TCheckFinding {
    TCheckKind Kind = TCheckKind::DuplicateSignature;
    TCheckSeverity Severity = TCheckSeverity::Error;
    std::vector<int32_t> Smiles;      // indices from 0; the first is the smile to show
    std::vector<int32_t> Signatures;  // per entry of Smiles: the signature's index, or -1
    std::vector<std::string> Params;
    TCheckFix Fix;
    // A second fix to choose from (a picture that is missing or cannot be read: Fix replaces
    // it, Alternative deletes the smile).
    TCheckFix Alternative;
};

// The thresholds of the check, all in one place.
struct TCheckLimits {
    // Findings listed per kind; the rest are counted in TCheckResult::Omitted only where
    // counting is cheap (signature parts stop looking at the limit).
    int32_t MaxPerKind = 200;
    // "Much larger": at least this many times the median area (twice the median width and
    // height) ...
    int32_t AreaFactor = 4;
    // ... or at least this many times the median file size, and at least MinLargeBytes.
    int32_t BytesFactor = 8;
    int64_t MinLargeBytes = 64 * 1024;
    // Medians need at least this many pictures to mean anything.
    int32_t MinPicturesForMedian = 3;
};

// A text of the current language by id (UTF-16, "%1".. placeholders).
using TTextLookup = std::function<std::u16string(int id)>;

// A pack to check: its smiles (not owned; the caller keeps them alive), where their picture
// files are, and where the pack came from.
struct TCheckInput {
    uint8_t Kind = 1;  // 0 static (BMP), 1 animated (GIF)
    std::vector<const TSmile*> Smiles;
    // The working copy's folder (ending with the separator) and the file name of smile i's
    // picture there; empty folder: the files are not looked at.
    std::string WorkingFolder;
    std::function<std::string(int32_t)> PictureName;
    // The name the findings give smile i's picture: the user's own file in the source folder
    // where it is known (none: PictureName).
    std::function<std::string(int32_t)> ShownName;
    // The folder the pack was opened from (ending with the separator); empty when unknown.
    std::string SourceFolder;
    TCodePage CodePage = TCodePage::Windows1251;
    // The pack's budget of decoded frames, named by a picture too large for memory, and the
    // language that says so (none: the built-in one).
    uint64_t FrameBudget = 0;
    TTextLookup Texts;
};

// The current pack of the model as a check input; valid while the model lives and the pack
// stays unchanged.
TCheckInput CheckInputOf(const TDefineDecoder& model, TCodePage codePage = TCodePage::Windows1251);

struct TCheckResult {
    std::vector<TCheckFinding> Findings;  // by kind, then smile order
    // Per kind: findings beyond MaxPerKind that were not listed (-1: some, not counted).
    std::array<int32_t, kCheckKindCount> Omitted{};
    int32_t Count(TCheckSeverity severity) const;
};

// Looks at the pack and reports what it finds; reads the picture files and the source folder
// but never changes anything. Never throws for anything a pack may hold.
TCheckResult CheckPack(const TCheckInput& input, const TCheckLimits& limits = {});
// The signature findings only (no file is read): what the report before saving counts.
TCheckResult CheckSignaturesOf(const TCheckInput& input, const TCheckLimits& limits = {});

// Carries out a finding's fix on the model's current pack with the model's own edit
// operations (one undoable step). False, and nothing changed, when the finding has no fix or
// the pack no longer holds what the fix expects; otherwise the edit's result.
bool ApplyFix(TDefineDecoder& model, const TCheckFix& fix);

TCheckSeverity SeverityOf(TCheckKind kind);
// Stable lower-case names for scripts: "duplicate-signature", ...
const char* CheckKindName(TCheckKind kind);
const char* SeverityName(TCheckSeverity severity);  // "error", "warning", "note"

// Text ids of the sentences and headings.
inline constexpr int kCheckTextBase = 2001;  // + kind
inline constexpr int kCheckTextOmitted = 2018;
inline constexpr int kCheckTextSeverityBase = 2019;  // + severity
inline constexpr int kCheckTextClean = 2022;
// The reason of a damaged-picture finding whose picture did not fit the frames' budget
// (%1: the budget in MB).
inline constexpr int kCheckTextTooLargeForMemory = 2281;
// The fix button's label: what the fix does.
int FixActionTextId(TFixAction action);

// The finding's sentence: its kind's text with %1.. replaced by its parameters.
std::u16string FormatFinding(const TCheckFinding& finding, const TTextLookup& text);

}  // namespace faceloom
