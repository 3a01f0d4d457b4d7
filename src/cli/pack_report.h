#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace faceloom {
class TDefineDecoder;
}

namespace faceloom::cli {

enum class TSmileStatus { Ok, Missing, LoadError };
const char* SmileStatusName(TSmileStatus status);  // "ok", "missing", "load-error"

// One smile of an opened pack, as the editor built it.
struct TSmileReport {
    int32_t Index = 0;
    // The name the smile's picture had in the pack folder (before the editor's canonical
    // rename); none when the smile has no picture file.
    std::optional<std::string> Source;
    TSmileStatus Status = TSmileStatus::Missing;
    int32_t Frames = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<int32_t> Delays;
    std::vector<std::string> Signatures;  // bytes in the pack's code page
};

struct TPackReport {
    std::string Folder;  // as given
    uint8_t Kind = 1;    // 0 static, 1 animated
    std::vector<TSmileReport> Smiles;
    int32_t LoadErrors = 0;
    int32_t MissingFiles = 0;
    int32_t WithoutSignatures = 0;
    // Signature occurrences that repeat an earlier one (see CountDuplicateSignatures).
    int32_t DuplicateSignatures = 0;

    bool HasProblems() const {
        return LoadErrors != 0 || MissingFiles != 0 || WithoutSignatures != 0 || DuplicateSignatures != 0;
    }
    // The editor's empty-pack notice: no smile has a picture (also a pack of no smiles).
    bool NoPictures() const { return MissingFiles == static_cast<int32_t>(Smiles.size()); }
};

// Signature occurrences of the smiles (in smile order, then signature order) that equal an
// earlier occurrence, compared as the editor's signature search compares them: Latin and
// Cyrillic letters without regard to case, in the given code page. The first occurrence of
// each group is not counted, every later one is, also within one smile.
int32_t CountDuplicateSignatures(const std::vector<TSmileReport>& smiles, TCodePage codePage);

// Whether the folder can be listed; otherwise false with the reason.
bool CanReadFolder(const std::string& folder, std::string& reason);

// Opens the pack in folder as the editor opens it (one-pack mode of the kind, OpenPack on the
// folder's "_define.ini") with a pack model on the current per-user data folder, and reports
// what it built. checkpoint is called at every progress event of the model. inspect, when
// given, sees the open model (its current pack is the one opened) before the working copy is
// closed again, which happens before returning. frameBudget, when not 0, replaces the
// setting's budget of the pack's decoded frames (bytes).
TPackReport OpenPackReport(const std::string& folder, uint8_t kind, TCodePage codePage,
                           const std::function<void()>& checkpoint,
                           const std::function<void(TDefineDecoder&)>& inspect = nullptr,
                           uint64_t frameBudget = 0);

}  // namespace faceloom::cli
