#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace faceloom {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(CodePage, EveryByteRoundTripsThroughUnicode) {
    for (TCodePage cp : {TCodePage::Windows1251, TCodePage::Windows1252}) {
        const std::u16string text = CodePageToUnicode(AllBytes(), cp);
        ASSERT_EQ(text.size(), 256u);
        EXPECT_EQ(UnicodeToCodePage(text, cp), AllBytes());
        EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(AllBytes(), cp), cp), AllBytes());
        // No two bytes may share a character, or the round trip above could not hold.
        for (int b = 0; b < 0x80; ++b) EXPECT_EQ(text[b], b);
    }
}

TEST(CodePage, Windows1251Characters) {
    const std::vector<std::pair<unsigned char, char16_t>> cases = {
        {0xC0, u'А'}, {0xDF, u'Я'}, {0xE0, u'а'},   {0xFF, u'я'},  // the alphabet block
        {0xA8, u'Ё'}, {0xB8, u'ё'}, {0xA5, u'Ґ'},   {0xB4, u'ґ'},   {0xAA, u'Є'}, {0xBA, u'є'},
        {0xAF, u'Ї'}, {0xBF, u'ї'}, {0xB2, u'І'},   {0xB3, u'і'},   {0xA1, u'Ў'}, {0xA2, u'ў'},
        {0x80, u'Ђ'}, {0x90, u'ђ'}, {0x8A, u'Љ'},   {0x9A, u'љ'},   {0x88, u'€'}, {0xB9, u'№'},
        {0x85, u'…'}, {0xAB, u'«'}, {0xA0, 0x00A0}, {0x98, 0x0098},  // 0x98 is undefined: kept as its C1
                                                                     // control
    };
    for (const auto& [byte, unicode] : cases) {
        const std::string bytes(1, static_cast<char>(byte));
        EXPECT_EQ(CodePageToUnicode(bytes), std::u16string(1, unicode)) << std::hex << int(byte);
        EXPECT_EQ(UnicodeToCodePage(std::u16string(1, unicode)), bytes) << std::hex << int(byte);
    }
}

TEST(CodePage, Windows1252Characters) {
    const std::vector<std::pair<unsigned char, char16_t>> cases = {
        {0x80, u'€'}, {0x8A, u'Š'}, {0x9A, u'š'},   {0x9F, u'Ÿ'},   {0xC9, u'É'},
        {0xE9, u'é'}, {0xFF, u'ÿ'}, {0x81, 0x0081}, {0x8D, 0x008D},
    };
    for (const auto& [byte, unicode] : cases) {
        const std::string bytes(1, static_cast<char>(byte));
        EXPECT_EQ(CodePageToUnicode(bytes, TCodePage::Windows1252), std::u16string(1, unicode));
        EXPECT_EQ(UnicodeToCodePage(std::u16string(1, unicode), TCodePage::Windows1252), bytes);
    }
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(UnicodeToCodePage(u"a\u00E9b"), "a?b");                      // é is not in 1251
    EXPECT_EQ(UnicodeToCodePage(u"\u0416", TCodePage::Windows1252), "?");  // nor Ж in 1252
    EXPECT_EQ(UnicodeToCodePage(u"x\U0001F600y"), "x?y");                  // one character, one mark
    EXPECT_EQ(UnicodeToCodePage(std::u16string(1, char16_t(0xD800))), "?");
}

TEST(CodePage, Utf8AndUtf16) {
    EXPECT_EQ(Utf16ToUtf8(u"Привет"), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_EQ(Utf8ToUtf16("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"), u"Привет");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"\u20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(CodePageToUtf8("\xCF\xF0\xE8"), "\xD0\x9F\xD1\x80\xD0\xB8");  // "При" in 1251
    EXPECT_EQ(Utf8ToCodePage("\xD0\x9F\xD1\x80\xD0\xB8"), "\xCF\xF0\xE8");
}

TEST(CodePage, MalformedUtf8BecomesReplacementCharacters) {
    const std::u16string r(1, char16_t(0xFFFD));
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"\xC0\x80", r + r},  // overlong NUL
        {"\xE2\x82"
         "A",
         r + u"A"},                           // truncated sequence, then a character
        {"\xED\xA0\x80", r + r + r},          // an encoded surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
        {"a\x80z", u"a" + r + u"z"},          // stray continuation byte
        {"\xFF", r},
        {"\xE2\x82", r},  // cut at the end
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(Utf8ToUtf16(bytes), expected) << bytes;
    }
    // A lone surrogate has no UTF-8 form.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(CodePage, FoldCaseOfLatinAndCyrillicLetters) {
    const std::vector<std::pair<char16_t, char16_t>> pairs = {
        {u'A', u'a'}, {u'Z', u'z'}, {u'À', u'à'}, {u'Þ', u'þ'}, {u'Š', u'š'}, {u'Ÿ', u'ÿ'},
        {u'Ł', u'ł'}, {u'Ž', u'ž'}, {u'А', u'а'}, {u'Я', u'я'}, {u'Ё', u'ё'}, {u'Ђ', u'ђ'},
        {u'Џ', u'џ'}, {u'Ґ', u'ґ'}, {u'Є', u'є'}, {u'І', u'і'}, {u'Ї', u'ї'}, {u'Ў', u'ў'},
        {u'Ѣ', u'ѣ'}, {u'Ӑ', u'ӑ'}, {u'Ӂ', u'ӂ'}, {u'Ӏ', u'ӏ'},
    };
    for (const auto& [upper, lower] : pairs) {
        EXPECT_EQ(FoldCase(upper), lower) << int(upper);
        EXPECT_EQ(FoldCase(lower), lower) << int(lower);
    }
    for (char16_t same : {u'0', u'_', u'.', u'×', u'ß', u'ı', u'№', u'€', u'Ω'}) {
        EXPECT_EQ(FoldCase(same), same) << int(same);
    }
    EXPECT_EQ(FoldCase(u"ПРИВЕТ, World Ёлка"), u"привет, world ёлка");
}

