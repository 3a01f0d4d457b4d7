#include "views/smile_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "grid_test_support.h"

namespace faceloom {
namespace {

using testing::Fill;
using testing::NewSmile;
using testing::TCodePicture;
using testing::TTestView;

// The list's order as the texts' numbers, checking every instance's Index and View on the way.
std::vector<int> Order(TSmileView& view) {
    std::vector<int> order;
    for (int32_t i = 0; i < view.Smiles().Count(); ++i) {
        TSmileViewSmile* smile = view.Smiles().GetSmile(i);
        EXPECT_EQ(smile->Index.load(), i);
        EXPECT_EQ(smile->View.load(), &view);
        order.push_back(view.Smiles().Get(i).mid(1).toInt());
    }
    return order;
}

class SmileListTest : public ::testing::Test {
protected:
    SmileListTest() : picture_(new TCodePicture(10, 10, {0xFF})) {}
    TRef<TPictureDecoder> picture_;
    TTestView view_;
};

TEST_F(SmileListTest, InsertDeleteExchangeAndMoveKeepEveryIndexCurrent) {
    Fill(view_, 8, picture_.get());
    view_.Smiles().InsertObject(0, "s8", NewSmile(picture_.get()));
    EXPECT_EQ(Order(view_), (std::vector<int>{8, 0, 1, 2, 3, 4, 5, 6, 7}));
    view_.Smiles().Delete(3);
    EXPECT_EQ(Order(view_), (std::vector<int>{8, 0, 1, 3, 4, 5, 6, 7}));
    view_.Smiles().Exchange(0, 7);
    EXPECT_EQ(Order(view_), (std::vector<int>{7, 0, 1, 3, 4, 5, 6, 8}));
    // Toward the end: the items between shift toward the old place.
    view_.Smiles().Move(1, 5);
    EXPECT_EQ(Order(view_), (std::vector<int>{7, 1, 3, 4, 5, 0, 6, 8}));
    view_.Smiles().Move(6, 0);
    EXPECT_EQ(Order(view_), (std::vector<int>{6, 7, 1, 3, 4, 5, 0, 8}));
    EXPECT_EQ(view_.Smiles().IndexOf("s3"), 3);
    EXPECT_EQ(view_.Smiles().IndexOf("nothing"), -1);
}

TEST_F(SmileListTest, ReferencesFollowTheItemsAndLeftInstancesForgetTheGrid) {
    std::atomic<int> destroyed{0};
    TRef<TSmileViewSmile> kept(NewSmile(picture_.get(), &destroyed));  // the pack model's reference
    view_.Smiles().AddObject("kept", kept.get());
    view_.Smiles().AddObject("gone", NewSmile(picture_.get(), &destroyed));
    EXPECT_EQ(kept->GetRefCount(), 2);
    view_.Smiles().Delete(1);
    EXPECT_EQ(destroyed.load(), 1);
    view_.Smiles().SetSmile(0, NewSmile(picture_.get(), &destroyed));
    EXPECT_EQ(kept->GetRefCount(), 1);
    EXPECT_EQ(kept->View.load(), nullptr);
    EXPECT_FALSE(kept->IsAnimating());
    view_.Smiles().Clear();
    EXPECT_EQ(destroyed.load(), 2);
    EXPECT_EQ(view_.Smiles().Count(), 0);
    EXPECT_EQ(view_.Smiles().Capacity(), 0);
}

TEST_F(SmileListTest, IndexErrorsCarryTheIndex) {
    Fill(view_, 3, picture_.get());
    auto indexOf = [](auto call) {
        try {
            call();
        } catch (const ESmileListError& error) {
            return error.Index;
        }
        return -100;
    };
    EXPECT_EQ(indexOf([&] { view_.Smiles().Get(3); }), 3);
    EXPECT_EQ(indexOf([&] { view_.Smiles().Delete(-1); }), -1);
    EXPECT_EQ(indexOf([&] { view_.Smiles().InsertObject(5, "x", nullptr); }), 5);
    EXPECT_EQ(indexOf([&] { view_.Smiles().Move(0, 3); }), 3);
    EXPECT_EQ(indexOf([&] { view_.Smiles().Exchange(7, 0); }), 7);
    // Inserting at Count is appending.
    view_.Smiles().InsertObject(3, "s3", NewSmile(picture_.get()));
    EXPECT_EQ(view_.Smiles().Count(), 4);
}

TEST_F(SmileListTest, CapacityGrowsByFourThenSixteenThenAQuarter) {
    std::vector<int32_t> capacities;
    for (int i = 0; i < 100; ++i) {
        view_.Smiles().Add("x");
        if (capacities.empty() || capacities.back() != view_.Smiles().Capacity()) {
            capacities.push_back(view_.Smiles().Capacity());
        }
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST_F(SmileListTest, EveryChangeRunsWithTheGridInactiveAndRebuildsTheLayout) {
    Fill(view_, 3, picture_.get());
    view_.SetActive(true);
    std::vector<bool> activeInEvents;
    view_.Smiles().OnChanging = [&](TSmileList&) { activeInEvents.push_back(view_.Active()); };
    view_.Smiles().OnChange = [&](TSmileList&) { activeInEvents.push_back(view_.Active()); };
    view_.Smiles().AddObject("s3", NewSmile(picture_.get()));
    EXPECT_EQ(activeInEvents, (std::vector<bool>{false, false}));
    EXPECT_TRUE(view_.Active());
    EXPECT_FALSE(view_.LayoutDirty());
    EXPECT_EQ(view_.ColCount(), 4);
    // An inactive grid stays inactive and rebuilds when it is switched on.
    view_.SetActive(false);
    view_.Smiles().Delete(0);
    EXPECT_FALSE(view_.Active());
    EXPECT_TRUE(view_.LayoutDirty());
    view_.SetActive(true);
    EXPECT_EQ(view_.Columns().size(), 3u);
}

}  // namespace
}  // namespace faceloom
