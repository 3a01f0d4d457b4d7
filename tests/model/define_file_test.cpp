#include "model/define_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Smiles = std::vector<std::vector<std::string>>;

Lines Split(const std::string& bytes) {
    Lines lines;
    SplitDefinition(bytes, lines);
    return lines;
}

Lines Signatures(std::string_view line) {
    Lines signatures;
    ParseSignatures(line, signatures);
    return signatures;
}

// What a reader of the file makes of it: one signature list per smile.
Smiles ReadBack(const std::string& bytes) {
    Smiles smiles;
    for (const std::string& line : Split(bytes)) smiles.push_back(Signatures(line));
    return smiles;
}

TEST(DefineFile, WorkedExampleBytes) {
    const Smiles pack = {
        {":-)", ":)"},  // smile 0
        {";-)"},        // smile 1
        {},             // smile 2, no signatures
        {":D", ":-D"},  // smile 3, the last: no line end
    };
    const std::string bytes = FormatDefinition(pack);
    EXPECT_EQ(bytes, ":-),:)\r\n;-)\r\n \r\n:D,:-D");
    EXPECT_EQ(ReadBack(bytes), pack);
}

TEST(DefineFile, WriterEdgeCases) {
    EXPECT_EQ(FormatDefinition({}), "");         // empty pack: zero bytes
    EXPECT_EQ(FormatDefinition({{}}), " \r\n");  // the space line keeps its end
    EXPECT_EQ(FormatDefinition({{"a"}, {}}), "a\r\n \r\n");
    EXPECT_EQ(FormatDefinition({{"a,b"}}), "a,b");                    // a comma is written unchanged...
    EXPECT_EQ(ReadBack("a,b"), (Smiles{{"a", "b"}}));                 // ...and reads back as two
    EXPECT_EQ(FormatDefinition({{"x", "x"}, {"x"}}), "x,x\r\nx");     // duplicates as they are
    EXPECT_EQ(FormatDefinition({{"\xCF\xF0\xE8"}}), "\xCF\xF0\xE8");  // bytes pass through
}

TEST(DefineFile, WriterNeverLosesASmile) {
    // Empty signatures would join to a line of zero length, which the reader skips; line
    // ends or Ctrl-Z inside a signature would split the smile or cut the file. Either would
    // move every later smile onto the wrong picture.
    const Smiles pack = {{""},
                         {"a\r\nb", "c"},
                         {"", ""},
                         {"d\x1A"
                          "e"},
                         {"\n"}};
    const std::string bytes = FormatDefinition(pack);
    EXPECT_EQ(bytes, " \r\nab,c\r\n,\r\nde\r\n \r\n");
    EXPECT_EQ(ReadBack(bytes), (Smiles{{}, {"ab", "c"}, {}, {"de"}, {}}));
}

TEST(DefineFile, ReaderLines) {
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},             // LF only
        {"a\r\n\r\nb", {"a", "b"}},         // an empty line is no smile
        {"a\r\n   \r\nb", {"a", "", "b"}},  // a blank line is a smile without signatures
        {" \r\n", {""}},
        {"a\rb\r\n", {"ab"}},  // a lone CR is dropped
        {"\r\r\nx", {"x"}},    // ...and so leaves nothing
        {"a\r\nb\x1A"
         "c\r\nd",
         {"a", "b"}},  // Ctrl-Z ends the file
        {"\x1A"
         "a",
         {}},
        {"\t :-) , :-( \x01\r\n", {":-) , :-("}},  // bytes up to 0x20 trimmed at the ends
        {"a\0b\r\n"s, {"a\0b"s}},                  // NUL is an ordinary byte
        {"\xFF\xFE\x80\n\x7F", {"\xFF\xFE\x80", "\x7F"}},
        {";comment\r\n[section]", {";comment", "[section]"}},  // no comments, no sections
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Split(c.bytes), c.lines) << testing::PrintToString(c.bytes);
    }
    const std::string longLine(1 << 20, 'x');  // any length
    EXPECT_EQ(Split(longLine + "\r\n:)"), (Lines{longLine, ":)"}));
}

TEST(DefineFile, SignaturesOfALine) {
    struct Case {
        const char* line;
        Lines signatures;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {":-)", {":-)"}},
        {":-) , :-(", {":-) ", " :-("}},  // pieces are not trimmed
        {",a,,b,", {"a", "b"}},
        {",,,", {}},
        {"a,A,a", {"a", "A", "a"}},  // duplicates accepted
        {" ", {" "}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Signatures(c.line), c.signatures) << c.line;
    }
    Lines appended = {"old"};
    ParseSignatures("new", appended);
    EXPECT_EQ(appended, (Lines{"old", "new"}));
}

