#include "model/edit_history.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "model/journal_codec.h"

namespace faceloom {

namespace {

constexpr std::string_view kHistoryKind = "history 1";
constexpr uint64_t kMaxIndex = INT32_MAX;

// What a definition line can hold: the history is written by us, but a signature read back
// from it goes into "_define.ini", so one that would split a line is refused.
bool SignatureValid(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == ',') return false;
    }
    return true;
}

// Number of Done and Undone pictures each kind has (-1: Count of the step).
constexpr int kDoneCount[kHistoryKinds] = {-1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr int kUndoneCount[kHistoryKinds] = {-1, 1, 0, 0, 0, 0, 0, 0, 0};

uint64_t Bytes(const std::vector<TKeptPicture>& pictures) {
    uint64_t sum = 0;
    for (const TKeptPicture& picture : pictures) sum += picture.Name.empty() ? 0 : picture.Size;
    return sum;
}

void Names(const std::vector<TKeptPicture>& pictures, std::vector<std::string>& names) {
    for (const TKeptPicture& picture : pictures) {
        if (!picture.Name.empty()) names.push_back(picture.Name);
    }
}

// Reads the fields of a history one by one; any shortfall or bad value makes it fail.
class TFieldReader {
public:
    explicit TFieldReader(const std::vector<std::string>& fields) : fields_(fields) {}
    bool Text(std::string& out) {
        if (at_ >= fields_.size()) return false;
        out = fields_[at_++];
        return true;
    }
    bool Number(uint64_t max, uint64_t& out) {
        return at_ < fields_.size() && JournalNumber(fields_[at_++], max, out);
    }
    // A count of items that each take at least `width` more fields.
    bool Count(size_t width, uint64_t& out) { return Number((fields_.size() - at_) / width, out); }
    bool AtEnd() const { return at_ == fields_.size(); }

private:
    const std::vector<std::string>& fields_;
    size_t at_ = 0;
};

}  // namespace

bool TEditHistory::KeptNameValid(std::string_view name) {
    if (name.size() < 6 || name.size() > 30 || name[0] != 'k') return false;
    const std::string_view ext = name.substr(name.size() - 4);
    if (ext != ".gif" && ext != ".bmp") return false;
    for (size_t i = 1; i < name.size() - 4; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

void TEditHistory::MarkSaved() {
    savedKnown_ = true;
    saved_ = Position();
}

uint64_t TEditHistory::KeptBytes() const {
    uint64_t sum = 0;
    for (size_t i = 0; i < steps_.size(); ++i) sum += Bytes(i < cursor_ ? steps_[i].Done : steps_[i].Undone);
    return sum;
}

std::vector<std::string> TEditHistory::KeptNames() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < steps_.size(); ++i) Names(i < cursor_ ? steps_[i].Done : steps_[i].Undone, names);
    return names;
}

void TEditHistory::Push(THistoryStep step, std::vector<std::string>& dropped) {
    while (steps_.size() > cursor_) DropBack(dropped);
    steps_.push_back(std::move(step));
    ++cursor_;
    Trim(cursor_ - 1, dropped);
}

void TEditHistory::Undone(std::vector<std::string>& dropped) {
    --cursor_;
    Trim(cursor_, dropped);
}

void TEditHistory::Redone(std::vector<std::string>& dropped) {
    ++cursor_;
    Trim(cursor_ - 1, dropped);
}

// The oldest steps go first; a redo step goes only when no older one is left to drop, and
// the step at hand always stays.
void TEditHistory::Trim(size_t keep, std::vector<std::string>& dropped) {
    // Room for the identity, whose length the encoding without it leaves out.
    constexpr uint64_t kIdentityRoom = 1024;
    const auto tooLarge = [this] {
        return steps_.size() > kMaxSteps || KeptBytes() > kMaxKeptBytes ||
               Encode(std::string()).size() + kIdentityRoom > kMaxIndexBytes;
    };
    while (tooLarge()) {
        if (cursor_ > 0 && keep > 0) {
            DropFront(dropped);
            --keep;
        } else if (steps_.size() > cursor_ && steps_.size() - 1 != keep) {
            DropBack(dropped);
        } else {
            break;
        }
    }
}

void TEditHistory::DropFront(std::vector<std::string>& dropped) {
    Names(steps_.front().Done, dropped);
    steps_.erase(steps_.begin());
    ++first_;
    --cursor_;
}

// A redo step goes: a saved state that only it led to cannot be reached any more.
void TEditHistory::DropBack(std::vector<std::string>& dropped) {
    Names(steps_.back().Undone, dropped);
    steps_.pop_back();
    if (savedKnown_ && saved_ > first_ + steps_.size()) savedKnown_ = false;
}

std::string TEditHistory::Encode(const std::string& identity) const {
    TJournalWriter writer(kHistoryKind);
    writer.Field(identity);
    writer.Number(first_);
    writer.Number(cursor_);
    writer.Number(savedKnown_ ? saved_ + 1 : 0);
    writer.Number(nextKept_);
    writer.Number(steps_.size());
    auto pictures = [&](const std::vector<TKeptPicture>& list) {
        writer.Number(list.size());
        for (const TKeptPicture& picture : list) {
            writer.Field(picture.Name);
            writer.Number(picture.Size);
        }
    };
    auto texts = [&](const std::vector<std::string>& list) {
        writer.Number(list.size());
        for (const std::string& text : list) writer.Field(text);
    };
    for (const THistoryStep& step : steps_) {
        writer.Number(static_cast<uint64_t>(step.Info.Kind));
        writer.Number(static_cast<uint64_t>(step.Info.Index));
        writer.Number(static_cast<uint64_t>(step.Info.To));
        writer.Number(static_cast<uint64_t>(step.Info.Count));
        writer.Field(step.Info.Label);
        writer.Field(step.Info.Text);
        pictures(step.Done);
        pictures(step.Undone);
        texts(step.Before);
        texts(step.After);
    }
    return writer.Finish();
}

