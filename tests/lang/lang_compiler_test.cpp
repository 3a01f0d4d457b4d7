#include "lang/lang_compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/pe_string_table.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

uint32_t U32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    }
    return value;
}

uint16_t U16At(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

TEST(LangCompiler, ParsesTextsCommentsAndEscapes) {
    const std::string source =
        "\xEF\xBB\xBF# a comment\r\n"
        "\r\n"
        "101 = English\r\n"
        "   # an indented comment\n"
        "\t102\t=\t  spaced text  \n"
        "803 = one\\ntwo\\tthree\\\\four\n"
        "0=a = b # not a comment\n"
        "65535 = Русский \\\\n\n"
        "7 =\n"
        "40000 = \xF0\x9F\x98\x80\n"
        "8 = no line end at the end";
    TLangTexts texts;
    std::vector<TLangSourceError> errors;
    ASSERT_TRUE(ParseLangSource(source, texts, errors));
    EXPECT_TRUE(errors.empty());
    const TLangTexts expected = {
        {0, u"a = b # not a comment"},  {7, u""},
        {8, u"no line end at the end"}, {101, u"English"},
        {102, u"spaced text"},          {803, u"one\ntwo\tthree\\four"},
        {40000, u"\U0001F600"},         {65535, u"Русский \\n"},
    };
    EXPECT_EQ(texts, expected);
}

TEST(LangCompiler, ReportsEachMalformedLineWithItsNumber) {
    struct TCase {
        std::string line;
        std::string message;  // part of the error expected
    };
    const std::vector<TCase> cases = {
        {"just words", "expected 'id = text'"},
        {"= text", "missing"},
        {"1o1 = text", "not a text id"},
        {"-1 = text", "not a text id"},
        {"65536 = text", "out of the range"},
        {"99999999999999999999999 = text", "out of the range"},
        {"101 = bad \\q escape", "unknown escape '\\q'"},
        {"101 = ends with \\", "lone '\\'"},
        {"101 = \xC0\xAF overlong", "UTF-8"},
        {"101 = \xED\xA0\x80 surrogate", "UTF-8"},
        {"101 = \xF4\x90\x80\x80 past U+10FFFF", "UTF-8"},
        {"101 = \xE2\x82 cut", "UTF-8"},
        {"101 = \xCF\xF0\xE8\xE2\xE5\xF2 (Windows-1251)", "UTF-8"},
        {"101 = " + std::string(65536, 'x'), "longer than 65535"},
    };
    for (const TCase& c : cases) {
        TLangTexts texts;
        std::vector<TLangSourceError> errors;
        // The bad line is the third; the good lines around it do not hide it.
        EXPECT_FALSE(ParseLangSource("1 = one\n\n" + c.line + "\n2 = two\n", texts, errors)) << c.line;
        ASSERT_EQ(errors.size(), 1u) << c.line;
        EXPECT_EQ(errors[0].line, 3) << c.line;
        EXPECT_NE(errors[0].message.find(c.message), std::string::npos)
            << c.line << ": " << errors[0].message;
    }
}

TEST(LangCompiler, ReportsDuplicatesAndEveryErrorOfASource) {
    TLangTexts texts;
    std::vector<TLangSourceError> errors;
    EXPECT_FALSE(ParseLangSource("101 = a\n102 = b\nwrong\n0101 = again\n", texts, errors));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, 3);
    EXPECT_EQ(errors[1].line, 4);
    EXPECT_NE(errors[1].message.find("101 is already defined on line 1"), std::string::npos)
        << errors[1].message;
    EXPECT_EQ(FormatLangSourceError("English.txt", errors[1]), "English.txt:4: " + errors[1].message);

    std::string many;
    for (int i = 0; i < 500; ++i) {
        many += "bad line\n";
    }
    EXPECT_FALSE(ParseLangSource(many, texts, errors));
    EXPECT_LE(errors.size(), 51u);
    EXPECT_EQ(errors.back().line, 0);
}

TEST(LangCompiler, ModuleReadsBackIdentically) {
    TLangTexts texts;
    // Sparse ids over many blocks, long texts, empty texts, surrogate pairs.
    for (int id = 0; id <= 0xFFFF; id += 97) {
        std::u16string text = u"text " + std::u16string(1, static_cast<char16_t>(u'A' + id % 26));
        if (id % 5 == 0) {
            text.assign(300 + id % 7, u'ж');
        }
        if (id % 11 == 0) {
            text.clear();
        }
        texts[static_cast<uint16_t>(id)] = text;
    }
    texts[65535] = u"\U0001F600 last";
    std::string module;
    std::vector<TLangSourceError> errors;
    module = WriteLangModule(texts);
    const auto table = TPeStringTable::Parse(module);
    ASSERT_TRUE(table);
    for (int id = 0; id <= 0xFFFF; ++id) {
        const auto it = texts.find(static_cast<uint16_t>(id));
        ASSERT_EQ(table->Text(id), it == texts.end() ? u"" : it->second) << "id " << id;
    }
}

