// Malformed GIF files: every message of the decoder, the tolerated cut-off image data, and the
// tolerances of stray bytes. Files are built field by field with GifWriter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "gif_test_helpers.h"
#include "pictures/file_stream.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace faceloom::test {
namespace {

const std::string kHeaderError = "Неверные данные заголовка";
const std::string kTruncated = "Файл урезан";
const std::string kUnexpectedEnd = "Неожиданное окончание файла";
const std::string kDataError = "Ошибка в данных";
const std::string kEndOfBlock = "Неожиданное окончание блока";
const std::string kStackOverflow = "Переполнение стека";
const std::string kOutLineError = "Ошибка в OutLine";

// "GIF89a", a width x height screen and the 8-colour test table (exponent 2).
GifWriter Start(uint16_t width, uint16_t height, std::string_view version = "89a") {
    GifWriter w;
    w.Header(version).LogicalScreen(width, height, 2).ColorTable(TestColors(), 2);
    return w;
}

TEST(GifErrors, HeaderMustBeGif87aOrGif89a) {
    for (const char* version : {"89a", "87a"}) {
        EXPECT_EQ(DecodeFailure(Start(1, 1, version).Trailer().bytes()), "") << version;
    }
    for (const char* version : {"88a", "89A", "90a"}) {
        EXPECT_EQ(DecodeFailure(Start(1, 1, version).Trailer().bytes()), kHeaderError) << version;
    }
    GifWriter lower;
    lower.Header("89a", "gif").LogicalScreen(1, 1).Trailer();
    EXPECT_EQ(DecodeFailure(lower.bytes()), kHeaderError);
}

TEST(GifErrors, ZeroSizedLogicalScreenIsRefusedInEveryVariant) {
    for (GifVariant variant : kAllVariants) {
        for (auto [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
            GifWriter w = Start(uint16_t(width), uint16_t(height));
            w.ImageDescriptor(0, 0, 1, 1).ImageData(3, {1}).Trailer();
            EXPECT_EQ(DecodeFailure(w.bytes(), variant), kHeaderError) << VariantName(variant);
        }
    }
}

TEST(GifErrors, ScreenOverSixteenMegapixelsIsRefused) {
    GifWriter huge = Start(65535, 65535);
    huge.Trailer();
    EXPECT_EQ(DecodeFailure(huge.bytes()), kHeaderError);
    GifWriter over = Start(4097, 4096);
    over.Trailer();
    EXPECT_EQ(DecodeFailure(over.bytes()), kHeaderError);
    GifWriter limit = Start(4096, 4096);
    limit.Trailer();
    EXPECT_EQ(DecodeFailure(limit.bytes()), "");
}

// Images of three bytes of data each, every one a frame of the whole screen.
std::string ManyFrames(int frames) {
    GifWriter w = Start(100, 100);
    for (int i = 0; i < frames; ++i) w.ImageDescriptor(0, 0, 1, 1).ImageData(3, {uint8_t(i % 8)});
    w.Trailer();
    return w.bytes();
}

TEST(GifErrors, FramesBeyondTheMemoryBudgetFailThePicture) {
    for (GifVariant variant : kAllVariants) {
        SCOPED_TRACE(VariantName(variant));
        const bool own = variant == GifVariant::SmileBitmaps || variant == GifVariant::SmileBitmapsUnmasked;
        // Bytes of one 100 x 100 frame: palettised rows of 100 bytes, mask rows of 16, the
        // headers with their 256-entry room; or 32-bit pixels (and as many for the mask).
        const uint64_t perFrame = own ? (100 + (Masked(variant) ? 16 : 0)) * 100 + 4 * 256 + 48
                                      : 100 * 100 * (Masked(variant) ? 8 : 4);
        // The work canvas counts too: palettised with a mask always, or like a frame.
        const uint64_t canvas = own ? (100 + 16) * 100 + 4 * 256 + 48 : perFrame;
        const std::string bytes = ManyFrames(11);
        for (uint64_t budget : {canvas + 11 * perFrame, canvas + 11 * perFrame - 1}) {
            TMemoryStream source(bytes.data(), bytes.size());
            TRef<TGifDecoder> picture(new TGifDecoder(source));
            picture->WantSmileBitmaps = own;
            picture->WantTransparent = Masked(variant);
            picture->MaxFrameBytes = budget;
            if (budget == canvas + 11 * perFrame) {
                picture->Decode();
                EXPECT_EQ(picture->GetFrameCount(), 11);
            } else {
                try {
                    picture->Decode();
                    ADD_FAILURE() << "decoded past the budget";
                } catch (const EAbort& error) {
                    EXPECT_EQ(error.what(), kDataError);
                }
            }
        }
    }
}

TEST(GifErrors, ScreenWithoutImagesDecodesToNoFrames) {
    GifWriter w;
    w.Header("89a").LogicalScreen(20, 24).Trailer();
    auto picture = DecodeGif(w.bytes());
    EXPECT_EQ(picture->GetFrameCount(), 0);
    EXPECT_TRUE(picture->Frames.empty());
    EXPECT_EQ(picture->Width, 20);
    EXPECT_EQ(picture->Height, 24);
}

TEST(GifErrors, ShortReadsAreTruncation) {
    EXPECT_EQ(DecodeFailure(""), kTruncated);
    EXPECT_EQ(DecodeFailure("GIF89a\x01"), kTruncated);
    // Cut inside the global colour table.
    const std::string full = Start(1, 1).Trailer().bytes();
    EXPECT_EQ(DecodeFailure(full.substr(0, 13 + 10)), kTruncated);
    // No trailer: the block reader runs out.
    GifWriter w = Start(1, 1);
    w.ImageDescriptor(0, 0, 1, 1).ImageData(3, {1});
    EXPECT_EQ(DecodeFailure(w.bytes()), kTruncated);
}

// A stream that says it is larger than it delivers: a file that shrank while being read, or
// one far larger than any picture.
class TLyingStream : public TStream {
public:
    TLyingStream(std::string bytes, uint64_t size) : bytes_(std::move(bytes)), size_(size) {}
    size_t Read(void* buffer, size_t count) override {
        const size_t n = std::min(count, bytes_.size() - std::min(position_, bytes_.size()));
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }
    uint64_t GetPosition() const override { return position_; }
    void SetPosition(uint64_t position) override { position_ = size_t(std::min<uint64_t>(position, size_)); }
    uint64_t GetSize() const override { return size_; }

private:
    std::string bytes_;
    uint64_t size_;
    size_t position_ = 0;
};

TEST(GifErrors, StreamsDeliveringLessThanTheirSizeOrTooLargeFail) {
    GifWriter w = Start(1, 1);
    w.ImageDescriptor(0, 0, 1, 1).ImageData(3, {1});  // the trailer never comes
    for (auto [size, message] : {std::pair{uint64_t(w.size() + 100), kTruncated},
                                 std::pair{TGifDecoder::kMaxFileBytes + 1, kDataError}}) {
        TLyingStream stream(w.bytes(), size);
        TRef<TGifDecoder> picture(new TGifDecoder(stream));
        picture->WantSmileBitmaps = true;
        try {
            picture->Decode();
            ADD_FAILURE() << "decoded";
        } catch (const EAbort& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

TEST(GifErrors, GraphicControlSizeMustBeFour) {
    for (uint8_t size : {3, 5}) {
        GifWriter w = Start(1, 1);
        w.GraphicControl(0, 0, std::nullopt, size).ImageDescriptor(0, 0, 1, 1).ImageData(3, {1}).Trailer();
        EXPECT_EQ(DecodeFailure(w.bytes()), kDataError) << int(size);
    }
}

TEST(GifErrors, MinimumCodeSizeMustLieBetweenTwoAndNine) {
    for (int size : {1, 10, 0, 12}) {
        GifWriter w = Start(2, 1);
        w.ImageDescriptor(0, 0, 2, 1)
            .CodeStream(size, {uint16_t(1u << size), 1, 2, uint16_t((1u << size) + 1)})
            .Trailer();
        EXPECT_EQ(DecodeFailure(w.bytes()), kDataError) << size;
    }
    for (int size : {2, 8, 9}) {
        GifWriter w = Start(2, 1);
        w.ImageDescriptor(0, 0, 2, 1).ImageData(size, Indices("RG")).Trailer();
        auto picture = DecodeGif(w.bytes());
        EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"RG"})) << size;
    }
}

TEST(GifErrors, PixelDataBeyondTheImageFailsTheOutLine) {
    // m = 3: clear 8, end 9. Five pixels for a 2 x 2 image.
    GifWriter w = Start(2, 2);
    w.ImageDescriptor(0, 0, 2, 2).CodeStream(3, {8, 1, 1, 1, 1, 1, 9}).Trailer();
    for (GifVariant variant : kAllVariants) {
        EXPECT_EQ(DecodeFailure(w.bytes(), variant), kOutLineError) << VariantName(variant);
    }
    GifWriter exact = Start(2, 2);
    exact.ImageDescriptor(0, 0, 2, 2).CodeStream(3, {8, 1, 2, 3, 4, 9}).Trailer();
    EXPECT_EQ(Appearances(*DecodeGif(exact.bytes())), (std::vector<std::string>{"RG|BY"}));
}

TEST(GifErrors, ShortLastRowIsDrawnWholeWithThePreviousRowsTail) {
    GifWriter w = Start(3, 3);
    // Rows: R G B, then Y alone; the end code comes early.
    w.ImageDescriptor(0, 0, 3, 3).CodeStream(3, {8, 1, 2, 3, 4, 9}).Trailer();
    for (GifVariant variant : {GifVariant::SmileBitmaps, GifVariant::PlatformMasked}) {
        EXPECT_EQ(Appearances(*DecodeGif(w.bytes(), variant)), (std::vector<std::string>{"RGB|YGB|..."}))
            << VariantName(variant);
    }
    // The same with a table string in the short row: entry 11 is "G B" (m = 3, first free 10),
    // and what is written for it must not reach into the tail.
    GifWriter table = Start(12, 2);
    table.ImageDescriptor(0, 0, 12, 2)
        .CodeStream(3, {8, 1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 11, 9})
        .Trailer();
    EXPECT_EQ(Appearances(*DecodeGif(table.bytes())),
              (std::vector<std::string>{"RGBYCMgRGBYC|GBBYCMgRGBYC"}));
}

// Seven codes after the clear code take exactly four bytes (4-bit codes; the width grows to
// five bits only after them), so the zero-length terminator comes where the next code is due.
GifWriter WithCutImage(int disposal) {
    GifWriter w = Start(3, 3);
    w.GraphicControl(disposal, 0, 0)
        .ImageDescriptor(0, 0, 3, 3)
        .CodeStream(3, {8, 1, 2, 3, 4, 5, 6, 7}, /*terminator=*/true);
    w.GraphicControl(1, 0, 0).ImageDescriptor(2, 2, 1, 1).ImageData(3, Indices("M")).Trailer();
    return w;
}

TEST(GifErrors, CutImageDataKeepsItsCompleteRowsWhenNotRestoringThePrevious) {
    auto picture = DecodeGif(WithCutImage(1).bytes());
    // Rows 0 and 1 complete, row 2 held only "g" and is dropped; decoding goes on with the
    // next image.
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"RGB|YCM|...", "RGB|YCM|..M"}));
    EXPECT_EQ(picture->Delays, (std::vector<int32_t>{100, 100}));
}

