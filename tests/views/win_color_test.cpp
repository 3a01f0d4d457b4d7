#include "views/win_color.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

namespace faceloom {
namespace {

TEST(WinColor, RedIsTheLowByteBothWays) {
    const QColor c = WinColorToQColor(0x00336699u);  // blue 0x33, green 0x66, red 0x99
    EXPECT_EQ(c.red(), 0x99);
    EXPECT_EQ(c.green(), 0x66);
    EXPECT_EQ(c.blue(), 0x33);
    EXPECT_EQ(QColorToWinColor(c), 0x00336699u);
}

TEST(WinColor, SystemColoursComeFromTheApplicationPalette) {
    EXPECT_EQ(WinColorToQColor(0xFF000008u), QApplication::palette().color(QPalette::Active, QPalette::Text));
    EXPECT_EQ(WinColorToQColor(0xFF000005u), QApplication::palette().color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(WinColorToQColor(0xFF00000Fu),
              QApplication::palette().color(QPalette::Active, QPalette::Button));
}

}  // namespace
}  // namespace faceloom