TEST(DefineFile, BothEndingsReadBackTheSame) {
    const Smiles withLast = {{"a"}, {"b"}};
    const Smiles withoutLast = {{"a"}, {}};
    EXPECT_EQ(FormatDefinition(withLast), "a\r\nb");
    EXPECT_EQ(FormatDefinition(withoutLast), "a\r\n \r\n");
    EXPECT_EQ(ReadBack(FormatDefinition(withLast)), withLast);
    EXPECT_EQ(ReadBack(FormatDefinition(withoutLast)), withoutLast);
    // An LF-only copy of the same file reads alike.
    EXPECT_EQ(ReadBack("a\n \n"), withoutLast);
}

TEST(DefineFile, FileReadAndWrite) {
    test::TempDir dir;
    const std::string path = dir.file("_define.ini");
    WriteDefinition(path, {{":-)", ":)"}, {}});
    EXPECT_EQ(test::ReadBytes(path), ":-),:)\r\n \r\n");
    Lines lines = {"kept"};
    EXPECT_TRUE(ReadDefinition(path, lines));
    EXPECT_EQ(lines, (Lines{"kept", ":-),:)", ""}));

    WriteDefinition(path, {});
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    Lines none;
    EXPECT_TRUE(ReadDefinition(path, none));
    EXPECT_TRUE(none.empty());

    EXPECT_FALSE(ReadDefinition(dir.file("missing.ini"), none));
    EXPECT_FALSE(ReadDefinition(dir.folder(), none));  // a folder is no file
    EXPECT_TRUE(none.empty());
}

TEST(DefineFile, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.file("_define.ini");
    test::WriteBytes(path, "old");
    const std::string impossible = dir.file("_define.ini/_define.ini");  // parent is a file
    try {
        WriteDefinition(impossible, {{"a"}});
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + impossible);
    }
    EXPECT_EQ(test::ReadBytes(path), "old");
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // working copy gone, a folder in its place
    EXPECT_THROW(WriteDefinition(path, {{"a"}}), EInOutError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(DefineFile, CanonicalPictureNames) {
    struct Case {
        size_t n;
        const char* name;
    };
    const Case cases[] = {{0, "aa.gif"},      {1, "ab.gif"},      {25, "az.gif"},   {26, "ba.gif"},
                          {675, "zz.gif"},    {676, "baa.gif"},   {701, "baz.gif"}, {702, "bba.gif"},
                          {17575, "zzz.gif"}, {17576, "baaa.gif"}};
    for (const Case& c : cases) {
        EXPECT_EQ(PictureFileName(c.n, ".gif"), c.name) << c.n;
    }
    EXPECT_EQ(PictureFileName(3, ".bmp"), "ad.bmp");
}

TEST(DefineFile, FixedWidthNamesKeepLargePacksInOrder) {
    EXPECT_EQ(PictureNameWidth(0), 2);
    EXPECT_EQ(PictureNameWidth(676), 2);
    EXPECT_EQ(PictureNameWidth(677), 3);
    EXPECT_EQ(PictureNameWidth(17576), 3);
    EXPECT_EQ(PictureNameWidth(17577), 4);
    EXPECT_EQ(PictureNameWidth(static_cast<size_t>(-1)), 14);  // 26^14 > 2^64

    EXPECT_EQ(PictureFileName(0, ".gif", 3), "aaa.gif");
    EXPECT_EQ(PictureFileName(676, ".gif", 3), "baa.gif");
    EXPECT_EQ(PictureFileName(27, ".gif", 4), "aabb.gif");
    EXPECT_EQ(PictureFileName(17576, ".gif", 3), "baaa.gif");  // never cut short
    for (size_t n = 0; n < 676; ++n) {
        EXPECT_EQ(PictureFileName(n, ".gif", 2), PictureFileName(n, ".gif"));  // the classic names
    }
    // Names of one width sort in smile order; the classic names stop doing so at 676.
    for (size_t count : {size_t(676), size_t(1000)}) {
        const int width = PictureNameWidth(count);
        std::vector<std::string> names;
        for (size_t n = 0; n < count; ++n) names.push_back(PictureFileName(n, ".GIF", width));
        std::vector<std::string> sorted = names;
        SortPictureNames(sorted);
        EXPECT_EQ(sorted, names) << count;
    }
    EXPECT_LT(ComparePictureNames("baa.gif", "bb.gif"), 0);
}

TEST(DefineFile, PicturesPairInNameOrder) {
    std::vector<std::string> names = {"smile1.gif", "Smile2.gif", "smile10.gif", "smile3.gif"};
    SortPictureNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"smile1.gif", "smile10.gif", "Smile2.gif", "smile3.gif"}));

    names = {"2.gif", "10.gif", "1.gif"};
    SortPictureNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"1.gif", "10.gif", "2.gif"}));

    names = {"aa.gif", "A.GIF", "x_y.gif", "xa.gif"};
    SortPictureNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A.GIF", "aa.gif", "x_y.gif", "xa.gif"}));

    // Names equal but for letter case (possible on this host) get a fixed order.
    std::vector<std::string> twins = {"b.gif", "B.gif"};
    std::vector<std::string> reversed = {"B.gif", "b.gif"};
    SortPictureNames(twins);
    SortPictureNames(reversed);
    EXPECT_EQ(twins, reversed);
}

}  // namespace
}  // namespace faceloom
