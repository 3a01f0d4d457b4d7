#include "pictures/picture_decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "pictures/file_stream.h"
#include "pictures/memory_stream.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "pictures/transparent_decoder.h"
#include "pictures/transparent_smile.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

// A picture whose frames the test puts in by hand; it reports its destruction.
class TestPicture : public TPictureDecoder {
public:
    explicit TestPicture(TStream& stream, bool* destroyed = nullptr)
        : TPictureDecoder(stream), destroyed_(destroyed) {}

    void AddSmileFrame(std::unique_ptr<TSmileBitmap> frame, int32_t delay) {
        Frames.push_back(std::move(frame));
        Delays.push_back(delay);
    }

protected:
    ~TestPicture() override {
        if (destroyed_) *destroyed_ = true;
    }

private:
    bool* destroyed_;
};

std::unique_ptr<TSmileBitmap32> Frame32(int32_t width, int32_t height, bool transparent) {
    auto frame = std::make_unique<TSmileBitmap32>();
    frame->Width = width;
    frame->Height = height;
    frame->Transparent = transparent;
    frame->Allocate();
    return frame;
}

std::unique_ptr<TSmileBitmap8> Frame8(int32_t width, int32_t height, bool transparent) {
    auto frame = std::make_unique<TSmileBitmap8>();
    frame->Width = width;
    frame->Height = height;
    frame->Transparent = transparent;
    frame->PaletteCount = 2;
    frame->Allocate();
    frame->SetPaletteEntry(1, 0x00FF00);
    return frame;
}

TEST(PictureDecoder, ReleaseDestroysAtCountZeroOrOneAndOtherwiseDecrements) {
    TMemoryStream stream(nullptr, 0);
    for (int32_t count : {0, 1}) {
        bool destroyed = false;
        auto* picture = new TestPicture(stream, &destroyed);
        for (int32_t i = 0; i < count; ++i) picture->AddRef();
        EXPECT_EQ(picture->RefCount.load(), count);
        picture->Release();
        EXPECT_TRUE(destroyed) << count;
    }
    bool destroyed = false;
    auto* picture = new TestPicture(stream, &destroyed);
    picture->AddRef();
    picture->AddRef();
    picture->Release();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(picture->RefCount.load(), 1);
    picture->Release();
    EXPECT_TRUE(destroyed);
}

TEST(PictureDecoder, DefaultsAndDecodeMakesWantedSettingsEffective) {
    TMemoryStream stream(nullptr, 0);
    TRef<TestPicture> picture(new TestPicture(stream));
    EXPECT_EQ(picture->Stream, &stream);
    EXPECT_FALSE(picture->OwnsStream);
    EXPECT_FALSE(picture->WantSmileBitmaps);
    EXPECT_TRUE(picture->WantTransparent);
    EXPECT_EQ(picture->WantBackgroundColor, 0xFFFFFFu);
    picture->Decode();
    // Defaults give platform bitmaps with masks over white.
    EXPECT_FALSE(picture->SmileBitmaps);
    EXPECT_TRUE(picture->Transparent);
    EXPECT_EQ(picture->BackgroundColor, 0xFFFFFFu);

    picture->WantSmileBitmaps = true;
    picture->WantTransparent = false;
    picture->WantBackgroundColor = 0x123456;
    picture->Decode();
    EXPECT_TRUE(picture->SmileBitmaps);
    EXPECT_FALSE(picture->Transparent);
    EXPECT_EQ(picture->BackgroundColor, 0x123456u);
}

