// The built-in pictures 101, 102 and 103: embedded files, their decoded frames and the shared
// pictures' lifetime.
#include "pictures/builtin_pictures.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "gif_test_helpers.h"

namespace faceloom::test {
namespace {

const std::vector<int32_t> kDelays = {2000, 150, 200, 150, 3000, 150};

// Every pixel's colour (0x00RRGGBB), or ~0 where the mask makes it transparent.
std::vector<uint32_t> Colors(const TFrameObject* frame) {
    std::vector<uint32_t> colors;
    auto* f8 = dynamic_cast<const TSmileBitmap8*>(frame);
    if (f8 == nullptr) return colors;
    for (int32_t y = 0; y < f8->Height; ++y) {
        for (int32_t x = 0; x < f8->Width; ++x) {
            colors.push_back(f8->GetMaskBit(x, y) ? ~0u : f8->GetPaletteEntry(f8->GetPixel(x, y)));
        }
    }
    return colors;
}

std::string Resource(int32_t id) {
    auto data = BuiltinResourceData(id);
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

// The blocks of a well-formed GIF file, found by walking its structure (independently of the
// decoder): where the screen and global table end, and each image with the extension before it.
struct GifLayout {
    size_t screenEnd = 0;
    struct Image {
        size_t start = 0;  // the graphic control extension before it, else the descriptor
        size_t end = 0;    // after the data terminator
        uint8_t graphicControl = 0;
        bool hasGraphicControl = false;
    };
    std::vector<Image> images;
};

GifLayout Walk(const std::string& bytes) {
    auto at = [&](size_t i) { return uint8_t(bytes.at(i)); };
    auto skipSubBlocks = [&](size_t i) {
        while (at(i) != 0) i += 1 + at(i);
        return i + 1;
    };
    GifLayout layout;
    size_t i = 13;
    if (at(10) & 0x80) i += 3 * (size_t{2} << (at(10) & 7));
    layout.screenEnd = i;
    GifLayout::Image image;
    bool pending = false;
    while (at(i) != 0x3B) {
        if (at(i) == 0x21) {
            if (at(i + 1) == 0xF9) {
                image.start = i;
                image.graphicControl = at(i + 3);
                image.hasGraphicControl = pending = true;
            }
            i = skipSubBlocks(i + 2);
        } else {
            EXPECT_EQ(at(i), 0x2C);
            if (!pending) image = GifLayout::Image{i, 0, 0, false};
            const uint8_t packed = at(i + 9);
            i += 10;
            if (packed & 0x80) i += 3 * (size_t{2} << (packed & 7));
            i = skipSubBlocks(i + 1);
            image.end = i;
            layout.images.push_back(image);
            pending = false;
        }
    }
    return layout;
}

TEST(BuiltinPictures, EmbeddedFilesAreGif89aOfTwentyByTwentyFourWithAGlobalTable) {
    for (int32_t id : {101, 102, 103}) {
        SCOPED_TRACE(id);
        const std::string bytes = Resource(id);
        ASSERT_GT(bytes.size(), 13u);
        EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
        EXPECT_EQ(uint8_t(bytes[6]) | uint8_t(bytes[7]) << 8, 20);
        EXPECT_EQ(uint8_t(bytes[8]) | uint8_t(bytes[9]) << 8, 24);
        EXPECT_TRUE(uint8_t(bytes[10]) & 0x80);
        const GifLayout layout = Walk(bytes);
        ASSERT_EQ(layout.images.size(), 6u);
        for (const auto& image : layout.images) {
            EXPECT_TRUE(image.hasGraphicControl);
            EXPECT_TRUE(image.graphicControl & 1);  // a transparent colour in every frame
            EXPECT_EQ((image.graphicControl >> 2) & 7, id == 103 ? 3 : 1);
        }
    }
    EXPECT_TRUE(BuiltinResourceData(104).empty());
}

TEST(BuiltinPictures, DecodeToSixMaskedFramesWithTheirDelays) {
    for (int32_t id : {101, 102, 103}) {
        SCOPED_TRACE(id);
        TRef<TPictureDecoder> picture(CreateBuiltinPicture(id));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->Width, 20);
        EXPECT_EQ(picture->Height, 24);
        EXPECT_EQ(picture->GetFrameCount(), 6);
        EXPECT_EQ(picture->Delays, kDelays);
        for (int32_t i = 0; i < 6; ++i) {
            TSmileBitmap* frame = picture->GetSmileBitmap(i);
            ASSERT_NE(frame, nullptr);
            EXPECT_NE(dynamic_cast<TSmileBitmap8*>(frame), nullptr);  // one table, one key: palettised
            EXPECT_EQ(frame->Width, 20);
            EXPECT_EQ(frame->Height, 24);
            EXPECT_TRUE(frame->HasMask);
            EXPECT_FALSE(frame->HitTest(0, 0));  // corners are transparent
            EXPECT_FALSE(frame->HitTest(19, 23));
            EXPECT_TRUE(frame->HitTest(10, 12));  // the face is opaque
        }
    }
}

TEST(BuiltinPictures, MissingAndFailedAreCrossedOutAndTheSampleIsNot) {
    TRef<TPictureDecoder> missing(CreateBuiltinPicture(101));
    TRef<TPictureDecoder> failed(CreateBuiltinPicture(102));
    TRef<TPictureDecoder> sample(CreateBuiltinPicture(103));
    const std::map<uint32_t, char> red = {{0xE00000, 'X'}};
    for (int32_t i = 0; i < 6; ++i) {
        // The X runs through the top-left corner, outside the round face.
        EXPECT_EQ(Appearance(missing->Frames[size_t(i)].get(), red).substr(2 * 21, 1), "X") << i;
        EXPECT_EQ(Appearance(failed->Frames[size_t(i)].get(), red).substr(2 * 21, 1), "X") << i;
        EXPECT_EQ(Appearance(sample->Frames[size_t(i)].get(), red).substr(2 * 21, 1), ".") << i;
    }
    // The frown differs from the smile; the eyes blink: open, half, closed, half, open, closed.
    EXPECT_NE(Colors(missing->Frames[0].get()), Colors(failed->Frames[0].get()));
    std::vector<std::vector<uint32_t>> frames;
    for (const auto& frame : sample->Frames) frames.push_back(Colors(frame.get()));
    EXPECT_EQ(frames[0], frames[4]);
    EXPECT_EQ(frames[1], frames[3]);
    EXPECT_EQ(frames[2], frames[5]);
    EXPECT_EQ(std::set<std::vector<uint32_t>>(frames.begin(), frames.end()).size(), 3u);
}

TEST(BuiltinPictures, EachFrameOfTheSampleShowsOnlyItsOwnImage) {
    const std::string bytes = Resource(103);
    const GifLayout layout = Walk(bytes);
    TRef<TPictureDecoder> sample(CreateBuiltinPicture(103));
    ASSERT_EQ(layout.images.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        // The file with image i alone.
        const std::string alone =
            bytes.substr(0, layout.screenEnd) +
            bytes.substr(layout.images[i].start, layout.images[i].end - layout.images[i].start) + "\x3B";
        auto single = DecodeGif(alone);
        ASSERT_EQ(single->GetFrameCount(), 1);
        EXPECT_EQ(Colors(sample->Frames[i].get()), Colors(single->Frames[0].get())) << i;
        EXPECT_EQ(Colors(sample->Frames[i].get()).size(), 20u * 24u);
    }
}

TEST(BuiltinPictures, SharedPicturesAreDecodedOnceAndKeptByTheExtraReference) {
    ReleaseBuiltinPictures();
    std::vector<TPictureDecoder*> seen(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = BuiltinPicture(101); });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_NE(seen[0], nullptr);
    for (TPictureDecoder* picture : seen) EXPECT_EQ(picture, seen[0]);
    EXPECT_EQ(seen[0]->GetRefCount(), 1);