std::optional<TEditHistory> TEditHistory::Decode(std::string_view bytes, const std::string& identity) {
    if (bytes.size() > kMaxIndexBytes) return std::nullopt;
    const std::optional<std::vector<std::string>> fields = ReadJournalFields(bytes, kHistoryKind);
    if (!fields || identity.empty()) return std::nullopt;
    TFieldReader in(*fields);
    TEditHistory history;
    std::string owner;
    uint64_t cursor = 0, saved = 0, count = 0;
    if (!in.Text(owner) || owner != identity || !in.Number(UINT64_MAX / 2, history.first_) ||
        !in.Number(kMaxSteps, cursor) || !in.Number(UINT64_MAX / 2, saved) ||
        !in.Number(UINT64_MAX / 2, history.nextKept_) || !in.Count(10, count) || count > kMaxSteps ||
        cursor > count)
        return std::nullopt;
    history.cursor_ = static_cast<size_t>(cursor);
    history.savedKnown_ = saved != 0;
    history.saved_ = saved == 0 ? 0 : saved - 1;
    std::set<std::string> names;
    auto pictures = [&](std::vector<TKeptPicture>& list, int wanted, uint64_t stepCount) {
        uint64_t n = 0;
        if (!in.Count(2, n) || n != (wanted < 0 ? stepCount : static_cast<uint64_t>(wanted))) return false;
        for (uint64_t k = 0; k < n; ++k) {
            TKeptPicture picture;
            if (!in.Text(picture.Name) || !in.Number(UINT64_MAX / 2, picture.Size)) return false;
            if (!picture.Name.empty() && (!KeptNameValid(picture.Name) || !names.insert(picture.Name).second))
                return false;
            list.push_back(std::move(picture));
        }
        return true;
    };
    auto texts = [&](std::vector<std::string>& list) {
        uint64_t n = 0;
        if (!in.Count(1, n)) return false;
        for (uint64_t k = 0; k < n; ++k) {
            std::string text;
            if (!in.Text(text) || !SignatureValid(text)) return false;
            list.push_back(std::move(text));
        }
        return true;
    };
    for (uint64_t s = 0; s < count; ++s) {
        THistoryStep step;
        uint64_t kind = 0, index = 0, to = 0, n = 0;
        if (!in.Number(kHistoryKinds - 1, kind) || !in.Number(kMaxIndex, index) ||
            !in.Number(kMaxIndex, to) || !in.Number(kMaxIndex, n) || !in.Text(step.Info.Label) ||
            !in.Text(step.Info.Text))
            return std::nullopt;
        step.Info.Kind = static_cast<THistoryKind>(kind);
        step.Info.Index = static_cast<int32_t>(index);
        step.Info.To = static_cast<int32_t>(to);
        step.Info.Count = static_cast<int32_t>(n);
        const bool adds = step.Info.Kind == THistoryKind::AddSmiles;
        if (n == 0 || (!adds && n != 1)) return std::nullopt;
        if (!pictures(step.Done, kDoneCount[kind], n) || !pictures(step.Undone, kUndoneCount[kind], n) ||
            !texts(step.Before) || !texts(step.After))
            return std::nullopt;
        history.steps_.push_back(std::move(step));
    }
    if (!in.AtEnd()) return std::nullopt;
    return history;
}

std::vector<std::vector<std::string>> AddedSignatures(const THistoryStep& step) {
    const size_t count = step.Info.Count > 0 ? static_cast<size_t>(step.Info.Count) : 0;
    std::vector<std::vector<std::string>> lists(count);
    if (step.Before.size() != count) return lists;
    size_t at = 0;
    for (size_t j = 0; j < count; ++j) {
        const std::string& n = step.Before[j];
        size_t take = 0;
        const auto [end, error] = std::from_chars(n.data(), n.data() + n.size(), take);
        if (error != std::errc() || end != n.data() + n.size() || take > step.After.size() - at)
            return std::vector<std::vector<std::string>>(count);
        lists[j].assign(step.After.begin() + static_cast<std::ptrdiff_t>(at),
                        step.After.begin() + static_cast<std::ptrdiff_t>(at + take));
        at += take;
    }
    return at == step.After.size() ? lists : std::vector<std::vector<std::string>>(count);
}

// Called before Info.Count counts the new smile; at is its place in the step.
void InsertAddedSignatures(THistoryStep& step, int32_t at, const std::vector<std::string>& signatures) {
    std::vector<std::vector<std::string>> lists = AddedSignatures(step);
    lists.insert(lists.begin() + at, signatures);
    step.Before.clear();
    step.After.clear();
    if (std::all_of(lists.begin(), lists.end(), [](const auto& list) { return list.empty(); })) return;
    for (const std::vector<std::string>& list : lists) {
        step.Before.push_back(std::to_string(list.size()));
        step.After.insert(step.After.end(), list.begin(), list.end());
    }
}

}  // namespace faceloom
