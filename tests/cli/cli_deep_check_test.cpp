// faceloom-pack check --deep: the JSON scripts rely on (against a golden file), the grouped
// text, exit statuses, and that the packs stay as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_fixture.h"
#include "support/gif_writer.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

class DeepCheckTest : public CliTest {
protected:
    // A pack with one problem of many kinds (see the golden file).
    std::string ProblemPack() {
        const std::string pack = PackFolder("problems");
        WriteBytes(pack + "/aa.gif", GifBytes(16, 16, 2, 1));
        WriteBytes(pack + "/ab.gif", GifBytes(16, 16, 2, 2).substr(0, 40));
        WriteBytes(pack + "/ac.gif", GifBytes(16, 16, 2, 1));
        WriteBytes(pack + "/ad.gif", GifBytes(16, 16, 1, 4));
        WriteBytes(pack + "/readme.txt", "about");
        WriteDefine(pack, ":-),a\r\n:-)\r\nb, ,B\r\n \r\nx:-)y");
        return pack;
    }
    // Three distinct pictures and signatures where "o" lies inside "no": one warning.
    std::string WarningPack() {
        const std::string pack = PackFolder("warning");
        for (int i = 0; i < 3; ++i)
            WriteBytes(pack + "/a" + std::string(1, 'a' + i) + ".gif", GifBytes(16, 16, 2, i));
        WriteDefine(pack, "o\r\nno\r\nz");
        return pack;
    }
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Pictures whose frames do not fit the pack's budget of decoded frames (--frame-memory) are
// load errors, listed as damaged pictures that are too large for memory; the option wants a
// number of megabytes.
TEST_F(DeepCheckTest, PicturesPastTheFrameBudgetAreListedAsTooLargeForMemory) {
    // 2000 x 2000 and 12 frames of one pixel: 54 MB of frames each, 59 MB while decoded. Under
    // 100 MB the first one fits and the other two do not.
    const std::string bomb = OnePixelFramesGif(2000, 12);
    const std::string pack = PackFolder("bombs");
    for (const char* name : {"/aa.gif", "/ab.gif", "/ac.gif"}) WriteBytes(pack + name, bomb);
    WriteDefine(pack, "a\r\nb\r\nc");

    const ProgramResult counts = Run({"check", "--frame-memory", "100", pack});
    EXPECT_EQ(counts.exitCode, 1);
    EXPECT_NE(counts.out.find("  load errors: 2\n"), std::string::npos) << counts.out;

    const ProgramResult deep = Run({"check", "--deep", "--frame-memory", "100", "--lang",
                                    std::string(FACELOOM_SOURCE_DIR) + "/languages/English.txt", pack});
    EXPECT_EQ(deep.exitCode, 1);
    for (const char* smile : {"2", "3"}) {
        const std::string name = smile[0] == '2' ? "ab.gif" : "ac.gif";
        EXPECT_NE(
            deep.out.find(std::string("    [damaged-picture] Smile ") + smile + ": the picture «" + name +
                          "» cannot be read: too large for memory: the frames of the pack's pictures "
                          "together would pass their limit (megabytes: 100).\n"),
            std::string::npos)
            << deep.out;
    }
    EXPECT_EQ(deep.out.find("Smile 1: the picture"), std::string::npos) << deep.out;

    for (const char* value : {"0", "-1", "1048577", "lots"}) {
        SCOPED_TRACE(value);
        const ProgramResult refused = Run({"check", "--frame-memory", value, pack});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_NE(refused.err.find("--frame-memory wants megabytes"), std::string::npos) << refused.err;
    }
}

TEST_F(DeepCheckTest, JsonMatchesTheGoldenFileAndThePackIsUntouched) {
    const std::string pack = ProblemPack();
    const auto before = Snapshot(pack);
    const ProgramResult result = Run({"check", "--deep", "--json", pack});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "");
    const std::string golden = ReadBytes(std::filesystem::path(FACELOOM_SOURCE_DIR) / "tests" / "cli" /
                                         "golden" / "check_deep.json");
    EXPECT_EQ(Replaced(result.out, pack, "FOLDER"), golden);
    EXPECT_EQ(Snapshot(pack), before);
    EXPECT_TRUE(LeftInTemp().empty());
}

TEST_F(DeepCheckTest, TextGroupsBySeverityInTheLanguageAsked) {
    const std::string pack = ProblemPack();
    const ProgramResult result =
        Run({"check", "--deep", "--lang", std::string(FACELOOM_SOURCE_DIR) + "/languages/English.txt", pack});
    EXPECT_EQ(result.exitCode, 1);
    const std::string& out = result.out;
    EXPECT_EQ(out.rfind(pack + "\n  smiles: 5, errors: 4, warnings: 4, notes: 2\n  Errors\n", 0), 0u) << out;
    const size_t warnings = out.find("\n  Warnings\n");
    const size_t notes = out.find("\n  Notes\n");
    ASSERT_NE(warnings, std::string::npos);
    ASSERT_NE(notes, std::string::npos);
    EXPECT_LT(warnings, notes);
    EXPECT_LT(out.find("    [duplicate-signature] Signature «:-)» (smile 2) is already on smile 1;"),
              warnings);
    EXPECT_GT(out.find("    [orphan-file] The file «readme.txt» in the pack folder belongs to no smile.\n"),
              notes);
    // The built-in language without --lang.
    EXPECT_NE(Run({"check", "--deep", pack}).out.find("  Ошибки\n"), std::string::npos);
}

TEST_F(DeepCheckTest, ExitStatuses) {
    const std::string clean = PackFolder("clean");
    for (int i = 0; i < 3; ++i)
        WriteBytes(clean + "/a" + std::string(1, 'a' + i) + ".gif", GifBytes(16, 16, 2, i));
    WriteDefine(clean, "a\r\nb\r\nc");
    const std::string warning = WarningPack();
    const std::string problems = ProblemPack();
    const std::string badLang = Work().file("bad.lng");
    WriteBytes(badLang, "not a language\n");
    struct TCase {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<TCase> cases = {
        {{"check", "--deep", clean}, 0},
        {{"check", "--deep", warning}, 0},
        {{"check", "--deep", "--werror", warning}, 1},
        {{"check", "--deep", problems, clean}, 1},
        {{"check", "--deep", Work().file("no-such-folder"), clean}, 2},
        {{"check", "--json", clean}, 2},
        {{"check", "--werror", clean}, 2},
        {{"check", "--deep", "--lang", badLang, clean}, 2},
        {{"check", "--deep", "--json"}, 2},
    };
    for (const TCase& c : cases) {
        const ProgramResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.status) << c.args.back() << "\n" << result.err;
    }
    EXPECT_EQ(Run({"check", "--deep", clean}).out,
              clean + "\n  smiles: 3, errors: 0, warnings: 0, notes: 0\n" + "  Проблем не найдено.\n");
    // Two folders in one JSON document.
    const ProgramResult both = Run({"check", "--deep", "--json", clean, warning});
    EXPECT_EQ(both.out.rfind("{\"packs\":[{\"folder\":", 0), 0u);
    EXPECT_NE(both.out.find("},{\"folder\":"), std::string::npos);
}

}  // namespace
}  // namespace faceloom::test