    {
        TRef<TPictureDecoder> holder(BuiltinPicture(101));  // a holder comes and goes
        EXPECT_EQ(holder->GetRefCount(), 2);
    }
    EXPECT_EQ(BuiltinPicture(101)->GetRefCount(), 1);
    EXPECT_EQ(BuiltinPicture(101)->GetFrameCount(), 6);
    EXPECT_NE(BuiltinPicture(102), nullptr);
    EXPECT_NE(BuiltinPicture(102), BuiltinPicture(101));
    EXPECT_EQ(BuiltinPicture(103), nullptr);
    ReleaseBuiltinPictures();
}

TEST(BuiltinPictures, CreatedPictureBelongsToItsFirstHolder) {
    TPictureDecoder* sample = CreateBuiltinPicture(103);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->GetRefCount(), 0);
    TRef<TPictureDecoder> holder(sample);
    EXPECT_EQ(sample->GetRefCount(), 1);
    EXPECT_EQ(CreateBuiltinPicture(100), nullptr);
}

TEST(BuiltinPictures, EveryCutOfTheEmbeddedFilesFailsCleanly) {
    for (int32_t id : {101, 102, 103}) {
        const std::string bytes = Resource(id);
        for (size_t length = 0; length < bytes.size(); ++length) {
            const std::string failure = DecodeFailure(bytes.substr(0, length));
            EXPECT_TRUE(failure == "Файл урезан" || failure == "Неожиданное окончание файла")
                << id << " cut at " << length << ": " << failure;
        }
    }
}

}  // namespace
}  // namespace faceloom::test
