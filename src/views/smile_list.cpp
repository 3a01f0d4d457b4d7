#include "views/smile_list.h"

#include <algorithm>
#include <string>
#include <utility>

#include "animation/animation_manager.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom {

ESmileListError::ESmileListError(int32_t index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")"), Index(index) {}

// One change of the list: the grid goes inactive (no render runs, the timer drops its
// instances), the events are raised around the change, and the grid comes back with a new
// layout.
class TSmileList::TChange {
public:
    explicit TChange(TSmileList& list) : list_(list) {
        if (list_.View) {
            wasActive_ = list_.View->Active();
            list_.View->SetActive(false);
        }
        if (list_.OnChanging) list_.OnChanging(list_);
    }
    ~TChange() {
        if (list_.OnChange) list_.OnChange(list_);
        if (list_.View) {
            list_.View->MarkLayoutDirty();
            list_.View->SetActive(wasActive_);
        }
    }
    TChange(const TChange&) = delete;
    TChange& operator=(const TChange&) = delete;

private:
    TSmileList& list_;
    bool wasActive_ = false;
};

TSmileList::TSmileList(TSmileView* view) : View(view) {}

TSmileList::~TSmileList() {
    for (TItem& item : items_) Drop(std::exchange(item.Smile, nullptr));
}

void TSmileList::CheckIndex(int32_t index) const {
    if (index < 0 || index >= Count()) throw ESmileListError(index);
}

const QString& TSmileList::Get(int32_t index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Text;
}

void TSmileList::Put(int32_t index, const QString& text) {
    CheckIndex(index);
    TChange change(*this);
    items_[static_cast<size_t>(index)].Text = text;
}

TSmileViewSmile* TSmileList::GetSmile(int32_t index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Smile;
}

TSmileViewSmile* TSmileList::SmileOrNull(int32_t index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<size_t>(index)].Smile;
}

void TSmileList::Adopt(TSmileViewSmile* smile, int32_t index) {
    if (!smile) return;
    smile->Index.store(index, std::memory_order_relaxed);
    smile->View.store(View, std::memory_order_release);
    smile->AddRef();
}

void TSmileList::Drop(TSmileViewSmile* smile) {
    if (!smile) return;
    if (TAnimationManager* manager = AnimationManager()) manager->RemoveSmile(smile);
    // The pack model may keep the instance; it must not reach this grid any more.
    smile->View.store(nullptr, std::memory_order_release);
    smile->Release();
}

void TSmileList::Renumber(int32_t from, int32_t to) {
    for (int32_t i = from; i < to && i < Count(); ++i) {
        if (TSmileViewSmile* smile = items_[static_cast<size_t>(i)].Smile) {
            smile->Index.store(i, std::memory_order_relaxed);
        }
    }
}

void TSmileList::SetSmile(int32_t index, TSmileViewSmile* smile) {
    CheckIndex(index);
    TChange change(*this);
    TItem& item = items_[static_cast<size_t>(index)];
    if (item.Smile == smile) return;
    Adopt(smile, index);
    Drop(std::exchange(item.Smile, smile));
}

void TSmileList::DetachSmile(int32_t index) {
    if (index < 0 || index >= Count()) return;
    Drop(std::exchange(items_[static_cast<size_t>(index)].Smile, nullptr));
}

void TSmileList::Grow() {
    int32_t delta = 4;
    if (capacity_ > 64) {
        delta = capacity_ / 4;
    } else if (capacity_ > 8) {
        delta = 16;
    }
    capacity_ += delta;
    items_.reserve(static_cast<size_t>(capacity_));
}

void TSmileList::InsertItem(int32_t index, const QString& text, TSmileViewSmile* smile) {
    if (index < 0 || index > Count()) throw ESmileListError(index);
    TChange change(*this);
    if (Count() == capacity_) Grow();
    items_.insert(items_.begin() + index, TItem{text, nullptr});
    Adopt(smile, index);
    items_[static_cast<size_t>(index)].Smile = smile;
    Renumber(index + 1, Count());
}

int32_t TSmileList::Add(const QString& text) {
    return AddObject(text, nullptr);
}

int32_t TSmileList::AddObject(const QString& text, TSmileViewSmile* smile) {
    const int32_t index = Count();
    InsertItem(index, text, smile);
    return index;
}

void TSmileList::Insert(int32_t index, const QString& text) {
    InsertItem(index, text, nullptr);
}

void TSmileList::InsertObject(int32_t index, const QString& text, TSmileViewSmile* smile) {
    InsertItem(index, text, smile);
}

void TSmileList::Delete(int32_t index) {
    CheckIndex(index);
    TChange change(*this);
    TSmileViewSmile* smile = items_[static_cast<size_t>(index)].Smile;
    items_.erase(items_.begin() + index);
    Drop(smile);
    Renumber(index, Count());
}

void TSmileList::Clear() {
    if (items_.empty() && capacity_ == 0) return;
    TChange change(*this);
    std::vector<TItem> items = std::exchange(items_, {});
    capacity_ = 0;
    for (TItem& item : items) Drop(item.Smile);
}

void TSmileList::Exchange(int32_t a, int32_t b) {
    CheckIndex(a);
    CheckIndex(b);
    TChange change(*this);
    std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
    Renumber(a, a + 1);
    Renumber(b, b + 1);
}

void TSmileList::Move(int32_t from, int32_t to) {
    if (from == to) return;
    CheckIndex(from);
    CheckIndex(to);
    TChange change(*this);
    // Rotating keeps the instance in the list throughout, so it needs no extra reference
    // and never leaves the animation.
    auto first = items_.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
    Renumber(std::min(from, to), std::max(from, to) + 1);
}

int32_t TSmileList::IndexOf(const QString& text) const {
    for (int32_t i = 0; i < Count(); ++i) {
        if (items_[static_cast<size_t>(i)].Text == text) return i;
    }
    return -1;
}

}  // namespace faceloom