TEST(PictureDecoder, AccessorMatchingTheSettingChecksTheIndexTheOtherAnswersNull) {
    TMemoryStream stream(nullptr, 0);
    TRef<TestPicture> picture(new TestPicture(stream));
    picture->WantSmileBitmaps = true;
    picture->Decode();
    picture->AddSmileFrame(Frame8(2, 2, true), 100);
    picture->AddSmileFrame(Frame32(2, 2, true), 2000);
    TSmileBitmap* second = static_cast<TSmileBitmap*>(picture->Frames[1].get());

    EXPECT_EQ(picture->GetFrameCount(), 2);
    EXPECT_EQ(picture->GetSmileBitmap(1), second);
    EXPECT_THROW(picture->GetSmileBitmap(-1), std::out_of_range);
    EXPECT_THROW(picture->GetSmileBitmap(2), std::out_of_range);
    EXPECT_EQ(picture->GetBitmap(-1), nullptr);
    EXPECT_EQ(picture->GetBitmap(2), nullptr);
    // In range, but an own frame is no platform bitmap.
    EXPECT_EQ(picture->GetBitmap(0), nullptr);
    EXPECT_EQ(picture->GetDelay(0), 100);
    EXPECT_EQ(picture->GetDelay(1), 2000);
    EXPECT_EQ(picture->GetDelay(-1), -1);
    EXPECT_EQ(picture->GetDelay(2), -1);

    TRef<TestPicture> platform(new TestPicture(stream));
    platform->Decode();  // SmileBitmaps false
    platform->Frames.push_back(std::make_unique<TBitmap>(2, 2));
    platform->Delays.push_back(100);
    EXPECT_NE(platform->GetBitmap(0), nullptr);
    EXPECT_EQ(platform->GetSmileBitmap(0), nullptr);
    EXPECT_THROW(platform->GetBitmap(1), std::out_of_range);
    EXPECT_EQ(platform->GetSmileBitmap(1), nullptr);
}

TEST(PictureDecoder, FileConstructorOwnsTheStreamOrThrowsFileOpenError) {
    test::TempDir dir;
    test::WriteBytes(dir.file("a.bin"), "abc");
    struct FilePicture : TPictureDecoder {
        using TPictureDecoder::CloseStream;
        using TPictureDecoder::TPictureDecoder;
    };
    TRef<FilePicture> picture(new FilePicture(dir.file("a.bin")));
    EXPECT_TRUE(picture->OwnsStream);
    ASSERT_NE(picture->Stream, nullptr);
    EXPECT_EQ(picture->Stream->GetSize(), 3u);
    picture->CloseStream();
    EXPECT_EQ(picture->Stream, nullptr);

    EXPECT_THROW(new FilePicture(dir.file("missing.gif")), EFOpenError);
    EXPECT_THROW(new FilePicture(dir.folder()), EFOpenError);
}