TEST(LangCompiler, ModuleIsAWellFormedResourceOnlyDll) {
    // What the Windows loader checks of a data-file module: one section, aligned sizes, the
    // image size covering the section, the data directory pointing into the section.
    const std::vector<TLangTexts> inputs = {
        {},
        {{101, u"x"}},
        {{0, std::u16string(5000, u'w')}, {65535, u"y"}},
    };
    for (const TLangTexts& texts : inputs) {
        const std::string module = WriteLangModule(texts);
        ASSERT_GE(module.size(), 0x400u);
        EXPECT_EQ(U16At(module, 0), 0x5A4D);
        const uint32_t pe = U32At(module, 0x3C);
        EXPECT_EQ(module.substr(pe, 4), std::string("PE\0\0", 4));
        const size_t coff = pe + 4;
        const size_t opt = coff + 20;
        EXPECT_EQ(U16At(module, coff), 0x014C);                // i386
        EXPECT_EQ(U16At(module, coff + 2), 1);                 // one section
        EXPECT_EQ(U16At(module, coff + 18) & 0x2002, 0x2002);  // DLL, executable image
        EXPECT_EQ(U16At(module, opt), 0x10B);                  // PE32
        EXPECT_EQ(U16At(module, opt + 68), 2);                 // GUI
        const uint32_t sectionAlignment = U32At(module, opt + 32);
        const uint32_t fileAlignment = U32At(module, opt + 36);
        EXPECT_EQ(sectionAlignment, 0x1000u);
        EXPECT_EQ(fileAlignment, 0x200u);
        const uint32_t sizeOfImage = U32At(module, opt + 56);
        const uint32_t sizeOfHeaders = U32At(module, opt + 60);
        const size_t section = opt + U16At(module, coff + 16);
        const uint32_t virtualSize = U32At(module, section + 8);
        const uint32_t virtualAddress = U32At(module, section + 12);
        const uint32_t rawSize = U32At(module, section + 16);
        const uint32_t rawOffset = U32At(module, section + 20);
        EXPECT_EQ(module.substr(section, 8), std::string(".rsrc\0\0\0", 8));
        EXPECT_GE(sizeOfHeaders, section + 40);
        EXPECT_EQ(sizeOfHeaders % fileAlignment, 0u);
        EXPECT_EQ(rawOffset, sizeOfHeaders);
        EXPECT_EQ(rawSize % fileAlignment, 0u);
        EXPECT_GE(rawSize, virtualSize);
        EXPECT_EQ(module.size(), size_t{rawOffset} + rawSize);
        EXPECT_EQ(virtualAddress % sectionAlignment, 0u);
        EXPECT_GE(virtualAddress, sizeOfHeaders);
        EXPECT_EQ(sizeOfImage % sectionAlignment, 0u);
        EXPECT_GE(sizeOfImage, virtualAddress + virtualSize);
        EXPECT_LT(sizeOfImage, virtualAddress + virtualSize + sectionAlignment);
        EXPECT_EQ(U32At(module, opt + 96 + 16), virtualAddress);  // resource directory RVA
        EXPECT_EQ(U32At(module, opt + 96 + 20), virtualSize);     // and size
        EXPECT_TRUE(TPeStringTable::Parse(module));
    }
}

TEST(LangCompiler, CompilesFilesAndNamesTheSourceInErrors) {
    test::TempDir dir;
    test::WriteBytes(dir.file("good.txt"), "101 = Good\n1602 = Notice\n");
    test::WriteBytes(dir.file("bad.txt"), "101 = Good\n\nbroken\n");
    std::vector<std::string> messages;
    ASSERT_TRUE(CompileLangFile(dir.file("good.txt"), dir.file("good.lng"), messages));
    EXPECT_TRUE(messages.empty());
    const auto table = TPeStringTable::Open(dir.file("good.lng"));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Text(1602), u"Notice");

    EXPECT_FALSE(CompileLangFile(dir.file("bad.txt"), dir.file("bad.lng"), messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(dir.file("bad.txt") + ":3: ", 0), 0u) << messages[0];
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.lng")));

    EXPECT_FALSE(CompileLangFile(dir.file("missing.txt"), dir.file("missing.lng"), messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("missing.txt"), std::string::npos);

    EXPECT_FALSE(CompileLangFile(dir.file("good.txt"), dir.file("no/such/folder/x.lng"), messages));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("x.lng"), std::string::npos);
}

TEST(LangCompiler, RefusesModulesTooLargeToRead) {
    // 1100 texts of 32767 units: about 72 MB, more than a language module may be.
    TLangTexts texts;
    for (uint16_t id = 0; id < 1100; ++id) {
        texts[id] = std::u16string(32767, u'x');
    }
    EXPECT_THROW(WriteLangModule(texts), std::length_error);
}

}  // namespace
}  // namespace faceloom
