// faceloom-pack import and export: a folder of pictures becomes a pack, a pack goes out in each
// format and comes back the same, and what cannot be used is said with the exit status.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_fixture.h"
#include "convert/picture_convert.h"
#include "platform/files.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

namespace fs = std::filesystem;

class ImportCliTest : public CliTest {
protected:
    // A folder of pictures: two GIFs and a PNG with transparent corners, in name order
    // a10 after a2.
    std::string Pictures() {
        const std::string folder = PackFolder("pictures");
        WriteGif(folder + "/a2.gif", 11, 12);
        WriteGif(folder + "/a10.gif", 12, 12, 3, 2);
        TRgbaFrame frame;
        frame.Width = 8;
        frame.Height = 6;
        for (int i = 0; i < 48; ++i) frame.Pixels.push_back(i % 8 == 0 ? 0 : 0xFF000000u | (i * 5000));
        const std::vector<uint8_t> png = EncodePng(frame);
        WriteBytes(folder + "/b.png", std::string(png.begin(), png.end()));
        return folder;
    }
};

TEST_F(ImportCliTest, AFolderOfPicturesBecomesAPackWithCodesFromTheNames) {
    const std::string dest = Work().file("dest");
    const ProgramResult result = Run({"import", "auto", Pictures(), dest});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadBytes(dest + "/_define.ini"), ":a2:\r\n:a10:\r\n:b:");
    // The PNG became the pack's own kind of picture.
    const std::string third = ReadBytes(dest + "/ac.gif");
    EXPECT_EQ(third.substr(0, 6), "GIF89a");
    EXPECT_EQ(result.out, dest + "/: 3 smiles added (3 in the pack), 0 clashes, 0 skipped\n");
    EXPECT_TRUE(LeftInTemp().empty());

    // Again into the same pack: every code clashes and is renamed.
    const ProgramResult again = Run({"import", "--json", "pictures", Pictures(), dest});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("\"added\":3,\"smiles\":6,\"clashes\":3,\"skipped\":0"), std::string::npos)
        << again.out;
    EXPECT_EQ(ReadBytes(dest + "/_define.ini"), ":a2:\r\n:a10:\r\n:b:\r\n:a22:\r\n:a102:\r\n:b2:");
}

// Each format out and back in: the same smiles in the same order with the same codes; our zip
// also keeps every picture's bytes.
TEST_F(ImportCliTest, EachExportFormatComesBackTheSame) {
    const std::string pack = PackFolder("pack");
    WriteGif(pack + "/aa.gif", 11, 12);
    WriteGif(pack + "/ab.gif", 12, 12, 3, 2);
    WriteDefine(pack, ":-),:)\r\n;-)");
    for (const std::string format : {"zip", "pidgin", "freedesktop"}) {
        const std::string out = Work().file("out-" + format + (format == "zip" ? ".zip" : ""));
        const ProgramResult exported = Run({"export", format, pack, out});
        ASSERT_EQ(exported.exitCode, 0) << format << ": " << exported.err;
        EXPECT_EQ(exported.out, out + ": 2 smiles written as " + format + "\n");
        const std::string back = Work().file("back-" + format);
        const ProgramResult imported = Run({"import", format, out, back});
        ASSERT_EQ(imported.exitCode, 0) << format << ": " << imported.err;
        EXPECT_EQ(ReadBytes(back + "/_define.ini"), ":-),:)\r\n;-)") << format;
        EXPECT_EQ(ReadBytes(back + "/aa.gif"), ReadBytes(pack + "/aa.gif")) << format;
        EXPECT_EQ(ReadBytes(back + "/ab.gif"), ReadBytes(pack + "/ab.gif")) << format;
    }
    // A theme's index file stands for its folder, as the editor takes it.
    const std::string theme = Work().file("out-pidgin") + "/theme";
    ASSERT_TRUE(FileExists(theme));
    const std::string back = Work().file("back-index");
    const ProgramResult imported = Run({"import", "auto", theme, back});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(ReadBytes(back + "/_define.ini"), ":-),:)\r\n;-)");
}

TEST_F(ImportCliTest, WhatCannotBeUsedIsSaidAndTheExitStatusTellsIt) {
    const std::string folder = Pictures();
    // A GIF whose header is whole and whose picture ends early.
    WriteGif(folder + "/c.gif", 10, 10);
    WriteBytes(folder + "/c.gif", ReadBytes(folder + "/c.gif").substr(0, 30));
    const std::string dest = Work().file("dest");
    const ProgramResult partial = Run({"import", "pictures", folder, dest});
    EXPECT_EQ(partial.exitCode, 1);
    EXPECT_NE(
        partial.out.find("3 smiles added (3 in the pack), 0 clashes, 1 skipped\n    [damaged-picture] "),
        std::string::npos)
        << partial.out;

    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::string missing = Work().file("missing");
    for (const Case& c : {Case{{"import", "auto", missing, Work().file("x")}, 2},
                          Case{{"import", "nonsense", folder, Work().file("x")}, 2},
                          Case{{"import", "--clash", "maybe", "auto", folder, Work().file("x")}, 2},
                          Case{{"import", "--max-size", "0x5", "auto", folder, Work().file("x")}, 2},
                          Case{{"export", "psi", dest, Work().file("x")}, 2},
                          Case{{"export", "zip", missing, Work().file("x.zip")}, 2},
                          Case{{"export", "zip", dest, folder}, 2}}) {
        const ProgramResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.status) << c.args[0] << " " << c.args[1] << ": " << result.err;
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_FALSE(fs::exists(Work().file("x")));
}

// The notes and the check's findings follow --lang, a language module as well as a source, the
// decoders' reasons included.
TEST_F(ImportCliTest, NotesAndFindingsFollowTheLanguageAsked) {
    const std::string english = std::string(FACELOOM_SOURCE_DIR) + "/languages/English.txt";
    const std::string module = Work().file("English.lng");
    ASSERT_EQ(Run({"compile-lang", english, module}).exitCode, 0);
    // Image data asking for a code size no GIF has: the decoder's "error in the data".
    const std::string bad(
        "GIF89a\x01\x00\x01\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00"
        "\x0c\x01\x00\x00\x3b",
        25);
    const std::string folder = Pictures();
    WriteBytes(folder + "/c.gif", bad);
    const std::string pack = PackFolder("checked");
    WriteGif(pack + "/aa.gif", 10, 10);
    WriteBytes(pack + "/ab.gif", bad);
    WriteDefine(pack, "a\r\nb");
    for (const std::string& lang : {english, module}) {
        SCOPED_TRACE(lang);
        const std::string dest = Work().file("dest" + std::to_string(lang.size()));
        const ProgramResult imported = Run({"import", "--lang", lang, "pictures", folder, dest});
        EXPECT_EQ(imported.exitCode, 1);
        EXPECT_NE(
            imported.out.find(
                "    [damaged-picture] «c.gif»: the picture cannot be read (Error in the data), skipped.\n"),
            std::string::npos)
            << imported.out;
        const ProgramResult checked = Run({"check", "--deep", "--lang", lang, pack});
        EXPECT_NE(checked.out.find("Error in the data"), std::string::npos) << checked.out;
        for (const std::string& out : {imported.out, checked.out}) {
            // No Cyrillic letter (UTF-8 lead bytes 0xD0, 0xD1) anywhere.
            EXPECT_EQ(out.find('\xD0'), std::string::npos) << out;
            EXPECT_EQ(out.find('\xD1'), std::string::npos) << out;
        }
    }
}

}  // namespace
}  // namespace faceloom::test
