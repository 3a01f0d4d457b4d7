#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using namespace std::string_literals;

std::string TrimBlanks(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

class IniFileTest : public ::testing::Test {
protected:
    std::string Path() const { return dir_.file("config.ini"); }
    void Put(const std::string& bytes) const { test::WriteBytes(Path(), bytes); }
    std::string Bytes() const { return test::ReadBytes(Path()); }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    test::TempDir dir_;
};

// Expects the write to throw "Unable to write to <file>".
template <class Write>
void ExpectUnableToWrite(const std::string& file, Write&& write) {
    try {
        write();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
    }
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndReadsCreateNothing) {
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Storage", "SourcePath", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("Storage", "RowWidth", 10), 10);
    EXPECT_TRUE(ini.ReadBool("Storage", "Animated", true));
    EXPECT_FALSE(ini.SectionExists("Storage"));
    EXPECT_FALSE(ini.ValueExists("Storage", "Animated"));
    EXPECT_FALSE(std::filesystem::exists(Path()));
}

TEST_F(IniFileTest, FirstWritesCreateFileSectionAndKeys) {
    TIniFile ini(Path());
    ini.WriteBool("Storage", "StorageAllocated", true);
    EXPECT_EQ(Bytes(), "[Storage]\r\nStorageAllocated=1\r\n");
    ini.WriteString("Storage", "SourcePath", "");
    ini.WriteInteger("Options", "FontColor", -16777208);
    EXPECT_EQ(Bytes(),
              "[Storage]\r\n"
              "StorageAllocated=1\r\n"
              "SourcePath=\r\n"
              "[Options]\r\n"
              "FontColor=-16777208\r\n");
    EXPECT_TRUE(ini.SectionExists("options"));
    EXPECT_TRUE(ini.ValueExists("STORAGE", "sourcepath"));
    EXPECT_EQ(ini.ReadString("Storage", "SourcePath", "x"), "");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"config.ini"});  // no temp file left
}

TEST_F(IniFileTest, RewriteChangesOnlyTheKeyLine) {
    // Hand-edited by another tool: comments, blank lines, odd spacing, a line that is
    // neither key nor section, keys before any section.
    const std::string before =
        "; settings of the editor\r\n"
        "orphan=1\r\n"
        "\r\n"
        "[Options]\r\n"
        "  FontName   =  Arial  \r\n"
        "\tRowWidth=8\r\n"
        "just some text\r\n"
        "; FontBold=1\r\n"
        "\r\n"
        "[Other]\r\n"
        "Key=Value\r\n";
    Put(before);
    TIniFile ini(Path());
    ini.WriteInteger("options", "ROWWIDTH", 12);
    const std::string after =
        "; settings of the editor\r\n"
        "orphan=1\r\n"
        "\r\n"
        "[Options]\r\n"
        "  FontName   =  Arial  \r\n"
        "RowWidth=12\r\n"  // the key keeps its spelling as written
        "just some text\r\n"
        "; FontBold=1\r\n"
        "\r\n"
        "[Other]\r\n"
        "Key=Value\r\n";
    EXPECT_EQ(Bytes(), after);
    EXPECT_EQ(ini.ReadString("Options", "FontName", ""), "Arial");
    EXPECT_FALSE(ini.ReadBool("Options", "FontBold", false));  // commented out
    EXPECT_FALSE(ini.ValueExists("Options", "orphan"));        // before any section

    // A new key goes after the section's last line, before the blank separator.
    ini.WriteBool("Options", "FontBold", true);
    EXPECT_EQ(Bytes(),
              "; settings of the editor\r\n"
              "orphan=1\r\n"
              "\r\n"
              "[Options]\r\n"
              "  FontName   =  Arial  \r\n"
              "RowWidth=12\r\n"
              "just some text\r\n"
              "; FontBold=1\r\n"
              "FontBold=1\r\n"
              "\r\n"
              "[Other]\r\n"
              "Key=Value\r\n");
}

TEST_F(IniFileTest, WritingTheStoredValueLeavesTheFileAsItIs) {
    const std::string before = "[Options]\r\n  RowWidth =  10 \r\n";
    Put(before);
    TIniFile ini(Path());
    ini.WriteInteger("Options", "RowWidth", 10);
    EXPECT_EQ(Bytes(), before);
}

TEST_F(IniFileTest, FirstOfDuplicateKeysAndSectionsWins) {
    Put("[Storage]\r\nAnimated=0\r\nanimated=1\r\n[STORAGE]\r\nBothPath=/b/\r\nAnimated=1\r\n");
    TIniFile ini(Path());
    EXPECT_FALSE(ini.ReadBool("Storage", "Animated", true));
    EXPECT_FALSE(ini.ValueExists("Storage", "BothPath"));  // only the first section counts
    ini.WriteBool("Storage", "Animated", true);
    EXPECT_EQ(Bytes(),
              "[Storage]\r\nAnimated=1\r\nanimated=1\r\n[STORAGE]\r\nBothPath=/b/\r\nAnimated=1\r\n");
    ini.WriteString("Storage", "BothPath", "/a/");
    EXPECT_EQ(Bytes(),
              "[Storage]\r\nAnimated=1\r\nanimated=1\r\nBothPath=/a/\r\n"
              "[STORAGE]\r\nBothPath=/b/\r\nAnimated=1\r\n");
}

