#include "app/commands/interface_manager.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <memory>

namespace faceloom {
namespace {

TEST(InterfaceManager, StartsWithOpeningModesOptionsAndAboutOnly) {
    TInterfaceManager manager;
    EXPECT_EQ(manager.EnabledSet(), 995u);
    for (int element = 0; element < 25; ++element) {
        const bool expected = element <= 1 || (element >= 5 && element <= 9);
        EXPECT_EQ(manager.IsEnabled(element), expected) << element;
    }
}

TEST(InterfaceManager, ElementsOutsideTheSetAreNeverEnabledAndChangeNothing) {
    TInterfaceManager manager;
    for (int element : {32, 33, 100, -1}) {
        manager.SetEnabled(element, true);
        EXPECT_FALSE(manager.IsEnabled(element)) << element;
        EXPECT_EQ(manager.EnabledSet(), 995u) << element;
    }
    // 25 to 31 fit the set although no command uses them.
    manager.SetEnabled(31, true);
    EXPECT_TRUE(manager.IsEnabled(31));
    EXPECT_EQ(manager.EnabledSet(), 995u | 0x80000000u);
}

TEST(InterfaceManager, BoundControlTakesTheStateAtOnceAndFollowsIt) {
    TInterfaceManager manager;
    QPushButton save;  // element 2, disabled at first
    QAction open(nullptr);
    ASSERT_TRUE(save.isEnabled());
    open.setEnabled(false);
    manager.RegisterControl(2, &save);
    manager.RegisterControl(1, &open);
    EXPECT_FALSE(save.isEnabled());
    EXPECT_TRUE(open.isEnabled());

    manager.SetEnabled(2, true);
    EXPECT_TRUE(save.isEnabled());
    manager.SetEnabled(1, false);
    EXPECT_FALSE(open.isEnabled());
    EXPECT_FALSE(manager.IsEnabled(1));
}

TEST(InterfaceManager, UnbindingOrLosingAControlLeavesItAlone) {
    TInterfaceManager manager;
    QPushButton kept;
    manager.RegisterControl(10, &kept);
    EXPECT_FALSE(kept.isEnabled());
    manager.RegisterControl(10, nullptr);
    manager.SetEnabled(10, true);
    EXPECT_FALSE(kept.isEnabled());
    EXPECT_TRUE(manager.IsEnabled(10));

    auto gone = std::make_unique<QPushButton>();
    manager.RegisterControl(11, gone.get());
    gone.reset();
    manager.SetEnabled(11, true);  // must not reach the destroyed button
    EXPECT_TRUE(manager.IsEnabled(11));

    // No table slot beyond 30 (export): binding there is ignored, the set still works.
    QPushButton extra;
    manager.RegisterControl(31, &extra);
    manager.SetEnabled(31, false);
    EXPECT_TRUE(extra.isEnabled());
    EXPECT_FALSE(manager.IsEnabled(31));
}

}  // namespace
}  // namespace faceloom