TEST(GifErrors, CutImageDataFailsWhenRestoringThePreviousAndInPlatformVariants) {
    EXPECT_EQ(DecodeFailure(WithCutImage(3).bytes()), kEndOfBlock);
    EXPECT_THROW(DecodeGif(WithCutImage(3).bytes()), EDataBlockError);
    for (GifVariant variant : {GifVariant::PlatformMasked, GifVariant::Platform}) {
        EXPECT_EQ(DecodeFailure(WithCutImage(1).bytes(), variant), kEndOfBlock) << VariantName(variant);
    }
}

TEST(GifErrors, CyclicStringTableOverflowsTheStack) {
    // m = 2 (clear 4, end 5, first free 6). 7 is beyond the table: it is decoded as the
    // previous string plus its first character, and 7 becomes the previous code, so the
    // entry 7 defined next has itself as prefix. Decoding 7 then never reaches a root.
    GifWriter w = Start(10, 10);
    w.ImageDescriptor(0, 0, 10, 10).CodeStream(2, {4, 0, 7, 1, 7, 5}).Trailer();
    for (GifVariant variant : kAllVariants) {
        EXPECT_EQ(DecodeFailure(w.bytes(), variant), kStackOverflow) << VariantName(variant);
    }
}

TEST(GifErrors, SkipEndingExactlyAtTheEndOfTheStreamIsUnexpectedEnd) {
    GifWriter w = Start(1, 1);
    w.Byte(0x21).Byte(0xFE).Byte(3).Bytes("abc");  // a comment whose data ends the file
    EXPECT_EQ(DecodeFailure(w.bytes()), kUnexpectedEnd);
    w.Byte(0x00);  // its terminator follows: now the file is merely cut
    EXPECT_EQ(DecodeFailure(w.bytes()), kTruncated);
    w.Trailer();
    EXPECT_EQ(DecodeFailure(w.bytes()), "");
}