TEST_F(IniFileTest, LfOnlyFileKeepsItsLineEnds) {
    Put("[Options]\nFontName=Arial\n\n[Other]\nA=1\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Options", "FontName", ""), "Arial");
    ini.WriteString("Options", "FontName", "Tahoma");
    ini.WriteInteger("Options", "RowWidth", 5);
    ini.WriteString("New", "K", "v");
    EXPECT_EQ(Bytes(), "[Options]\nFontName=Tahoma\nRowWidth=5\n\n[Other]\nA=1\n[New]\nK=v\n");
}

TEST_F(IniFileTest, MissingFinalLineEnd) {
    Put("[Options]\r\nRowWidth=7");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadInteger("Options", "RowWidth", 0), 7);
    ini.WriteBool("Options", "FontBold", false);
    EXPECT_EQ(Bytes(), "[Options]\r\nRowWidth=7\r\nFontBold=0\r\n");

    Put("[Options]\r\nRowWidth=7");
    ini.WriteInteger("Options", "RowWidth", 8);
    EXPECT_EQ(Bytes(), "[Options]\r\nRowWidth=8\r\n");

    Put("[Options]");
    ini.WriteString("Storage", "BothPath", "/p/");
    EXPECT_EQ(Bytes(), "[Options]\r\n[Storage]\r\nBothPath=/p/\r\n");
}

TEST_F(IniFileTest, Utf8ByteOrderMarkMakesTheFileUtf8) {
    // "[Options]" on the first line after the mark; a Cyrillic value in UTF-8.
    Put("\xEF\xBB\xBF[Options]\r\nFontName=\xD0\x90\xD1\x80\r\n");
    TIniFile ini(Path());
    EXPECT_TRUE(ini.SectionExists("Options"));
    EXPECT_EQ(ini.ReadString("Options", "FontName", ""), "\xC0\xF0");  // "Ар" in Windows-1251
    ini.WriteString("Options", "LangDirectory", "\xDF");               // "Я"
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[Options]\r\nFontName=\xD0\x90\xD1\x80\r\nLangDirectory=\xD0\xAF\r\n");
    ini.DeleteKey("Options", "FontName");
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[Options]\r\nLangDirectory=\xD0\xAF\r\n");
}

TEST_F(IniFileTest, BlanksQuotesAndOddLines) {
    Put("  [ Options ]  \r\n"
        "FontName = \"Courier New\" \r\n"
        "Quoted='x'\r\n"
        "Unbalanced=\"x\r\n"
        "Empty=\r\n"
        "Nul=ab\0cd\r\n"
        "[broken header\r\n"  // no "]": not a section, keys below stay in Options
        "After=1\r\n"
        "NoValue\r\n"
        "\x1A"s);  // Ctrl-Z left by an old editor
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Options", "FontName", ""), "Courier New");
    EXPECT_EQ(ini.ReadString("Options", "Quoted", ""), "x");
    EXPECT_EQ(ini.ReadString("Options", "Unbalanced", ""), "\"x");
    EXPECT_EQ(ini.ReadString("Options", "Empty", "default"), "");
    EXPECT_EQ(ini.ReadString("Options", "Nul", ""), "ab");
    EXPECT_EQ(ini.ReadInteger("Options", "After", 0), 1);
    EXPECT_FALSE(ini.ValueExists("Options", "NoValue"));
    EXPECT_FALSE(ini.SectionExists("broken header"));
}

TEST_F(IniFileTest, CyrillicNamesCompareWithoutLetterCase) {
    Put("[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\r\n\xCA\xCB\xDE\xD7=1\r\n");  // [Настройки] КЛЮЧ=1
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadInteger("\xED\xC0\xF1\xF2\xF0\xEE\xE9\xEA\xE8", "\xEA\xEB\xFE\xF7", 0), 1);
}

