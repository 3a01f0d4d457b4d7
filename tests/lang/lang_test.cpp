#include "lang/lang.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <set>

#include "lang/builtin_texts.h"
#include "lang/lang_compiler.h"
#include "lang/lang_manager.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

std::u16string LongTextOf300() {
    std::u16string text;
    for (int i = 0; i < 300; ++i) {
        text.push_back(static_cast<char16_t>(u'0' + i % 10));
    }
    return text;
}

std::string WriteLanguage(const test::TempDir& dir, const std::string& name,
                          const std::map<int, std::u16string>& texts) {
    const std::string path = dir.file(name);
    test::WriteBytes(path, test::WritePeModule(test::StringTableResources(texts)).bytes);
    return path;
}

TEST(BuiltinTexts, CoverTheWindowsRangesInIdOrder) {
    const auto texts = BuiltinTexts();
    ASSERT_EQ(texts.size(), 242u);
    EXPECT_EQ(texts.front().id, 101);
    EXPECT_EQ(texts.back().id, 2347);
    // The ranges of ids per window, each complete.
    const std::vector<std::pair<int, int>> ranges = {
        {101, 105},   {201, 204},   {301, 315},   {401, 435},   {501, 504},   {601, 603},
        {701, 702},   {801, 804},   {901, 901},   {1001, 1003}, {1101, 1106}, {1201, 1207},
        {1301, 1301}, {1401, 1408}, {1501, 1505}, {1601, 1602}, {1701, 1719}, {1801, 1801},
        {1901, 1909}, {2001, 2026}, {2101, 2112}, {2121, 2160}, {2201, 2202}, {2221, 2222},
        {2241, 2243}, {2261, 2261}, {2281, 2281}, {2321, 2334}, {2341, 2347}};
    std::vector<int> expected;
    for (const auto& [first, last] : ranges) {
        for (int id = first; id <= last; ++id) {
            expected.push_back(id);
        }
    }
    std::vector<int> actual;
    for (const TBuiltinText& text : texts) {
        actual.push_back(text.id);
        EXPECT_FALSE(text.text.empty()) << text.id;
        EXPECT_EQ(BuiltinText(text.id), text.text);
    }
    EXPECT_EQ(actual, expected);
    EXPECT_TRUE(BuiltinText(100).empty());
    EXPECT_TRUE(BuiltinText(1603).empty());
    EXPECT_TRUE(BuiltinText(1720).empty());
    EXPECT_TRUE(BuiltinText(1910).empty());
    EXPECT_TRUE(BuiltinText(2113).empty());
    EXPECT_TRUE(BuiltinText(2161).empty());
    EXPECT_TRUE(BuiltinText(-1).empty());
}

TEST(Lang, BuiltInLanguageAnswersFromItsTable) {
    const TLang lang(std::string(), true);
    EXPECT_TRUE(lang.BuiltIn());
    EXPECT_EQ(lang.FileName(), "");
    EXPECT_EQ(lang.Name(), u"Русский");
    EXPECT_EQ(lang.Description(), u"Встроенные языковые данные");
    EXPECT_EQ(lang.Version(), u"3.2");
    EXPECT_FALSE(lang.Author().empty());
    EXPECT_FALSE(lang.Link().empty());
    EXPECT_EQ(lang.Text(305), u"проверка фалов");
    EXPECT_EQ(lang.Text(1207), u"Чисто столбцов:");
    EXPECT_EQ(lang.Text(1106, true), u"из");
    EXPECT_EQ(lang.Text(999), u"Lang Error");
    EXPECT_EQ(lang.Text(-5), u"Lang Error");
}

TEST(Lang, FileLanguageFallsBackPerId) {
    test::TempDir dir;
    const std::string path = WriteLanguage(dir, "English.lng",
                                           {{101, u"English"},
                                            {102, u"English texts"},
                                            {103, u"Someone"},
                                            {104, u"1.0"},
                                            {105, u"https://x.example/"},
                                            {201, u"OK!"},
                                            {203, u""},
                                            {5000, u"only here"},
                                            {1106, LongTextOf300()}});
    const TLang lang(path, false);
    ASSERT_FALSE(lang.BuiltIn());
    EXPECT_EQ(lang.FileName(), path);
    EXPECT_EQ(lang.Name(), u"English");
    EXPECT_EQ(lang.Description(), u"English texts");
    EXPECT_EQ(lang.Author(), u"Someone");
    EXPECT_EQ(lang.Version(), u"1.0");
    EXPECT_EQ(lang.Link(), u"https://x.example/");

    EXPECT_EQ(lang.Text(201), u"OK!");            // the file's text
    EXPECT_EQ(lang.Text(202), u"&Отмена");        // missing in the file: built-in
    EXPECT_EQ(lang.Text(203), u"&Да");            // empty in the file: built-in
    EXPECT_EQ(lang.Text(5000), u"only here");     // only in the file
    EXPECT_EQ(lang.Text(6000), u"Lang Error");    // in neither
    EXPECT_EQ(lang.Text(1106), LongTextOf300());  // long texts whole
    EXPECT_EQ(lang.Text(202, true), u"Lang Error");
    EXPECT_EQ(lang.Text(201, true), u"OK!");
}