TEST(GifErrors, StrayBytesBetweenBlocksAreSkippedAsALengthAndData) {
    GifWriter w = Start(2, 1);
    w.GraphicControl(1, 0, 0).ImageDescriptor(0, 0, 2, 1).ImageData(3, Indices("RK"));
    w.Byte(0x00).Byte(0x03).Bytes("\x2C\x3B\x21");  // looks like blocks, must be skipped
    w.Byte(0x07).Byte(0x00);                        // a stray byte with length 0
    w.GraphicControl(1, 0, 0).ImageDescriptor(1, 0, 1, 1).ImageData(3, Indices("G")).Trailer();
    auto picture = DecodeGif(w.bytes());
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"R.", "RG"}));
}

TEST(GifErrors, ExtensionsAreSkippedWhole) {
    GifWriter w = Start(1, 1);
    w.LoopExtension(0).Comment(std::string(300, 'x'));  // two sub-blocks
    w.Byte(0x21).Byte(0x01);                            // plain text: skipped, never drawn
    w.SubBlocks(std::string(12, '\0') + "text");
    w.ImageDescriptor(0, 0, 1, 1).ImageData(3, Indices("B")).Trailer();
    EXPECT_EQ(Appearances(*DecodeGif(w.bytes())), (std::vector<std::string>{"B"}));
}

