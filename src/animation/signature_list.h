#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// The text signatures of one smile: an ordered list of byte strings in the pack's code page
// (Windows-1251) that allows duplicates and compares without regard to letter case (Latin and
// Cyrillic). Every change fires OnChange exactly once, after the change; the pack model hooks
// it to rewrite the definition file. Refusing duplicates is the editing commands' business.
//
// Indices out of range raise std::out_of_range and leave the list (and the handler) untouched.
class TSignatureList {
public:
    using TChangeHandler = std::function<void(TSignatureList& sender)>;

    TSignatureList() = default;
    TSignatureList(const TSignatureList&) = delete;
    TSignatureList& operator=(const TSignatureList&) = delete;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](int32_t index) const { return Get(index); }
    const std::string& Get(int32_t index) const;
    const std::vector<std::string>& Items() const { return items_; }

    // Index of the first signature equal to text ignoring letter case, or -1.
    int32_t IndexOf(std::string_view text) const;

    // Appends; answers the new signature's index.
    int32_t Add(std::string text);
    // 0 <= index <= Count(); index Count() appends.
    void Insert(int32_t index, std::string text);
    void Put(int32_t index, std::string text);
    void Delete(int32_t index);
    void Exchange(int32_t index1, int32_t index2);

    // Replace the whole content; one notification each.
    void Assign(std::vector<std::string> items);
    void Assign(const TSignatureList& source) { Assign(source.items_); }
    void Clear();

    TChangeHandler OnChange;

private:
    void CheckIndex(int32_t index, int32_t limit) const;
    void Changed();

    std::vector<std::string> items_;
};

}  // namespace faceloom
