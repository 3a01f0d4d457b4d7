// A valid file cut at every length fails with the defined error: "Неожиданное окончание файла"
// when the cut lies in data that the block reader skips (its skip would reach the end), and
// "Файл урезан" everywhere else. Run in every output variant.
#include <gtest/gtest.h>

#include "gif_test_helpers.h"

namespace faceloom::test {
namespace {

struct CutFile {
    std::string bytes;
    // Offsets of the size bytes of skipped sub-blocks, with their sizes.
    std::vector<std::pair<size_t, size_t>> skipped;

    std::string ExpectedFailure(size_t length) const {
        if (length >= bytes.size()) return "";
        for (auto [sizeByte, size] : skipped) {
            // The skip starts after the size byte; it fails when it ends at or past the cut.
            if (length > sizeByte && length <= sizeByte + 1 + size) return "Неожиданное окончание файла";
        }
        return "Файл урезан";
    }
};

CutFile RichFile() {
    CutFile file;
    GifWriter w;
    w.Header("89a").LogicalScreen(20, 12, 2).ColorTable(TestColors(), 2);

    const size_t loop = w.size();
    w.LoopExtension(0);  // 0x21 0xFF, size 11 + data, size 3 + data, terminator
    file.skipped.push_back({loop + 2, 11});
    file.skipped.push_back({loop + 14, 3});

    const size_t comment = w.size();
    w.Comment(std::string(300, 'c'));  // sub-blocks of 255 and 45
    file.skipped.push_back({comment + 2, 255});
    file.skipped.push_back({comment + 2 + 256, 45});

    std::vector<uint8_t> first;
    for (int i = 0; i < 20 * 10; ++i) first.push_back(uint8_t((i / 3 + i / 20) % 8));
    w.GraphicControl(1, 15, 0).ImageDescriptor(0, 0, 20, 10).ImageData(3, first, 40);

    const size_t stray = w.size();
    w.Byte(0x00).Byte(0x03).Bytes("xyz");  // stray bytes: a length and skipped data
    file.skipped.push_back({stray + 1, 3});

    std::vector<uint8_t> second;
    for (int i = 0; i < 8 * 6; ++i) second.push_back(uint8_t(i % 4));
    w.GraphicControl(2, 20, 0).ImageDescriptor(4, 5, 8, 6, true, 1).ColorTable(TestColors(), 1);
    w.ImageData(2, InterlaceRows(second, 8, 6), 255);
    w.GraphicControl(3, 30, 7).ImageDescriptor(0, 0, 2, 2).ImageData(3, {1, 2, 3, 4});
    w.Trailer();
    file.bytes = w.bytes();
    return file;
}

TEST(GifTruncation, EveryCutOfAValidFileFailsWithTheDefinedError) {
    const CutFile file = RichFile();
    for (GifVariant variant : kAllVariants) {
        SCOPED_TRACE(VariantName(variant));
        auto whole = DecodeGif(file.bytes, variant);
        EXPECT_EQ(whole->GetFrameCount(), 3);
        EXPECT_EQ(whole->Delays, (std::vector<int32_t>{150, 200, 300}));
        int unexpectedEnds = 0;
        for (size_t length = 0; length < file.bytes.size(); ++length) {
            const std::string expected = file.ExpectedFailure(length);
            ASSERT_EQ(DecodeFailure(file.bytes.substr(0, length), variant), expected) << "cut at " << length;
            if (expected == "Неожиданное окончание файла") ++unexpectedEnds;
        }
        EXPECT_EQ(unexpectedEnds, 11 + 1 + 3 + 1 + 255 + 1 + 45 + 1 + 3 + 1);
    }
}

}  // namespace
}  // namespace faceloom::test
