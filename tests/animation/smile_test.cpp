#include "animation/smile.h"

#include <gtest/gtest.h>

#include "animation_test_support.h"

namespace faceloom {
namespace {

using testing::TTestPicture;
using testing::TTestSmile;

TEST(Smile, StartsVisibleAllowedUnqueuedWithoutPicture) {
    TRef<TSmile> smile(new TSmile);
    EXPECT_EQ(smile->GetRefCount(), 1);
    EXPECT_FALSE(smile->InTimer);
    EXPECT_TRUE(smile->Visible);
    EXPECT_TRUE(smile->AnimationAllowed);
    EXPECT_FALSE(smile->InRenderQueue);
    EXPECT_EQ(smile->TimerNode, nullptr);
    EXPECT_EQ(smile->RenderNode, nullptr);
    EXPECT_EQ(smile->Picture, nullptr);
    EXPECT_EQ(smile->FrameIndex, 0);
    EXPECT_FALSE(smile->LoadError);
    EXPECT_EQ(smile->Signatures.Count(), 0);
    EXPECT_TRUE(smile->IsAnimating());
    EXPECT_TRUE(smile->CanAnimate());
    smile->Visible = false;
    smile->AnimationAllowed = false;
    EXPECT_FALSE(smile->IsAnimating());
    EXPECT_FALSE(smile->CanAnimate());
    // Without a picture the frame does not move.
    smile->FrameIndex = 2;
    EXPECT_EQ(smile->NextFrame(), 0);
    EXPECT_EQ(smile->PrevFrame(), 0);
    EXPECT_EQ(smile->FrameIndex, 2);
}

TEST(Smile, StepsFramesCyclicallyAndAnswersTheNewFramesDelay) {
    TRef<TTestPicture> picture(new TTestPicture({100, 200, 3000}));
    TRef<TSmile> smile(new TTestSmile(picture.get()));
    EXPECT_EQ(smile->NextFrame(), 200);
    EXPECT_EQ(smile->NextFrame(), 3000);
    EXPECT_EQ(smile->FrameIndex, 2);
    EXPECT_EQ(smile->NextFrame(), 100);
    EXPECT_EQ(smile->FrameIndex, 0);
    EXPECT_EQ(smile->PrevFrame(), 3000);
    EXPECT_EQ(smile->FrameIndex, 2);
    EXPECT_EQ(smile->PrevFrame(), 200);
    EXPECT_EQ(smile->PrevFrame(), 100);
    EXPECT_EQ(smile->FrameIndex, 0);
}

TEST(Smile, FrameIndexBeyondAReplacedPictureStartsOver) {
    TRef<TTestPicture> longer(new TTestPicture({10, 20, 30, 40, 50}));
    TRef<TTestPicture> shorter(new TTestPicture({70, 80}));
    TRef<TSmile> smile(new TTestSmile(longer.get()));
    smile->FrameIndex = 4;
    smile->SetPicture(shorter.get());
    TRef<TPictureDecoder> picture;
    int32_t frame = -1;
    ASSERT_TRUE(smile->CurrentFrame(picture, frame));
    EXPECT_EQ(picture.get(), shorter.get());
    EXPECT_EQ(frame, 0);  // clamped for drawing; FrameIndex itself is left alone
    EXPECT_EQ(smile->FrameIndex, 4);
    EXPECT_EQ(smile->NextFrame(), 70);
    EXPECT_EQ(smile->FrameIndex, 0);
    smile->FrameIndex = 4;
    EXPECT_EQ(smile->PrevFrame(), 80);
    EXPECT_EQ(smile->FrameIndex, 1);
}

TEST(Smile, SetPictureCountsReferencesAndDestructionReleases) {
    std::atomic<int> picturesDestroyed{0};
    std::atomic<int> smilesDestroyed{0};
    auto* first = new TTestPicture({100, 100}, &picturesDestroyed);
    auto* second = new TTestPicture({100}, &picturesDestroyed);
    second->AddRef();  // the test's own hold on the second picture
    {
        TRef<TSmile> smile(new TTestSmile(nullptr, &smilesDestroyed));
        smile->SetPicture(first);
        EXPECT_EQ(first->GetRefCount(), 1);
        smile->SetPicture(first);  // the same picture again changes nothing
        EXPECT_EQ(first->GetRefCount(), 1);
        EXPECT_EQ(smile->GetFrameCount(), 2);
        smile->SetPicture(second);  // the smile was the first picture's only holder
        EXPECT_EQ(picturesDestroyed, 1);
        EXPECT_EQ(second->GetRefCount(), 2);
        EXPECT_EQ(smile->PictureRef().get(), second);
        EXPECT_EQ(second->GetRefCount(), 2);  // the temporary reference is gone again
        smile->Signatures.Add(":-)");
    }
    EXPECT_EQ(smilesDestroyed, 1);
    EXPECT_EQ(second->GetRefCount(), 1);
    second->Release();
    EXPECT_EQ(picturesDestroyed, 2);

    TRef<TSmile> empty(new TSmile);
    empty->SetPicture(nullptr);
    EXPECT_EQ(empty->GetFrameCount(), 0);
    TRef<TPictureDecoder> none;
    int32_t frame = 7;
    EXPECT_FALSE(empty->CurrentFrame(none, frame));
    EXPECT_FALSE(none);
    EXPECT_EQ(frame, 0);
}

}  // namespace
}  // namespace faceloom