TEST(GifErrors, ZeroSizedImageWithoutPixelsLeavesTheCanvasAndWithPixelsFails) {
    GifWriter empty = Start(2, 1);
    empty.GraphicControl(1, 0, 0).ImageDescriptor(0, 0, 2, 1).ImageData(3, Indices("RG"));
    empty.ImageDescriptor(1, 0, 0, 1).CodeStream(3, {8, 9});
    empty.ImageDescriptor(1, 0, 1, 0).CodeStream(3, {8, 9}).Trailer();
    for (GifVariant variant : kAllVariants) {
        EXPECT_EQ(Appearances(*DecodeGif(empty.bytes(), variant)),
                  (std::vector<std::string>{"RG", "RG", "RG"}))
            << VariantName(variant);
    }
    for (auto [width, height] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{0, 0}}) {
        GifWriter w = Start(2, 1);
        w.ImageDescriptor(0, 0, uint16_t(width), uint16_t(height)).CodeStream(3, {8, 1, 9}).Trailer();
        for (GifVariant variant : kAllVariants) {
            EXPECT_EQ(DecodeFailure(w.bytes(), variant), kOutLineError) << width << "x" << height;
        }
    }
}

TEST(GifErrors, PalettisedFrameWithoutColourTablesDrawsWithinItsPalette) {
    GifWriter w;
    w.Header("89a").LogicalScreen(3, 2);
    w.GraphicControl(1, 0, 0).ImageDescriptor(0, 0, 3, 2).ImageData(8, {255, 0, 17, 200, 3, 255}).Trailer();
    auto picture = DecodeGif(w.bytes());
    auto* frame = dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(0));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->PaletteCount, 0);
    TSurface canvas(5, 4);
    canvas.Fill(kColorWhite);
    frame->Draw(1, 1, canvas);
    // Opaque pixels are black, the transparent one (index 0) keeps the white below.
    EXPECT_EQ(canvas.GetColor(1, 1), kColorBlack);
    EXPECT_EQ(canvas.GetColor(2, 1), kColorWhite);
    EXPECT_EQ(canvas.GetColor(3, 2), kColorBlack);
    EXPECT_EQ(canvas.GetColor(0, 0), kColorWhite);
}