TEST(Streams, ReadPositionAndSize) {
    test::TempDir dir;
    test::WriteBytes(dir.file("s.bin"), "0123456789");
    TFileStream file(dir.file("s.bin"));
    TMemoryStream memory(std::vector<uint8_t>{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
    for (TStream* stream : std::initializer_list<TStream*>{&file, &memory}) {
        EXPECT_EQ(stream->GetSize(), 10u);
        char buffer[8] = {};
        EXPECT_EQ(stream->Read(buffer, 3), 3u);
        EXPECT_EQ(std::string(buffer, 3), "012");
        EXPECT_EQ(stream->GetPosition(), 3u);
        stream->SetPosition(8);
        EXPECT_EQ(stream->Read(buffer, 8), 2u);
        EXPECT_EQ(std::string(buffer, 2), "89");
        EXPECT_EQ(stream->Read(buffer, 8), 0u);
        stream->SetPosition(100);
        EXPECT_EQ(stream->GetPosition(), 10u);
    }
}

// A 20 x 24 source of three frames (palettised and 32-bit) with display times.
TRef<TestPicture> DragSource(TStream& stream, bool transparent) {
    TRef<TestPicture> source(new TestPicture(stream));
    source->WantSmileBitmaps = true;
    source->WantBackgroundColor = 0x00FF00;
    source->Decode();
    source->Width = 20;
    source->Height = 24;
    source->AddSmileFrame(Frame8(20, 24, transparent), 100);
    source->AddSmileFrame(Frame32(20, 24, transparent), 200);
    source->AddSmileFrame(Frame8(20, 24, transparent), 3000);
    return source;
}

TEST(TransparentDecoder, ShadowedDragPictureOfAMaskedSource) {
    TMemoryStream stream(nullptr, 0);
    TRef<TestPicture> source = DragSource(stream, true);
    // Frame 1 has one opaque pixel at its bottom-right corner; frame 0 is all opaque black.
    auto* frame1 = static_cast<TSmileBitmap32*>(source->Frames[1].get());
    frame1->FillRect(TRect{0, 0, 20, 24}, 0xFFFFFF);
    frame1->SetMaskBit(19, 23, false);
    frame1->SetPixel(19, 23, 0x0000FF);

    TRef<TTransparentDecoder> drag(new TTransparentDecoder(source.get(), true));
    EXPECT_TRUE(drag->WantSmileBitmaps);
    EXPECT_FALSE(drag->WantTransparent);
    EXPECT_EQ(drag->Stream, nullptr);
    drag->ShadowX = 5;
    drag->ShadowY = 5;
    drag->Decode();
    EXPECT_EQ(drag->Width, 25);
    EXPECT_EQ(drag->Height, 29);
    EXPECT_EQ(drag->SourceWidth, 20);
    EXPECT_EQ(drag->SourceHeight, 24);
    EXPECT_FALSE(drag->SmileBitmaps);
    EXPECT_FALSE(drag->Transparent);
    EXPECT_EQ(drag->BackgroundColor, 0x00FF00u);
    ASSERT_EQ(drag->GetFrameCount(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(drag->GetDelay(i), source->GetDelay(i));
        auto* smile = dynamic_cast<TTransparentSmile*>(drag->GetSmileBitmap(i));
        ASSERT_NE(smile, nullptr);
        EXPECT_EQ(smile->Width, 25);
        EXPECT_EQ(smile->Height, 29);
    }
    auto* smile1 = static_cast<TTransparentSmile*>(drag->GetSmileBitmap(1));
    // Display (19, 23) is the opaque red pixel, (24, 28) its shadow; stored rows bottom-up.
    EXPECT_EQ(smile1->Pixels[(28 - 23) * 25 + 19], 0xFFFF0000u);
    EXPECT_EQ(smile1->Pixels[(28 - 28) * 25 + 24], 0x20000000u);
    EXPECT_EQ(smile1->Pixels[28 * 25 + 0], 0u);
    auto* smile0 = static_cast<TTransparentSmile*>(drag->GetSmileBitmap(0));
    EXPECT_EQ(smile0->Pixels[28 * 25 + 0], 0xFF000000u);  // display (0, 0): opaque black

    // Its own SmileBitmaps is false: the smile accessor answers null out of range, the
    // platform one throws.
    EXPECT_EQ(drag->GetSmileBitmap(3), nullptr);
    EXPECT_THROW(drag->GetBitmap(3), std::out_of_range);

    // The smile itself is centred on the cursor.
    EXPECT_EQ(drag->WindowOrigin(100, 100), (TPoint{90, 88}));
}

TEST(TransparentDecoder, WithoutShadowKeepsSizeAndUnmaskedSourceGivesEmptyFrames) {
    TMemoryStream stream(nullptr, 0);
    TRef<TestPicture> source = DragSource(stream, false);
    TRef<TTransparentDecoder> drag(new TTransparentDecoder(source.get(), false));
    drag->ShadowX = 5;
    drag->ShadowY = 5;
    drag->Decode();
    EXPECT_EQ(drag->Width, 20);
    EXPECT_EQ(drag->Height, 24);
    ASSERT_EQ(drag->GetFrameCount(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        TSmileBitmap* frame = drag->GetSmileBitmap(i);
        ASSERT_NE(frame, nullptr);
        EXPECT_FALSE(frame->Allocated);
        EXPECT_EQ(drag->GetDelay(i), source->GetDelay(i));
    }
    EXPECT_EQ(drag->WindowOrigin(7, 3), (TPoint{-3, -9}));
}

}  // namespace
}  // namespace faceloom
