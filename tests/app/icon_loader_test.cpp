#include "app/main_window/icon_loader.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QSet>

namespace faceloom {
namespace {

// Sum of the colour channels of the opaque part, to compare brightness.
long long Brightness(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    long long sum = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb c = argb.pixel(x, y);
            if (qAlpha(c) == 255) sum += qRed(c) + qGreen(c) + qBlue(c);
        }
    }
    return sum;
}

TEST(IconLoader, EveryToolbarImageAndButtonGlyphIsDrawnInItsThreeStates) {
    QSet<QString> names;
    std::vector<std::pair<QString, int>> wanted;
    for (int i = 0; i < kToolbarImageCount; ++i) wanted.emplace_back(ToolbarImageName(i), kToolbarImageSize);
    for (int n = 1; n <= 16; ++n) wanted.emplace_back(ButtonGlyphName(n), kButtonGlyphSize);
    for (const auto& [name, size] : wanted) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_FALSE(name.isEmpty());
        names << name;
        const QIcon icon = LoadIcon(name, size);
        ASSERT_FALSE(icon.isNull());
        const QImage normal = icon.pixmap(size, QIcon::Normal).toImage();
        const QImage disabled = icon.pixmap(size, QIcon::Disabled).toImage();
        const QImage hot = icon.pixmap(size, QIcon::Active).toImage();
        ASSERT_EQ(normal.size(), QSize(size, size));
        // Something is drawn and the corners stay clear for the button face.
        EXPECT_GT(Brightness(normal), 0);
        EXPECT_LT(qAlpha(normal.pixel(0, 0)), 255);
        EXPECT_GT(Brightness(hot), Brightness(normal));
        bool grey = true;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb c = disabled.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
                if (qAlpha(c) > 0 && (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))) grey = false;
                // Disabled and hot keep the outline of the normal drawing.
                EXPECT_EQ(qAlpha(hot.pixel(x, y)), qAlpha(normal.pixel(x, y)));
                EXPECT_LE(qAlpha(disabled.pixel(x, y)), qAlpha(normal.pixel(x, y)));
            }
        }
        EXPECT_TRUE(grey);
    }
    EXPECT_EQ(names.size(), kToolbarImageCount + 16);  // no image used twice by mistake
}

TEST(IconLoader, UnknownNamesAndIndexesGiveNothing) {
    EXPECT_TRUE(ToolbarImageName(-1).isEmpty());
    EXPECT_TRUE(ToolbarImageName(kToolbarImageCount).isEmpty());
    EXPECT_TRUE(ButtonGlyphName(0).isEmpty());
    EXPECT_TRUE(ButtonGlyphName(17).isEmpty());
    EXPECT_TRUE(LoadIcon(QStringLiteral("no_such_drawing"), 16).isNull());
    EXPECT_TRUE(LoadIcon(QString(), 16).isNull());
    EXPECT_TRUE(RenderSvg(QStringLiteral(":/icons/main/faceloom.svg"), 0).isNull());
    EXPECT_EQ(RenderSvg(QStringLiteral(":/icons/main/faceloom.svg"), 48).size(), QSize(48, 48));
}

}  // namespace
}  // namespace faceloom