TEST(Lang, FileWithoutInformationIsNamedLangError) {
    test::TempDir dir;
    const TLang lang(WriteLanguage(dir, "bare.lng", {{1602, u"notice"}}), false);
    ASSERT_FALSE(lang.BuiltIn());
    EXPECT_EQ(lang.Name(), u"Lang Error");
    EXPECT_EQ(lang.Description(), u"Lang Error");
    EXPECT_EQ(lang.Link(), u"Lang Error");
    EXPECT_EQ(lang.Text(1602), u"notice");
    EXPECT_EQ(lang.Text(1601), u"Пустой смайлпак");
}

TEST(Lang, UnloadableOrUnwantedFilesGiveTheBuiltInLanguage) {
    test::TempDir dir;
    const std::string good = WriteLanguage(dir, "good.lng", {{101, u"Good"}});
    test::WriteBytes(dir.file("junk.lng"), "MZ but nothing else");
    const std::vector<std::pair<std::string, bool>> cases = {
        {good, true}, {dir.file("junk.lng"), false}, {dir.file("missing.lng"), false}, {"", false}};
    for (const auto& [file, builtInWanted] : cases) {
        const TLang lang(file, builtInWanted);
        EXPECT_TRUE(lang.BuiltIn()) << file;
        EXPECT_EQ(lang.FileName(), "") << file;
        EXPECT_EQ(lang.Name(), u"Русский") << file;
        EXPECT_EQ(lang.Text(202), u"&Отмена") << file;
    }
}

// The shipped English language: every built-in id translated, nothing else, and the same
// format placeholders as the built-in text.
TEST(EnglishLanguage, TranslatesEveryBuiltInText) {
    const auto source =
        ReadWholeFile(std::filesystem::path(FACELOOM_SOURCE_DIR) / "languages" / "English.txt");
    ASSERT_TRUE(source);
    TLangTexts texts;
    std::vector<TLangSourceError> errors;
    ASSERT_TRUE(ParseLangSource(*source, texts, errors)) << errors.front().message;
    std::set<int> ids;
    for (const auto& [id, text] : texts) {
        ids.insert(id);
        EXPECT_FALSE(text.empty()) << id;
    }
    std::set<int> builtInIds;
    // printf-style placeholders: "%", flags, then digits, then a letter or "%"; and the
    // numbered ones ("%1") that FillPlaceholders fills, whatever follows them.
    auto placeholders = [](const std::string& text) {
        std::vector<std::string> found;
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
            size_t end = at + 1;
            while (end < text.size() && std::strchr("-+ #", text[end]) != nullptr) ++end;
            const size_t digits = end;
            while (end < text.size() && std::strchr("0123456789.", text[end]) != nullptr) ++end;
            const bool conversion = end < text.size() &&
                                    (std::isalpha(static_cast<unsigned char>(text[end])) || text[end] == '%');
            if (conversion) {
                found.push_back(text.substr(at, end - at + 1));
                at = end;
            } else if (end > digits && digits == at + 1) {
                found.push_back(text.substr(at, end - at));
                at = end - 1;
            }
        }
        return found;
    };
    for (const TBuiltinText& builtIn : BuiltinTexts()) {
        builtInIds.insert(builtIn.id);
        const auto english = texts.find(builtIn.id);
        if (english == texts.end()) {
            continue;
        }
        EXPECT_EQ(placeholders(Utf16ToUtf8(english->second)), placeholders(Utf16ToUtf8(builtIn.text)))
            << builtIn.id;
    }
    EXPECT_EQ(ids, builtInIds);
    EXPECT_EQ(texts.at(101), u"English");
}

// The compiled English language the build puts next to the programs.
TEST(EnglishLanguage, BuiltModuleHasEveryTextItself) {
    const std::string path = DefaultLanguageDirectory() + "English.lng";
    if (!FileExists(path)) {
        GTEST_SKIP() << path << " is not built";
    }
    const TLang english(path, false);
    ASSERT_FALSE(english.BuiltIn());
    EXPECT_EQ(english.Name(), u"English");
    for (const TBuiltinText& builtIn : BuiltinTexts()) {
        EXPECT_NE(english.Text(builtIn.id, true), kLangErrorText) << builtIn.id;
    }
    EXPECT_EQ(english.Text(305), u"checking files");
}

}  // namespace
}  // namespace faceloom

namespace faceloom {
namespace {

// One pass: a parameter that holds a placeholder of its own stays as it is.
TEST(FillPlaceholders, ReplacesEachPlaceholderOnceAndKeepsTheUnknown) {
    EXPECT_EQ(FillPlaceholders(u"%1 и %2, %3", {"%2", "«да»"}), u"%2 и «да», %3");
}

}  // namespace
}  // namespace faceloom
