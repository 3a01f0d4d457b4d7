#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace faceloom {

class TSmileView;
class TSmileViewSmile;

// An index outside the list; carries the index.
class ESmileListError : public std::out_of_range {
public:
    explicit ESmileListError(int32_t index);
    const int32_t Index;
};

// The grid's items: pairs of display text and a counted smile instance, in insertion order
// (never sorted). Every change takes the grid inactive and back, so the layout is rebuilt and
// no render runs meanwhile; the list keeps each instance's View and Index current.
class TSmileList {
public:
    using TNotifyEvent = std::function<void(TSmileList&)>;

    explicit TSmileList(TSmileView* view = nullptr);
    ~TSmileList();
    TSmileList(const TSmileList&) = delete;
    TSmileList& operator=(const TSmileList&) = delete;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    int32_t Capacity() const { return capacity_; }

    const QString& Get(int32_t index) const;
    void Put(int32_t index, const QString& text);
    // The item's instance: none after DetachSmile or SetSmile with none.
    TSmileViewSmile* GetSmile(int32_t index) const;
    // The instance at index or none, for indices that may be stale (no error).
    TSmileViewSmile* SmileOrNull(int32_t index) const;
    void SetSmile(int32_t index, TSmileViewSmile* smile);
    // Takes the item's instance out of the animation and lets go of it, quietly: no events and
    // no new layout (the grid's DetachSmile, also while the grid is destroyed).
    void DetachSmile(int32_t index);

    int32_t Add(const QString& text);
    int32_t AddObject(const QString& text, TSmileViewSmile* smile);
    void Insert(int32_t index, const QString& text);
    void InsertObject(int32_t index, const QString& text, TSmileViewSmile* smile);
    void Delete(int32_t index);
    void Clear();
    void Exchange(int32_t a, int32_t b);
    // The item ends at index to; those between shift by one toward from.
    void Move(int32_t from, int32_t to);
    // First item with exactly this display text, or -1.
    int32_t IndexOf(const QString& text) const;

    // Raised around every change, before and after.
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;

    TSmileView* const View;

private:
    struct TItem {
        QString Text;
        TSmileViewSmile* Smile = nullptr;  // counted
    };
    class TChange;

    void CheckIndex(int32_t index) const;
    void Grow();
    void InsertItem(int32_t index, const QString& text, TSmileViewSmile* smile);
    // Gives the instance to the list at index: View, Index and one reference.
    void Adopt(TSmileViewSmile* smile, int32_t index);
    // Takes the instance out of the animation and lets go of the list's reference.
    static void Drop(TSmileViewSmile* smile);
    void Renumber(int32_t from, int32_t to);

    std::vector<TItem> items_;
    int32_t capacity_ = 0;
};

}  // namespace faceloom
