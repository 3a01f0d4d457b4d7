#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>

#include "grid_test_support.h"
#include "views/smile_view.h"

namespace faceloom {
namespace {

using testing::AsRgb;
using testing::Grab;
using testing::NewSmile;
using testing::Rgb;
using testing::TCodePicture;
using testing::TTestView;

constexpr uint32_t kBackground = 0x336699;  // 0x00BBGGRR
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;

// Two cells to a row: two 20 x 20 blue smiles, then a 10 x 10 green one under the first.
// Columns are 22 wide, rows 22 and 12 high; the second row has an empty end, and the client
// is 60 x 60.
class SmileViewPaintTest : public ::testing::Test {
protected:
    SmileViewPaintTest() {
        TRef<TPictureDecoder> big(new TCodePicture(20, 20, {kBlue}));
        TRef<TPictureDecoder> small(new TCodePicture(10, 10, {kGreen}));
        view_.SetRowWidth(2);
        view_.SetColor(kBackground);
        view_.Smiles().AddObject("s0", NewSmile(big.get()));
        view_.Smiles().AddObject("s1", NewSmile(big.get()));
        view_.Smiles().AddObject("s2", NewSmile(small.get()));
        view_.resize(60, 60);
        view_.show();
        view_.SetActive(true);
    }
    TTestView view_;
};

TEST_F(SmileViewPaintTest, PicturesAreCentredAndTheEmptyPartsFilled) {
    const QImage image = Grab(view_);
    const uint32_t background = AsRgb(kBackground);
    EXPECT_EQ(Rgb(image, 0, 0), background);
    EXPECT_EQ(Rgb(image, 1, 1), AsRgb(kBlue));
    EXPECT_EQ(Rgb(image, 20, 20), AsRgb(kBlue));
    EXPECT_EQ(Rgb(image, 21, 21), background);
    // The small picture sits at ((22 - 10) / 2, (12 - 10) / 2) = (6, 1) in its cell.
    EXPECT_EQ(Rgb(image, 5, 22 + 1), background);
    EXPECT_EQ(Rgb(image, 6, 22 + 1), AsRgb(kGreen));
    EXPECT_EQ(Rgb(image, 15, 22 + 10), AsRgb(kGreen));
    EXPECT_EQ(Rgb(image, 16, 22 + 10), background);
    EXPECT_EQ(Rgb(image, 15, 22 + 11), background);
    // The empty end of the last row, the strip on the right, the area below.
    EXPECT_EQ(Rgb(image, 30, 30), background);
    EXPECT_EQ(Rgb(image, 50, 5), background);
    EXPECT_EQ(Rgb(image, 5, 50), background);
    EXPECT_EQ(Rgb(image, 59, 59), background);
}

TEST_F(SmileViewPaintTest, HotCellIsFilledAndOutlined) {
    view_.SetAllowHotTrack(true);
    QTest::mouseMove(view_.viewport(), QPoint(11, 27));
    ASSERT_EQ(view_.HotIndex(), 2);
    QImage image = Grab(view_);
    const uint32_t border = AsRgb(0xFF8080);
    const uint32_t fill = AsRgb(0xFFF0F0);
    for (QPoint p :
         {QPoint(0, 22), QPoint(21, 22), QPoint(0, 33), QPoint(21, 33), QPoint(10, 22), QPoint(0, 30)}) {
        EXPECT_EQ(Rgb(image, p.x(), p.y()), border) << p.x() << "," << p.y();
    }
    EXPECT_EQ(Rgb(image, 1, 23), fill);
    EXPECT_EQ(Rgb(image, 5, 30), fill);
    EXPECT_EQ(Rgb(image, 20, 32), fill);
    EXPECT_EQ(Rgb(image, 6, 30), AsRgb(kGreen));
    EXPECT_EQ(Rgb(image, 0, 0), AsRgb(kBackground));  // other cells stay plain
    // A new colour repaints the hot cell.
    view_.SetHotTrackColor(0x0000FF);
    image = Grab(view_);
    EXPECT_EQ(Rgb(image, 1, 23), AsRgb(0x0000FF));
}

TEST_F(SmileViewPaintTest, FocusFrameInvertsEveryOtherPixelOfTheOutline) {
    view_.SetAllowSelecting(true);
    view_.SetItemIndex(2);
    const QImage image = Grab(view_);
    const uint32_t background = AsRgb(kBackground);
    const uint32_t inverted = background ^ 0xFFFFFF;
    EXPECT_EQ(Rgb(image, 0, 22), inverted);
    EXPECT_EQ(Rgb(image, 1, 22), background);
    EXPECT_EQ(Rgb(image, 2, 22), inverted);
    EXPECT_EQ(Rgb(image, 21, 23), inverted);  // right edge: x + y even in the cell
    EXPECT_EQ(Rgb(image, 21, 22 + 11), inverted);
    EXPECT_EQ(Rgb(image, 20, 22 + 11), background);
    EXPECT_EQ(Rgb(image, 19, 22 + 11), inverted);
    EXPECT_EQ(Rgb(image, 0, 22 + 12), background);  // below the grid
    EXPECT_EQ(Rgb(image, 1, 23), background);       // inside stays
}

TEST_F(SmileViewPaintTest, InactiveGridShowsOnlyItsBackground) {
    view_.SetActive(false);
    const QImage image = Grab(view_);
    EXPECT_EQ(Rgb(image, 10, 10), AsRgb(kBackground));
    EXPECT_EQ(Rgb(image, 10, 30), AsRgb(kBackground));
}

TEST_F(SmileViewPaintTest, PaintingFilesTheShownSmilesInTheTimer) {
    TRef<TPictureDecoder> twoFrames(new TCodePicture(20, 20, {kBlue, kGreen}, 1000));
    view_.Smiles().AddObject("s3", NewSmile(twoFrames.get()));
    Grab(view_);
    EXPECT_TRUE(view_.Smiles().GetSmile(3)->InTimer.load());
    EXPECT_TRUE(view_.Smiles().GetSmile(3)->Visible.load());
    EXPECT_FALSE(view_.Smiles().GetSmile(3)->InPaint.load());
}

// The signature line with the real font: written under the picture, centred, in the font
// colour, and the picture moved up to make room.
TEST(SmileViewTextTest, SignatureIsWrittenUnderThePicture) {
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {kBlue}));
    TSmileView view;
    view.SetColor(0xFFFFFF);
    view.SetFontColor(0x000000);
    view.SetShowSignatures(true);
    view.Smiles().AddObject("WWWWWWWW", NewSmile(picture.get()));
    view.resize(200, 100);
    view.show();
    view.SetActive(true);
    const int w = view.Columns()[0].Size;
    const int h = view.Rows()[0].Size;
    const int th = h - 22;
    ASSERT_GT(w, 22);  // the text is wider than the picture
    ASSERT_GT(th, 0);
    const QImage image = Grab(view);
    int dark = 0;
    int darkOutsideLine = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = Rgb(image, x, y);
            if (p == AsRgb(kBlue)) continue;
            if (qGray(p) < 128) (y >= h - th - 1 && y < h - 1 ? dark : darkOutsideLine)++;
        }
    }
    EXPECT_GT(dark, 10);
    EXPECT_EQ(darkOutsideLine, 0);
    // The picture is centred horizontally and vertically above the text.
    const int px = (w - 20) / 2;
    const int py = (h - 20 - th) / 2;
    EXPECT_EQ(Rgb(image, px, py), AsRgb(kBlue));
    EXPECT_NE(Rgb(image, px - 1, py), AsRgb(kBlue));
    EXPECT_NE(Rgb(image, px, py - 1), AsRgb(kBlue));
}

