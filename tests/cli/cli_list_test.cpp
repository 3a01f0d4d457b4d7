// faceloom-pack list: the smiles as the editor builds them, with the pictures' original names.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_fixture.h"
#include "platform/code_page.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

std::string Cp1251(const char* utf8) {
    return Utf8ToCodePage(utf8, TCodePage::Windows1251);
}

class ListTest : public CliTest {};

TEST_F(ListTest, SourcesArePairedWithLinesInNameOrderIgnoringCase) {
    const std::string pack = PackFolder("names");
    // The widths tell which picture a smile holds.
    WriteGif(pack + "/smile1.gif", 11, 9);
    WriteGif(pack + "/Smile2.gif", 12, 9);
    WriteGif(pack + "/smile10.gif", 13, 9);
    WriteGif(pack + "/smile3.gif", 14, 9, 3);
    WriteGif(pack + "/smile4.gif", 15, 9);  // beyond the lines: belongs to no smile
    WriteDefine(pack, "a\r\nb\r\nc\r\nd");
    const auto before = Snapshot(pack);

    const ProgramResult result = Run({"list", pack});
    EXPECT_EQ(result.out,
              "0\tsmile1.gif\t2\t11x9\tok\ta\n"
              "1\tsmile10.gif\t2\t13x9\tok\tb\n"
              "2\tSmile2.gif\t2\t12x9\tok\tc\n"
              "3\tsmile3.gif\t3\t14x9\tok\td\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Snapshot(pack), before);
    EXPECT_TRUE(LeftInTemp().empty());
}

// Pictures that hold each other's canonical names still pair with their lines in name order.
TEST_F(ListTest, PicturesHoldingEachOthersCanonicalNamesPairInNameOrder) {
    const std::string pack = PackFolder("clash");
    WriteGif(pack + "/a.gif", 11, 9);
    WriteGif(pack + "/aa.gif", 12, 9);
    WriteDefine(pack, "x\r\ny");
    EXPECT_EQ(Run({"list", pack}).out,
              "0\ta.gif\t2\t11x9\tok\tx\n"
              "1\taa.gif\t2\t12x9\tok\ty\n");

    const std::string three = PackFolder("clash3");
    WriteGif(three + "/a.gif", 11, 9);
    WriteGif(three + "/aa.gif", 12, 9);
    WriteGif(three + "/ab.gif", 13, 9);
    WriteDefine(three, "x\r\ny\r\nz");
    EXPECT_EQ(Run({"list", three}).out,
              "0\ta.gif\t2\t11x9\tok\tx\n"
              "1\taa.gif\t2\t12x9\tok\ty\n"
              "2\tab.gif\t2\t13x9\tok\tz\n");
}

TEST_F(ListTest, JsonWithEveryStatusAndCyrillicSignatures) {
    const std::string pack = PackFolder("json");
    WriteGif(pack + "/x.gif", 20, 24, 3);
    WriteBytes(pack + "/y.gif", GifBytes(10, 10).substr(0, 40));
    WriteDefine(pack, ":-)," + Cp1251("привет") + ",\"q\"\r\n \r\n" + Cp1251("Ёж") + "\ttab");

    const ProgramResult result = Run({"list", "--json", pack});
    EXPECT_EQ(
        result.out,
        R"j({"kind":"animated","folder":")j" + pack +
            R"j(","smiles":[)j"
            R"j({"index":0,"source":"x.gif","frames":3,"width":20,"height":24,"delays":[100,100,100],"status":"ok","signatures":[":-)","привет","\"q\""]},)j"
            R"j({"index":1,"source":"y.gif","frames":0,"width":0,"height":0,"delays":[],"status":"load-error","signatures":[]},)j"
            R"j({"index":2,"source":null,"frames":0,"width":0,"height":0,"delays":[],"status":"missing","signatures":["Ёж\ttab"]}],)j"
            R"j("counts":{"smiles":3,"load_errors":1,"missing_files":1,"without_signatures":1}})j"
            "\n");
    EXPECT_EQ(result.exitCode, 0);

    EXPECT_EQ(Run({"list", pack}).out,
              "0\tx.gif\t3\t20x24\tok\t:-)\tпривет\t\"q\"\n"
              "1\ty.gif\t0\t0x0\tload-error\n"
              "2\t-\t0\t0x0\tmissing\tЁж\\ttab\n");
}

TEST_F(ListTest, StaticKindAndCodePage) {
    const std::string pack = PackFolder("static");
    WriteBmp(pack + "/one.bmp", 7, 5);
    WriteDefine(pack, "\xE0\xFF");
    EXPECT_EQ(Run({"list", "--static", pack}).out, "0\tone.bmp\t1\t7x5\tok\tая\n");
    EXPECT_EQ(Run({"list", "--static", "--code-page=1252", pack}).out, "0\tone.bmp\t1\t7x5\tok\tàÿ\n");
    EXPECT_EQ(
        Run({"list", "--static", "--json", pack}).out,
        R"j({"kind":"static","folder":")j" + pack +
            R"j(","smiles":[)j"
            R"j({"index":0,"source":"one.bmp","frames":1,"width":7,"height":5,"delays":[100],"status":"ok","signatures":["ая"]}],)j"
            R"j("counts":{"smiles":1,"load_errors":0,"missing_files":0,"without_signatures":0}})j"
            "\n");
}

TEST_F(ListTest, FolderThatCannotBeReadAndUsageErrors) {
    const std::string missing = Work().file("nowhere");
    const ProgramResult result = Run({"list", missing});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "faceloom-pack: cannot read '" + missing + "': no such folder\n");

    const std::string pack = PackFolder("p");
    const ProgramResult two = Run({"list", pack, pack});
    EXPECT_EQ(two.exitCode, 2);
    EXPECT_EQ(two.err, UsageErrorText("list", "unexpected argument '" + pack + "'"));
    EXPECT_TRUE(LeftInTemp().empty());
}

#ifdef FACELOOM_SOURCE_DIR
TEST_F(ListTest, SamplePackOfTheExamples) {
    const std::string pack = std::string(FACELOOM_SOURCE_DIR) + "/examples/sample-pack";
    const auto before = Snapshot(pack);
    const ProgramResult check = Run({"check", pack});
    EXPECT_EQ(check.out, pack +
                             "\n  smiles: 40\n  load errors: 0\n  missing files: 0\n  without signatures: 0\n"
                             "  duplicate signatures: 0\n");
    EXPECT_EQ(check.exitCode, 0);

    const ProgramResult list = Run({"list", pack});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 40) << list.out;
    EXPECT_EQ(list.out.substr(0, list.out.find('\n') + 1),
              "0\t01-smile.gif\t4\t19x19\tok\t:-)\t:)\tулыбка\tsmile\n");
    EXPECT_NE(list.out.find("\n37\t38-rofl.gif\t8\t40x40\tok\t*ROFL*\tваляюсь\trofl\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("\n38\t39-lol.gif\t4\t48x24\tok\tLOL\tржу не могу\tlaughing out loud\n"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(Snapshot(pack), before);
}
#endif

}  // namespace
}  // namespace faceloom::test
