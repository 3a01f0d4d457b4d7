#pragma once

// The parts of the pack check, one file each, and the list they all add to.

#include <string>
#include <vector>

#include "model/pack_check.h"

namespace faceloom {
class TSmile;
}

namespace faceloom::check {

// Collects findings, listing at most MaxPerKind of each kind and counting the rest.
class TFindings {
public:
    TFindings(TCheckResult& result, const TCheckLimits& limits) : result_(result), limits_(limits) {}
    // False when the kind is full (the finding was only counted).
    bool Add(TCheckKind kind, std::vector<int32_t> smiles, std::vector<int32_t> signatures,
             std::vector<std::string> params, TCheckFix fix = {}, TCheckFix alternative = {});
    bool Full(TCheckKind kind) const;
    // Marks that more findings of the kind exist than were looked for.
    void MarkUncounted(TCheckKind kind);
    const TCheckLimits& Limits() const { return limits_; }

private:
    TCheckResult& result_;
    const TCheckLimits& limits_;
    std::array<int32_t, kCheckKindCount> listed_{};
};

// A smile's number as the user counts it.
inline std::string SmileNumber(int32_t index) {
    return std::to_string(index + 1);
}

// Whether both smiles have pictures showing the same frames with the same delays.
bool SamePicture(const TSmile& a, const TSmile& b);

void CheckSignatures(const TCheckInput& input, TFindings& findings);
void CheckPictures(const TCheckInput& input, TFindings& findings);
void CheckSourceFolder(const TCheckInput& input, TFindings& findings);

}  // namespace faceloom::check