// Captions are rendered once per text and background and copied afterwards: every frame of an
// animating smile, and the hot look, show the same pixels text drawn in place would, and a new
// font or pen renders them again.
// What a frame change asks to repaint: the cells' pictures, never their caption lines.
TEST(SmileViewTextTest, AFrameChangeRepaintsThePictureAndLeavesTheCaption) {
    struct TPaintSpy : QObject {
        QRegion Painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    };
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {kBlue, kGreen}, 100));
    TTestView view;
    view.SetShowSignatures(true);
    view.Smiles().AddObject("Wq", NewSmile(picture.get()));
    view.Smiles().AddObject("", NewSmile(picture.get()));
    view.resize(200, 100);
    view.show();
    view.SetActive(true);
    QApplication::processEvents();
    QImage shown(view.viewport()->size(), QImage::Format_RGB32);
    view.viewport()->render(&shown);
    TPaintSpy spy;
    view.viewport()->installEventFilter(&spy);
    for (int i = 0; i < 2; ++i) {
        view.Smiles().GetSmile(i)->FrameIndex.store(1, std::memory_order_relaxed);
        view.Smiles().GetSmile(i)->FrameChanged();
    }
    view.FlushDirtyCells();
    QApplication::processEvents();
    view.viewport()->removeEventFilter(&spy);
    const QRegion painted = spy.Painted;
    // Painted over what was shown, that part gives what a whole repaint gives.
    view.viewport()->render(&shown, QPoint(), painted);
    QImage whole(shown.size(), shown.format());
    view.viewport()->render(&whole);
    EXPECT_EQ(shown, whole);
    const int th = QFontMetrics(view.font()).height();
    const QRect captioned = view.CellRect(0), bare = view.CellRect(1);
    const QRect caption(captioned.left(), captioned.bottom() - th, captioned.width(), th + 1);
    EXPECT_FALSE(painted.intersects(caption));
    EXPECT_TRUE(painted.contains(captioned.adjusted(0, 0, 0, -th - 1)));
    EXPECT_TRUE(painted.contains(bare));  // no caption: the whole cell
}

