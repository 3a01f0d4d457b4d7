#include "animation/signature_list.h"

#include <stdexcept>
#include <utility>

#include "platform/code_page.h"

namespace faceloom {

void TSignatureList::CheckIndex(int32_t index, int32_t limit) const {
    if (index < 0 || index >= limit) {
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    }
}

void TSignatureList::Changed() {
    if (OnChange) OnChange(*this);
}

const std::string& TSignatureList::Get(int32_t index) const {
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)];
}

int32_t TSignatureList::IndexOf(std::string_view text) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (SameTextFolded(items_[i], text)) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t TSignatureList::Add(std::string text) {
    items_.push_back(std::move(text));
    Changed();
    return Count() - 1;
}

void TSignatureList::Insert(int32_t index, std::string text) {
    CheckIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, std::move(text));
    Changed();
}

void TSignatureList::Put(int32_t index, std::string text) {
    CheckIndex(index, Count());
    items_[static_cast<size_t>(index)] = std::move(text);
    Changed();
}

void TSignatureList::Delete(int32_t index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
    Changed();
}

void TSignatureList::Exchange(int32_t index1, int32_t index2) {
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

void TSignatureList::Assign(std::vector<std::string> items) {
    items_ = std::move(items);
    Changed();
}

void TSignatureList::Clear() {
    items_.clear();
    Changed();
}

}  // namespace faceloom
