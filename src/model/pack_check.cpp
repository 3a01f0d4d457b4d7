#include "model/pack_check.h"

#include <algorithm>
#include <iterator>

#include "animation/smile.h"
#include "model/define_decoder.h"
#include "model/pack_check_parts.h"

// The parameters of each kind's sentence (smile numbers from 1):
//   DuplicateSignature  %1 signature, %2 the later smile, %3 the smile that has it first
//   SimilarSignature    %1 signature, %2 its smile, %3 the earlier one it resembles, %4 its smile
//   SignatureInside     %1 the shorter signature, %2 its smile, %3 the longer one, %4 its smile
//   NoSignatures        %1 smile
//   BlankSignature      %1 smile, %2 the signature's position (from 1)
//   MissingPicture      %1 smile, %2 the picture's file name
//   DamagedPicture      %1 smile, %2 file name, %3 the decoder's message (for a picture too
//                       large for memory: text 2281, which names the frames' budget)
//   OtherKindPicture    %1 smile, %2 file name, %3 what the file is ("BMP" or "GIF")
//   IdenticalPictures   %1 the later smile, %2 the first smile with that picture
//   LargeArea           %1 smile, %2 width×height, %3 how many times the median area
//   LargeFile           %1 smile, %2 bytes, %3 how many times the median file size
//   FrameOutsideScreen  %1 smile, %2 the frame (from 1)
//   ZeroDelays          %1 smile
//   SingleFrame         %1 smile
//   OrphanFile          %1 file name in the source folder
//   MisleadingName      %1 file name, %2 the line it pairs with, %3 the line its name suggests
//   SourceMissing       %1 the folder