TEST(CodePage, EveryCapitalOfWindows1251FoldsToItsSmallLetter) {
    std::vector<std::pair<int, int>> pairs = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
                                              {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
                                              {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA},
                                              {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
    for (int i = 0; i < 32; ++i) pairs.push_back({0xC0 + i, 0xE0 + i});
    for (int i = 0; i < 26; ++i) pairs.push_back({'A' + i, 'a' + i});
    for (const auto& [upper, lower] : pairs) {
        const std::string u(1, static_cast<char>(upper));
        const std::string l(1, static_cast<char>(lower));
        EXPECT_EQ(CompareTextFolded(u, l), 0) << std::hex << upper;
        EXPECT_EQ(FoldCase(CodePageToUnicode(u)), CodePageToUnicode(l)) << std::hex << upper;
    }
    // Nothing else folds: exactly 73 bytes change.
    int changed = 0;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        if (FoldCase(CodePageToUnicode(one)) != CodePageToUnicode(one)) ++changed;
    }
    EXPECT_EQ(changed, static_cast<int>(pairs.size()));
}

TEST(CodePage, CompareTextFoldedOrdersFoldedBytes) {
    EXPECT_EQ(CompareTextFolded("\xCF\xD0\xC8\xC2\xC5\xD2", "\xEF\xF0\xE8\xE2\xE5\xF2"),
              0);                                             // ПРИВЕТ / привет
    EXPECT_EQ(CompareTextFolded("\xA8\xE6", "\xB8\xC6"), 0);  // Ёж / ёЖ
    EXPECT_EQ(CompareTextFolded(":-P", ":-p"), 0);
    EXPECT_LT(CompareTextFolded("a", "B"), 0);
    EXPECT_GT(CompareTextFolded("b", "A"), 0);
    EXPECT_LT(CompareTextFolded("_", "a"), 0);  // folding goes to small letters
    EXPECT_LT(CompareTextFolded("ab", "ABC"), 0);
    EXPECT_GT(CompareTextFolded("\xE0", "z"), 0);  // Cyrillic after Latin
    EXPECT_TRUE(SameTextFolded("ABC", "abc"));
    // The code page decides which bytes are letters.
    EXPECT_EQ(CompareTextFolded("\xA8", "\xB8", TCodePage::Windows1251), 0);
    EXPECT_NE(CompareTextFolded("\xA8", "\xB8", TCodePage::Windows1252), 0);
    EXPECT_EQ(CompareTextFolded("\xC9", "\xE9", TCodePage::Windows1252), 0);
}

TEST(CodePage, CompareUtf8FoldedOrdersFileNames) {
    EXPECT_EQ(CompareUtf8Folded("Smile2.GIF", "smile2.gif"), 0);
    EXPECT_EQ(CompareUtf8Folded("\xD0\xA1\xD0\x9C\xD0\x90\xD0\x99\xD0\x9B.gif",   // СМАЙЛ
                                "\xD1\x81\xD0\xBC\xD0\xB0\xD0\xB9\xD0\xBB.gif"),  // смайл
              0);
    EXPECT_EQ(CompareUtf8Folded("\xD0\x81", "\xD1\x91"), 0);  // Ё / ё
    EXPECT_LT(CompareUtf8Folded("1.gif", "10.gif"), 0);
    EXPECT_LT(CompareUtf8Folded("10.gif", "2.gif"), 0);
    EXPECT_LT(CompareUtf8Folded("a.gif", "AA.gif"), 0);
    EXPECT_LT(CompareUtf8Folded("smile", "smile1"), 0);
    EXPECT_LT(CompareUtf8Folded("z.gif", "\xD0\xB0.gif"), 0);  // Latin before Cyrillic
    // Bytes that are not UTF-8 never equal a character and order consistently.
    EXPECT_NE(CompareUtf8Folded("\xFF", "\xFE"), 0);
    EXPECT_EQ(CompareUtf8Folded("\xFF", "\xFE"), -CompareUtf8Folded("\xFE", "\xFF"));
    EXPECT_NE(CompareUtf8Folded("\xC3", "\xC3\xA9"), 0);
    EXPECT_GT(CompareUtf8Folded("\xFF", "\xEF\xBF\xBD"), 0);
}

TEST(CodePage, ParsesCodePageNames) {
    TCodePage cp = TCodePage::Windows1252;
    for (const char* name : {"windows-1251", "Windows-1251", "CP1251", "cp-1251", "win1251", "1251"}) {
        cp = TCodePage::Windows1252;
        EXPECT_TRUE(ParseCodePage(name, cp)) << name;
        EXPECT_EQ(cp, TCodePage::Windows1251) << name;
    }
    EXPECT_TRUE(ParseCodePage("windows-1252", cp));
    EXPECT_EQ(cp, TCodePage::Windows1252);
    for (const char* name : {"", "utf-8", "windows-", "cp125", "12510", "koi8-r"}) {
        EXPECT_FALSE(ParseCodePage(name, cp)) << name;
    }
}

}  // namespace
}  // namespace faceloom
