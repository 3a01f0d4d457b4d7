// The history index of a working copy is read back at start-up, so it is outside input: a
// damaged or forged index must never crash the reader, and whatever it accepts must be
// consistent (a cursor within the steps, kept pictures under names of the history's own form,
// none held twice) and read back the same once written again.
//
// Input: the index's bytes, decoded as they are and again with their check value recomputed
// (so that mutations reach the decoder behind the check). The storage's identity is
// kFuzzIdentity.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/edit_history.h"

namespace {

constexpr const char* kFuzzIdentity = "0123456789abcdef0123456789abcdef";

void CheckIndex(const std::string& bytes) {
    const std::optional<faceloom::TEditHistory> history =
        faceloom::TEditHistory::Decode(bytes, kFuzzIdentity);
    if (!history) return;
    FUZZ_CHECK(history->Cursor() <= history->Steps().size());
    FUZZ_CHECK(history->Steps().size() <= faceloom::TEditHistory::kMaxSteps);
    std::set<std::string> names;
    for (const std::string& name : history->KeptNames()) {
        FUZZ_CHECK(faceloom::TEditHistory::KeptNameValid(name));
        FUZZ_CHECK(name.find('/') == std::string::npos);
        FUZZ_CHECK(names.insert(name).second);
    }
    const std::string again = history->Encode(kFuzzIdentity);
    const std::optional<faceloom::TEditHistory> back = faceloom::TEditHistory::Decode(again, kFuzzIdentity);
    FUZZ_CHECK(back && back->Encode(kFuzzIdentity) == again && back->Steps() == history->Steps());
    // Never taken for another storage's.
    FUZZ_CHECK(!faceloom::TEditHistory::Decode(again, "fedcba9876543210fedcba9876543210"));
    // Undo and redo of what was accepted keep the bounds and only ever drop names it held.
    for (const faceloom::THistoryStep& step : history->Steps()) {
        const size_t lists = faceloom::AddedSignatures(step).size();
        FUZZ_CHECK(lists == static_cast<size_t>(step.Info.Count));
    }
    faceloom::TEditHistory moved = *history;
    std::vector<std::string> dropped;
    if (moved.CanUndo()) moved.Undone(dropped);
    if (moved.CanRedo()) moved.Redone(dropped);
    FUZZ_CHECK(moved.Cursor() <= moved.Steps().size());
    FUZZ_CHECK(moved.KeptBytes() <= faceloom::TEditHistory::kMaxKeptBytes || moved.Steps().size() <= 1);
    for (const std::string& name : dropped) FUZZ_CHECK(names.count(name) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckIndex(bytes);
    CheckIndex(faceloom::fuzz::Resealed(bytes));
    return 0;
}