TEST(SmileViewTextTest, CaptionsAreRenderedOnceAndCopiedExactly) {
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {kBlue, kGreen}, 100));
    TTestView view;
    view.SetColor(0xFFFFFF);
    view.SetFontColor(0x000000);
    view.SetAllowHotTrack(true);
    view.SetShowSignatures(true);
    view.Smiles().AddObject("Wq", NewSmile(picture.get()));
    view.Smiles().AddObject("Wq", NewSmile(picture.get()));
    view.resize(200, 100);
    view.show();
    view.SetActive(true);
    const int w = view.Columns()[0].Size;
    const int h = view.Rows()[0].Size;
    // The reference: the text drawn in place over each background.
    auto reference = [&](uint32_t background) {
        const QFontMetrics metrics(view.font());
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor::fromRgb(AsRgb(background)));
        QPainter painter(&image);
        painter.setFont(view.font());
        painter.setPen(Qt::black);
        const int th = metrics.height();
        painter.drawText((w - metrics.horizontalAdvance("Wq")) / 2, h - th - 1 + metrics.ascent(), "Wq");
        return image;
    };
    auto captionMatches = [&](const QImage& shot, int cell, const QImage& expected) {
        const int th = QFontMetrics(view.font()).height();
        for (int y = h - th - 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x)
                if (Rgb(shot, cell * w + x, y) != (expected.pixel(x, y) & 0xFFFFFFu)) return false;
        return true;
    };
    QTest::mouseMove(view.viewport(), QPoint(w + w / 2, h / 2));
    ASSERT_EQ(view.HotIndex(), 1);
    QImage shot = Grab(view);
    EXPECT_TRUE(captionMatches(shot, 0, reference(0xFFFFFF)));
    EXPECT_TRUE(captionMatches(shot, 1, reference(0xFFF0F0)));
    EXPECT_EQ(view.Captions().Count(), 2);  // one text over two backgrounds
    for (int frame = 0; frame < 3; ++frame) {
        view.Smiles().GetSmile(0)->FrameIndex.store(frame % 2, std::memory_order_relaxed);
        shot = Grab(view);
    }
    EXPECT_EQ(view.Captions().Count(), 2);
    EXPECT_TRUE(captionMatches(shot, 0, reference(0xFFFFFF)));
    view.SetFontColor(0x0000FF);
    shot = Grab(view);
    EXPECT_EQ(view.Captions().Count(), 2);
    EXPECT_FALSE(captionMatches(shot, 0, reference(0xFFFFFF)));  // red now, rendered again
}

}  // namespace
}  // namespace faceloom