namespace faceloom {

namespace check {

bool TFindings::Add(TCheckKind kind, std::vector<int32_t> smiles, std::vector<int32_t> signatures,
                    std::vector<std::string> params, TCheckFix fix, TCheckFix alternative) {
    const size_t k = static_cast<size_t>(kind);
    if (Full(kind)) {
        if (result_.Omitted[k] >= 0) ++result_.Omitted[k];
        return false;
    }
    ++listed_[k];
    TCheckFinding finding;
    finding.Kind = kind;
    finding.Severity = SeverityOf(kind);
    finding.Smiles = std::move(smiles);
    finding.Signatures = std::move(signatures);
    finding.Signatures.resize(finding.Smiles.size(), -1);
    finding.Params = std::move(params);
    finding.Fix = std::move(fix);
    finding.Alternative = std::move(alternative);
    result_.Findings.push_back(std::move(finding));
    return true;
}

bool TFindings::Full(TCheckKind kind) const {
    return listed_[static_cast<size_t>(kind)] >= limits_.MaxPerKind;
}

void TFindings::MarkUncounted(TCheckKind kind) {
    result_.Omitted[static_cast<size_t>(kind)] = -1;
}

}  // namespace check

int32_t TCheckResult::Count(TCheckSeverity severity) const {
    return static_cast<int32_t>(
        std::count_if(Findings.begin(), Findings.end(),
                      [severity](const TCheckFinding& f) { return f.Severity == severity; }));
}

TCheckInput CheckInputOf(const TDefineDecoder& model, TCodePage codePage) {
    TCheckInput input;
    const uint8_t pack = model.CurrentPack();
    input.Kind = pack;
    input.CodePage = codePage;
    for (int32_t i = 0; i < model.SmileCount(); ++i) input.Smiles.push_back(model.Smile(i));
    input.WorkingFolder = model.WorkingFolder(pack);
    input.PictureName = [&model](int32_t n) { return model.PictureFileName(n); };
    input.ShownName = [&model](int32_t n) { return model.ShownPictureName(n); };
    if (model.SourcedPacks().Contains(pack)) input.SourceFolder = model.SourcePath(pack);
    input.FrameBudget = model.FrameBudget();
    return input;
}

TCheckResult CheckPack(const TCheckInput& input, const TCheckLimits& limits) {
    TCheckResult result;
    check::TFindings findings(result, limits);
    check::CheckSignatures(input, findings);
    check::CheckPictures(input, findings);
    check::CheckSourceFolder(input, findings);
    std::stable_sort(result.Findings.begin(), result.Findings.end(),
                     [](const TCheckFinding& a, const TCheckFinding& b) {
                         if (a.Kind != b.Kind) return a.Kind < b.Kind;
                         const int32_t sa = a.Smiles.empty() ? -1 : a.Smiles.front();
                         const int32_t sb = b.Smiles.empty() ? -1 : b.Smiles.front();
                         return sa < sb;
                     });
    return result;
}

int FixActionTextId(TFixAction action) {
    // None: the button's own word, "Fix".
    constexpr int kIds[] = {2025, 2342, 2343, 2344};
    static_assert(std::size(kIds) == static_cast<size_t>(TFixAction::ReplacePicture) + 1);
    const auto k = static_cast<size_t>(action);
    return k < std::size(kIds) ? kIds[k] : kIds[0];
}

TCheckResult CheckSignaturesOf(const TCheckInput& input, const TCheckLimits& limits) {
    TCheckResult result;
    check::TFindings findings(result, limits);
    check::CheckSignatures(input, findings);
    return result;
}

bool ApplyFix(TDefineDecoder& model, const TCheckFix& fix) {
    TSmile* smile = model.Smile(fix.Smile);
    if (smile == nullptr) return false;
    const std::vector<std::string>& signatures = smile->Signatures.Items();
    switch (fix.Action) {
        case TFixAction::None:
        case TFixAction::ReplacePicture:
            return false;
        case TFixAction::RemoveSignature:
            if (fix.Signature < 0 || fix.Signature >= static_cast<int32_t>(signatures.size()) ||
                fix.Expected.size() != 1 ||
                signatures[static_cast<size_t>(fix.Signature)] != fix.Expected[0]) {
                return false;
            }
            return model.DeleteSignature(fix.Smile, fix.Signature);
        case TFixAction::DeleteSmile: {
            if (signatures != fix.Expected) return false;
            const TSmile* other = model.Smile(fix.SamePictureAs);
            if (fix.SamePictureAs >= 0 &&
                (other == nullptr || fix.SamePictureAs == fix.Smile || !check::SamePicture(*smile, *other))) {
                return false;
            }
            return model.DeleteSmile(fix.Smile);
        }
    }
    return false;
}

TCheckSeverity SeverityOf(TCheckKind kind) {
    switch (kind) {
        case TCheckKind::DuplicateSignature:
        case TCheckKind::NoSignatures:
        case TCheckKind::MissingPicture:
        case TCheckKind::DamagedPicture:
        case TCheckKind::OtherKindPicture:
            return TCheckSeverity::Error;
        case TCheckKind::SingleFrame:
        case TCheckKind::OrphanFile:
        case TCheckKind::MisleadingName:
            return TCheckSeverity::Note;
        default:
            return TCheckSeverity::Warning;
    }
}

const char* CheckKindName(TCheckKind kind) {
    static const char* const kNames[kCheckKindCount] = {
        "duplicate-signature", "similar-signature", "signature-inside", "no-signatures",
        "blank-signature",     "missing-picture",   "damaged-picture",  "other-kind-picture",
        "identical-pictures",  "large-area",        "large-file",       "frame-outside-screen",
        "zero-delays",         "single-frame",      "orphan-file",      "misleading-name",
        "source-missing",
    };
    const size_t k = static_cast<size_t>(kind);
    return k < static_cast<size_t>(kCheckKindCount) ? kNames[k] : "?";
}

const char* SeverityName(TCheckSeverity severity) {
    switch (severity) {
        case TCheckSeverity::Error:
            return "error";
        case TCheckSeverity::Warning:
            return "warning";
        case TCheckSeverity::Note:
            return "note";
    }
    return "?";
}

std::u16string FormatFinding(const TCheckFinding& finding, const TTextLookup& text) {
    return FillPlaceholders(text(kCheckTextBase + static_cast<int>(finding.Kind)), finding.Params);
}

}  // namespace faceloom