TEST(GifDecoderSources, FileIsOpenedByNameAndClosedAfterDecode) {
    TempDir dir;
    GifPicture gif;
    gif.width = 2;
    gif.height = 1;
    gif.globalColors = TestColors();
    gif.images.push_back(Image(0, 0, 2, 1, "CM"));
    WriteGifFile(dir.file("a.gif"), gif);

    TRef<TGifDecoder> picture(new TGifDecoder(dir.file("a.gif")));
    EXPECT_TRUE(picture->OwnsStream);
    picture->WantSmileBitmaps = true;
    picture->Decode();
    EXPECT_EQ(picture->Stream, nullptr);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"CM"}));

    EXPECT_THROW(TRef<TGifDecoder>(new TGifDecoder(dir.file("missing.gif"))), EFOpenError);
}

TEST(GifDecoderSources, OwnedStreamIsClosedAlsoWhenDecodeFails) {
    TempDir dir;
    WriteBytes(dir.file("bad.gif"), "GIF89a");
    TRef<TGifDecoder> picture(new TGifDecoder(dir.file("bad.gif")));
    picture->WantSmileBitmaps = true;
    EXPECT_THROW(picture->Decode(), EAbort);
    EXPECT_EQ(picture->Stream, nullptr);
}

TEST(GifDecoderSources, StreamIsReadFromItsCurrentPosition) {
    GifPicture gif;
    gif.width = 1;
    gif.height = 1;
    gif.globalColors = TestColors();
    gif.images.push_back(Image(0, 0, 1, 1, "Y"));
    const std::string bytes = "prefix" + EncodeGif(gif);
    TMemoryStream stream(bytes.data(), bytes.size());
    stream.SetPosition(6);
    TRef<TGifDecoder> picture(new TGifDecoder(stream));
    EXPECT_FALSE(picture->OwnsStream);
    picture->WantSmileBitmaps = true;
    picture->Decode();
    EXPECT_EQ(picture->Stream, &stream);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"Y"}));
}

TEST(GifDecoderSources, DefaultSettingsGivePlatformBitmapsWithMasksOverWhite) {
    GifPicture gif;
    gif.width = 2;
    gif.height = 1;
    gif.globalColors = TestColors();
    GifImage image = Image(0, 0, 2, 1, "KB");
    image.transparent = 0;
    gif.images.push_back(image);
    const std::string bytes = EncodeGif(gif);
    TMemoryStream stream(bytes.data(), bytes.size());
    TRef<TGifDecoder> picture(new TGifDecoder(stream));
    picture->Decode();
    EXPECT_FALSE(picture->SmileBitmaps);
    EXPECT_TRUE(picture->Transparent);
    EXPECT_EQ(picture->BackgroundColor, kColorWhite);
    ASSERT_NE(picture->GetBitmap(0), nullptr);
    EXPECT_EQ(picture->GetSmileBitmap(0), nullptr);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{".B"}));
}

}  // namespace
}  // namespace faceloom::test