TEST_F(IniFileTest, StringsAreReadUpTo2047Characters) {
    const std::string longValue(3000, 'x');
    TIniFile ini(Path());
    ini.WriteString("S", "K", longValue);
    EXPECT_EQ(Bytes(), "[S]\r\nK=" + longValue + "\r\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(2047, 'x'));
}

TEST_F(IniFileTest, Integers) {
    struct Case {
        const char* text;
        int32_t expected;  // 99 = the default, i.e. not an integer
    };
    const Case cases[] = {
        {"12", 12},
        {"-11", -11},
        {"+5", 5},
        {"00012", 12},
        {"$FFFFFFF5", -11},
        {"0xFFFFFFF5", -11},
        {"0XfF", 255},
        {"$0", 0},
        {"-$A", -10},
        {"$00000000FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", 99},
        {"-2147483649", 99},
        {"$100000000", 99},
        {"12abc", 99},
        {"", 99},
        {"$", 99},
        {"0x", 99},
        {"-", 99},
        {"1 2", 99},
        {"0x-1", 99},
        {"$G", 99},
        {"1.5", 99},
        {"yes", 99},
        {" 7 ", 7},  // blanks around values are not part of them
    };
    TIniFile ini(Path());
    for (const Case& c : cases) {
        Put(std::string("[Options]\r\nFontHeight=") + c.text + "\r\n");
        EXPECT_EQ(ini.ReadInteger("Options", "FontHeight", 99), c.expected) << c.text;
        int32_t parsed = 0;
        EXPECT_EQ(ParseIniInteger(TrimBlanks(c.text), parsed), c.expected != 99) << c.text;
    }
}

TEST_F(IniFileTest, Booleans) {
    struct Case {
        const char* text;
        bool whenDefaultFalse;
        bool whenDefaultTrue;
    };
    const Case cases[] = {
        {"1", true, true},    {"0", false, false},  {"2", true, true},     {"-1", true, true},
        {"$0", false, false}, {"yes", false, true}, {"true", false, true}, {"", false, true},
    };
    TIniFile ini(Path());
    for (const Case& c : cases) {
        Put(std::string("[Storage]\r\nAnimated=") + c.text + "\r\n");
        EXPECT_EQ(ini.ReadBool("Storage", "Animated", false), c.whenDefaultFalse) << c.text;
        EXPECT_EQ(ini.ReadBool("Storage", "Animated", true), c.whenDefaultTrue) << c.text;
    }
    ini.WriteBool("Storage", "Animated", false);
    EXPECT_EQ(Bytes(), "[Storage]\r\nAnimated=0\r\n");
}

TEST_F(IniFileTest, DeleteKeyRemovesEveryCopyOfTheKeyLine) {
    Put("[A]\r\nK=1\r\nX=2\r\nk=3\r\n[B]\r\nK=4\r\n");
    TIniFile ini(Path());
    ini.DeleteKey("a", "K");
    EXPECT_EQ(Bytes(), "[A]\r\nX=2\r\n[B]\r\nK=4\r\n");
    EXPECT_FALSE(ini.ValueExists("A", "K"));
    ini.DeleteKey("A", "Missing");
    EXPECT_EQ(Bytes(), "[A]\r\nX=2\r\n[B]\r\nK=4\r\n");

    TIniFile absent(dir_.file("absent.ini"));
    absent.DeleteKey("A", "K");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("absent.ini")));
}

TEST_F(IniFileTest, NamesAndValuesThatCannotBeStoredAreRefused) {
    const std::string before = "[S]\r\nK=old\r\n";
    Put(before);
    TIniFile ini(Path());
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", "K", "two\r\nlines"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", "K", "lf\n"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", "K", std::string("nul\0", 4)); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S\n", "K", "v"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", "K\r", "v"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", "a=b", "v"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", "[K]", "v"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", ";K", "v"); });
    ExpectUnableToWrite(Path(), [&] { ini.WriteString("S", " ", "v"); });
    EXPECT_EQ(Bytes(), before);
}

TEST_F(IniFileTest, FailedWriteThrowsAndKeepsTheOldFile) {
    // A folder that cannot exist: its parent is a regular file.
    test::WriteBytes(dir_.file("plain"), "x");
    const std::string impossible = dir_.file("plain/config.ini");
    TIniFile nowhere(impossible);
    ExpectUnableToWrite(impossible, [&] { nowhere.WriteBool("S", "K", true); });

    // The name is taken by a folder: it cannot be read, so it must not be replaced.
    std::filesystem::create_directory(dir_.file("folder.ini"));
    TIniFile folder(dir_.file("folder.ini"));
    ExpectUnableToWrite(dir_.file("folder.ini"), [&] { folder.WriteBool("S", "K", true); });
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("folder.ini")));
}

TEST_F(IniFileTest, DiskFullDuringRewriteKeepsTheOldFile) {
    const std::string before = "[Options]\r\nFontName=Tahoma\r\nRowWidth=10\r\n";
    Put(before);
    TIniFile ini(Path());
    // Running as root, permissions do not stop a write; a file size limit does, like a full
    // disk: the temp file cannot grow past it.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    bool threw = false;
    try {
        ini.WriteString("Options", "FontName", "Courier New");
    } catch (const EInOutError& e) {
        threw = std::string(e.what()) == "Unable to write to " + Path();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"config.ini"});
}

}  // namespace
}  // namespace faceloom
