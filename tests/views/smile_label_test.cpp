#include "views/smile_label.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>
#include <atomic>
#include <vector>

#include "view_test_pictures.h"
#include "views/smile_label_smile.h"

namespace faceloom {
namespace {

using testing::PixelRgb;
using testing::ProcessUntil;
using testing::RgbAt;
using testing::TPatternPicture;

constexpr uint32_t kWhite = 0xFFFFFF;

// A label whose caption measures with the figures of the design (45 x 13 for "*SMILE*"),
// whatever fonts the machine has.
class TDesignLabel : public TSmileLabel {
public:
    // Small enough for the real text to fit the design's box.
    TDesignLabel() {
        QFont small("DejaVu Sans");
        small.setPixelSize(9);
        setFont(small);
    }

protected:
    QSize MeasureCaption(const QString& caption, const QFont& font) const override {
        if (caption.isEmpty()) return QSize(0, 0);
        return caption == "*SMILE*" ? QSize(45, 13) : TSmileLabel::MeasureCaption(caption, font);
    }
};

// Counts its destruction, so a test sees every reference let go.
class TCountedLabelSmile : public TSmileLabelSmile {
public:
    explicit TCountedLabelSmile(std::atomic<int>* destroyed = nullptr) : destroyed_(destroyed) {}

protected:
    ~TCountedLabelSmile() override {
        if (destroyed_) destroyed_->fetch_add(1);
    }

private:
    std::atomic<int>* destroyed_;
};

// A smile of another kind than the label's.
class TOtherSmile : public TSmile {};

TRef<TSmileLabelSmile> LabelSmile(int32_t width, int32_t height, int32_t frames, int32_t delay = 100) {
    TRef<TSmileLabelSmile> smile(new TCountedLabelSmile);
    TRef<TPictureDecoder> picture(new TPatternPicture(width, height, frames, delay));
    smile->SetPicture(picture.get());
    return smile;
}

// Shows the label active and waits until a render has reached the screen.
void ShowAndRender(TSmileLabel& label) {
    const int64_t before = label.RenderCount();
    label.SetActive(true);
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    ASSERT_TRUE(ProcessUntil([&] { return label.RenderCount() > before; }));
    QApplication::processEvents();
}

// Waits until a finished render shows rgb at (x, y) of the back buffer; renders queued before
// the change that brings the colour may land first.
bool AwaitBufferPixel(TSmileLabel& label, int x, int y, uint32_t rgb) {
    return ProcessUntil([&] {
        const QImage buffer = label.BackBuffer();
        return buffer.valid(x, y) && RgbAt(buffer, x, y) == rgb;
    });
}

// Waits for one more render than `before` and lets it reach the screen.
void AwaitRender(TSmileLabel& label, int64_t before) {
    ASSERT_TRUE(ProcessUntil([&] { return label.RenderCount() > before; }));
    QApplication::processEvents();
}

TEST(SmileLabel, DesignFiguresCentreThePictureAreaAndPlacePictureAndCaption) {
    TDesignLabel label;
    // The real text must fit the design's box for the pixel checks below.
    ASSERT_LE(QFontMetrics(label.font()).horizontalAdvance("*SMILE*"), 45);
    ASSERT_LE(QFontMetrics(label.font()).height(), 13);
    label.resize(262, 102);
    label.SetColor(kWhite);
    label.SetFontColor(0x000000);
    label.SetCaption("*SMILE*");
    label.SetSmile(LabelSmile(20, 24, 1).get());
    ShowAndRender(label);

    EXPECT_EQ(label.LayoutRect(), QRect(0, 0, 47, 39));
    EXPECT_EQ(label.OffsetX(), 107);
    EXPECT_EQ(label.OffsetY(), 31);

    const QImage buffer = label.BackBuffer();
    ASSERT_EQ(buffer.size(), QSize(47, 39));
    // Picture at x 13, top row.
    for (int y = 0; y < 24; ++y) {
        EXPECT_EQ(RgbAt(buffer, 12, y), kWhite) << y;
        EXPECT_EQ(RgbAt(buffer, 33, y), kWhite) << y;
        for (int x = 0; x < 20; ++x) ASSERT_EQ(RgbAt(buffer, 13 + x, y), PixelRgb(0, x, y)) << x << "," << y;
    }
    // Caption ink only inside (1, 24)-(46, 37).
    int ink = 0;
    for (int y = 24; y < 39; ++y) {
        for (int x = 0; x < 47; ++x) {
            const bool inBox = x >= 1 && x < 46 && y < 37;
            if (RgbAt(buffer, x, y) == kWhite) continue;
            EXPECT_TRUE(inBox) << "caption pixel outside its box at " << x << "," << y;
            ++ink;
        }
    }
    EXPECT_GT(ink, 20);

    // On the screen: the buffer at the offsets, the bands around it in the background colour.
    const QImage screen = label.grab().toImage();
    EXPECT_EQ(RgbAt(screen, 107 + 13, 31), PixelRgb(0, 0, 0));
    EXPECT_EQ(RgbAt(screen, 107 + 13 + 19, 31 + 23), PixelRgb(0, 19, 23));
    for (QPoint band : {QPoint(0, 0), QPoint(106, 50), QPoint(107 + 47, 50), QPoint(130, 30), QPoint(130, 70),
                        QPoint(261, 101)}) {
        EXPECT_EQ(RgbAt(screen, band.x(), band.y()), kWhite) << band.x() << "," << band.y();
    }
}

TEST(SmileLabel, StretchedPictureFillsTheClientNearestPixel) {
    TSmileLabel label;
    label.resize(350, 350);
    label.SetColor(kWhite);
    label.SetStretch(true);
    label.SetSmile(LabelSmile(20, 24, 1).get());
    ShowAndRender(label);
    // Empty caption: 0 x 0.
    EXPECT_EQ(label.LayoutRect(), QRect(0, 0, 20, 26));

    const QImage screen = label.grab().toImage();
    ASSERT_EQ(screen.size(), QSize(350, 350));
    // The middle of the block each source pixel becomes, and the four corners.
    for (int sy = 0; sy < 24; ++sy) {
        for (int sx = 0; sx < 20; ++sx) {
            const int dx = (2 * sx + 1) * 350 / 40;
            const int dy = (2 * sy + 1) * 350 / 48;
            ASSERT_EQ(RgbAt(screen, dx, dy), PixelRgb(0, sx, sy)) << sx << "," << sy;
        }
    }
    EXPECT_EQ(RgbAt(screen, 0, 0), PixelRgb(0, 0, 0));
    EXPECT_EQ(RgbAt(screen, 349, 0), PixelRgb(0, 19, 0));
    EXPECT_EQ(RgbAt(screen, 0, 349), PixelRgb(0, 0, 23));
    EXPECT_EQ(RgbAt(screen, 349, 349), PixelRgb(0, 19, 23));
}

TEST(SmileLabel, StretchedCaptionStripIsSqueezedBetweenHotTrackedSides) {
    TDesignLabel label;
    label.resize(350, 350);
    label.SetColor(kWhite);
    label.SetStretch(true);
    label.SetAllowHotTrack(true);
    label.SetAlwaysHotTrack(true);
    label.SetHotTrackColor(0xFFF0F0);
    label.SetHotTrackBorderColor(0xFF8080);
    label.SetCaption("*SMILE*");
    label.SetSmile(LabelSmile(20, 24, 1).get());
    ShowAndRender(label);
    ASSERT_EQ(label.OffsetX(), (350 - 47) / 2);

    const QImage screen = label.grab().toImage();
    const uint32_t hot = 0xF0F0FF;     // 0xFFF0F0 as 0xRRGGBB
    const uint32_t border = 0x8080FF;  // 0xFF8080 as 0xRRGGBB
    // Picture part: the 20 x 24 picture scaled into 350 x 337.
    EXPECT_EQ(RgbAt(screen, 0, 0), PixelRgb(0, 0, 0));
    EXPECT_EQ(RgbAt(screen, 349, 336), PixelRgb(0, 19, 23));
    // Strip sides in the hot-track colour; the strip itself comes from the buffer, whose
    // outline is the border colour.
    EXPECT_EQ(RgbAt(screen, 0, 340), hot);
    EXPECT_EQ(RgbAt(screen, 349, 349), hot);
    EXPECT_EQ(RgbAt(screen, label.OffsetX(), 340), border);
    EXPECT_EQ(RgbAt(screen, label.OffsetX() + 46, 340), border);
    EXPECT_EQ(RgbAt(screen, label.OffsetX() + 46, 349), border);
}

TEST(SmileLabel, HotTrackNeedsAllowAndEitherAlwaysOrTheMouse) {
    TSmileLabel label;
    label.resize(100, 100);
    label.SetColor(kWhite);
    label.SetAlwaysHotTrack(true);
    label.SetSmile(LabelSmile(20, 24, 1).get());
    ShowAndRender(label);
    // AllowHotTrack off: neither AlwaysHotTrack nor the mouse shows anything.
    QTest::mouseMove(&label, QPoint(50, 50));
    QApplication::processEvents();
    EXPECT_FALSE(label.ShowsHotTrack());
    EXPECT_EQ(RgbAt(label.BackBuffer(), 10, 24), kWhite);

    label.SetAllowHotTrack(true);
    // A render queued before the change may land first, so wait for the one that shows it.
    EXPECT_TRUE(AwaitBufferPixel(label, 10, 24, 0xF0F0FFu));
    // The 20 x 26 area: picture on top, the two spare rows under it show fill and outline.
    QImage buffer = label.BackBuffer();
    EXPECT_EQ(RgbAt(buffer, 0, 24), 0x8080FFu);
    EXPECT_EQ(RgbAt(buffer, 10, 24), 0xF0F0FFu);
    EXPECT_EQ(RgbAt(buffer, 10, 25), 0x8080FFu);
    EXPECT_EQ(RgbAt(buffer, 19, 24), 0x8080FFu);
    EXPECT_EQ(RgbAt(buffer, 10, 0), PixelRgb(0, 10, 0));

    // Only the mouse now: outside the picture area off, inside on.
    label.SetAlwaysHotTrack(false);
    QTest::mouseMove(&label, QPoint(2, 2));
    QApplication::processEvents();
    EXPECT_FALSE(label.MouseInside());
    QTest::mouseMove(&label, QPoint(50, 50));
    EXPECT_TRUE(label.MouseInside());
    EXPECT_TRUE(AwaitBufferPixel(label, 10, 24, 0xF0F0FFu));
}

TEST(SmileLabel, SteppingWithoutAnimationShowsEachFrameAndReportsOncePerPaint) {
    TSmileLabel label;
    label.resize(60, 60);
    label.SetColor(kWhite);
    label.SetAnimate(false);
    TRef<TSmileLabelSmile> smile = LabelSmile(20, 24, 3);
    label.SetSmile(smile.get());
    int reports = 0;
    label.OnNextFrame = [&](QObject* sender) {
        EXPECT_EQ(sender, &label);
        ++reports;
    };
    ShowAndRender(label);
    // Setting the smile counts as a frame change.
    EXPECT_EQ(reports, 1);
    const int x = label.OffsetX();
    const int y = label.OffsetY();
    for (int step = 1; step <= 4; ++step) {
        const int64_t before = label.RenderCount();
        smile->NextFrame();
        smile->FrameChanged();
        AwaitRender(label, before);
        // The invalidation's paint reported it; the paint that shows the render did not.
        EXPECT_EQ(reports, 1 + step);
        const int frame = step % 3;
        EXPECT_EQ(smile->FrameIndex.load(), frame);
        EXPECT_EQ(RgbAt(label.grab().toImage(), x + 5, y + 6), PixelRgb(frame, 5, 6)) << step;
    }
    // Without Animate the timer never stepped it on its own.
    QTest::qWait(150);
    EXPECT_EQ(smile->FrameIndex.load(), 1);
    smile->PrevFrame();
    smile->FrameChanged();
    ASSERT_TRUE(ProcessUntil([&] { return reports == 6; }));
    EXPECT_EQ(smile->FrameIndex.load(), 0);
}

TEST(SmileLabel, AnimatesOnItsOwnWhileActive) {
    TSmileLabel label;
    label.resize(60, 60);
    TRef<TSmileLabelSmile> smile = LabelSmile(20, 24, 3, 20);
    label.SetSmile(smile.get());
    int reports = 0;
    label.OnNextFrame = [&](QObject*) { ++reports; };
    ShowAndRender(label);
    EXPECT_TRUE(ProcessUntil([&] { return reports >= 4 && label.RenderCount() >= 4; }));
    // Inactive: the timer lets it go and the frame stays.
    label.SetActive(false);
    QTest::qWait(100);
    const int32_t frame = smile->FrameIndex.load();
    QTest::qWait(100);
    EXPECT_EQ(smile->FrameIndex.load(), frame);
    EXPECT_FALSE(smile->InTimer.load());
}

TEST(SmileLabel, ForeignSmileReleasesTheOldOneAndLeavesTheLabelInactive) {
    std::atomic<int> destroyed{0};
    TSmileLabel label;
    label.resize(60, 60);
    TRef<TSmileLabelSmile> first(new TCountedLabelSmile(&destroyed));
    label.SetSmile(first.get());
    label.SetActive(true);
    EXPECT_EQ(first->GetRefCount(), 2);
    EXPECT_EQ(first->Label.load(), &label);

    TRef<TSmile> other(new TOtherSmile);
    label.SetSmile(other.get());
    EXPECT_EQ(label.Smile(), nullptr);
    EXPECT_FALSE(label.Active());
    EXPECT_EQ(first->GetRefCount(), 1);
    EXPECT_EQ(first->Label.load(), nullptr);
    EXPECT_EQ(other->GetRefCount(), 1);
    first.reset();
    EXPECT_EQ(destroyed.load(), 1);

    // The same smile set twice keeps it alive and shown.
    TRef<TSmileLabelSmile> again(new TCountedLabelSmile(&destroyed));
    label.SetSmile(again.get());
    TSmileLabelSmile* raw = again.get();
    again.reset();
    label.SetSmile(raw);
    EXPECT_EQ(label.Smile(), raw);
    EXPECT_EQ(raw->GetRefCount(), 1);
    label.SetSmile(nullptr);
    EXPECT_EQ(destroyed.load(), 2);
}

TEST(SmileLabel, PictureLessSmileEmptyClientAndCaptionChangesStaySafe) {
    TSmileLabel label;
    label.resize(80, 40);
    label.SetColor(kWhite);
    TRef<TSmileLabelSmile> bare(new TCountedLabelSmile);
    label.SetSmile(bare.get());
    label.SetActive(true);
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    QTest::qWait(50);
    // Nothing to draw: the background only, no buffer, no render.
    EXPECT_EQ(label.LayoutRect(), QRect(0, 0, 2, 2));
    EXPECT_TRUE(label.BackBuffer().isNull());
    EXPECT_EQ(label.RenderCount(), 0);
    EXPECT_EQ(RgbAt(label.grab().toImage(), 40, 20), kWhite);

    // A zero-sized client hides the smile from the timer; growing shows it again.
    TRef<TSmileLabelSmile> smile = LabelSmile(20, 24, 2, 20);
    label.SetSmile(smile.get());
    label.resize(0, 0);
    EXPECT_FALSE(smile->Visible.load());
    label.resize(80, 40);
    EXPECT_TRUE(smile->Visible.load());
    // A picture area larger than the client: negative offsets, cut evenly.
    label.SetCaption(QString(40, QChar('W')));
    EXPECT_LT(label.OffsetX(), 0);
    EXPECT_EQ(label.OffsetX(), (80 - label.LayoutRect().width()) / 2);
    const int64_t before = label.RenderCount();
    ASSERT_TRUE(ProcessUntil([&] { return label.RenderCount() > before; }));
}

// The GUI thread swaps smiles and switches the label on and off while the timer steps fast
// and the render thread draws: every smile must end destroyed, nothing touched after.
TEST(SmileLabel, RendersRacingDeactivationAndSmileChangesLoseNothing) {
    std::atomic<int> destroyed{0};
    constexpr int kSmiles = 150;
    {
        TSmileLabel label;
        label.resize(120, 80);
        label.SetCaption("race");
        label.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
        for (int i = 0; i < kSmiles; ++i) {
            TRef<TSmileLabelSmile> smile(new TCountedLabelSmile(&destroyed));
            TRef<TPictureDecoder> picture(new TPatternPicture(10 + i % 30, 12 + i % 20, 4, 10));
            smile->SetPicture(picture.get());
            label.SetSmile(smile.get());
            label.SetActive(true);
            label.SetAllowHotTrack(i % 2 == 0);
            label.SetAlwaysHotTrack(true);
            if (i % 4 == 0) {
                const int64_t before = label.RenderCount();
                ASSERT_TRUE(ProcessUntil([&] { return label.RenderCount() > before; }));
            }
            // A synchronous paint queues a render at once, so the next change meets it running.
            for (int k = 0; k < 3; ++k) {
                smile->NextFrame();
                smile->FrameChanged();
                label.repaint();
            }
            if (i % 3 == 0) label.SetActive(false);
            if (i % 5 == 0) label.Relayout();
        }
        EXPECT_GE(label.RenderCount(), kSmiles / 4);
        // A timer pass running meanwhile holds its own reference until it ends.
        EXPECT_TRUE(ProcessUntil([&] { return destroyed.load() == kSmiles - 1; })) << destroyed.load();
    }
    EXPECT_TRUE(ProcessUntil([&] { return destroyed.load() == kSmiles; })) << destroyed.load();
}

}  // namespace
}  // namespace faceloom
