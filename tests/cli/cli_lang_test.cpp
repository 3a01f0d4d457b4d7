// faceloom-pack compile-lang and strings.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_fixture.h"
#include "support/pe_writer.h"

namespace faceloom::test {
namespace {

class LangTest : public CliTest {};

TEST_F(LangTest, CompiledLanguagePrintsBackInIdOrderWithEscapes) {
    const std::string source = Work().file("English.txt");
    WriteBytes(source,
               "# sample\n"
               "1602 = Привет, мир\n"
               "101 = English\n"
               "803 = Cannot be undone!\\nContinue?\n"
               "  120   =   a\\tb \\\\ c  \n");
    const std::string module = Work().file("English.lng");

    const ProgramResult compiled = Run({"compile-lang", source, module});
    EXPECT_EQ(compiled.out, "");
    EXPECT_EQ(compiled.err, "");
    EXPECT_EQ(compiled.exitCode, 0);
    ASSERT_TRUE(std::filesystem::exists(module));

    const ProgramResult strings = Run({"strings", module});
    EXPECT_EQ(strings.out,
              "101\tEnglish\n"
              "120\ta\\tb \\\\ c\n"
              "803\tCannot be undone!\\nContinue?\n"
              "1602\tПривет, мир\n");
    EXPECT_EQ(strings.err, "");
    EXPECT_EQ(strings.exitCode, 0);
}

TEST_F(LangTest, StringsOfAModuleFromAnotherWriter) {
    // Written apart from the compiler, with a carriage return and an id whose text is empty.
    const std::map<int, std::u16string> texts = {
        {5, u"five"}, {16, u"a\r\nb"}, {17, u""}, {65535, u"last"}, {301, u"\u041D\u0435\u0442"}};
    const std::string module = Work().file("other.lng");
    WriteBytes(module, WritePeModule(StringTableResources(texts)).bytes);

    const ProgramResult result = Run({"strings", module});
    EXPECT_EQ(result.out, "5\tfive\n16\ta\\r\\nb\n301\tНет\n65535\tlast\n");
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(LangTest, FileThatIsNotALanguageModule) {
    const std::string text = Work().file("readme.lng");
    WriteBytes(text, "just text, not a module");
    const ProgramResult result = Run({"strings", text});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("faceloom-pack: '" + text + "' is not a loadable language module: ", 0), 0u)
        << result.err;
    EXPECT_GT(result.err.size(),
              ("faceloom-pack: '" + text + "' is not a loadable language module: \n").size());

    const ProgramResult missing = Run({"strings", Work().file("none.lng")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
}

TEST_F(LangTest, SourceWithErrorsNamesTheLinesAndWritesNothing) {
    const std::string source = Work().file("bad.txt");
    WriteBytes(source, "101 = ok\nnot a line\n101 = again\n");
    const std::string module = Work().file("bad.lng");

    const ProgramResult result = Run({"compile-lang", source, module});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(source + ":2: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(source + ":3: "), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(module));

    const ProgramResult missing = Run({"compile-lang", Work().file("none.txt"), module});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err, "");
    EXPECT_FALSE(std::filesystem::exists(module));

    EXPECT_EQ(Run({"compile-lang", source}).err,
              UsageErrorText("compile-lang", "missing SOURCE.txt and OUT.lng"));
}

}  // namespace
}  // namespace faceloom::test
