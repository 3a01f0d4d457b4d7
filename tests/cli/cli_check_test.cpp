// faceloom-pack check: exact counts, exit statuses, and that nothing is left or changed.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "platform/code_page.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

std::string Cp1251(const char* utf8) {
    return Utf8ToCodePage(utf8, TCodePage::Windows1251);
}

std::string CheckBlock(const std::string& folder, int smiles, int loadErrors, int missing, int noSignatures,
                       int duplicates) {
    return folder + "\n  smiles: " + std::to_string(smiles) +
           "\n  load errors: " + std::to_string(loadErrors) +
           "\n  missing files: " + std::to_string(missing) +
           "\n  without signatures: " + std::to_string(noSignatures) +
           "\n  duplicate signatures: " + std::to_string(duplicates) + "\n";
}

// A GIF cut short: the decoder fails on it.
std::string CorruptGif() {
    return GifBytes(10, 10, 2, 1).substr(0, 40);
}

class CheckTest : public CliTest {};

TEST_F(CheckTest, CleanPackHasZeroCountsAndExitsZeroLeavingNothingBehind) {
    const std::string pack = PackFolder("clean");
    WriteGif(pack + "/b.gif", 11, 12);
    WriteGif(pack + "/a.gif", 12, 12, 3, 2);
    WriteDefine(pack, ":-),:)\r\n;-)");
    const auto before = Snapshot(pack);

    const ProgramResult result = Run({"check", pack});
    EXPECT_EQ(result.out, CheckBlock(pack, 2, 0, 0, 0, 0));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Snapshot(pack), before);
    EXPECT_TRUE(LeftInTemp().empty());
}

TEST_F(CheckTest, CountsLoadErrorsMissingFilesAndSmilesWithoutSignatures) {
    const std::string pack = PackFolder("broken");
    WriteGif(pack + "/1.gif", 11, 12);
    WriteBytes(pack + "/2.gif", CorruptGif());
    WriteGif(pack + "/3.gif", 13, 12);
    WriteGif(pack + "/4.GIF", 14, 12);
    WriteBytes(pack + "/5.bmp", BmpBytes(4, 4));  // not a picture of an animated pack
    // Five lines for four pictures: the last smile has no picture.
    WriteDefine(pack, "a\r\nb\r\n \r\nd\r\ne");
    const auto before = Snapshot(pack);

    const ProgramResult result = Run({"check", "--animated", pack});
    EXPECT_EQ(result.out, CheckBlock(pack, 5, 1, 1, 1, 0));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Snapshot(pack), before);
    EXPECT_TRUE(LeftInTemp().empty());
}

TEST_F(CheckTest, DuplicateSignaturesDifferingInLatinAndCyrillicLetterCase) {
    const std::string pack = PackFolder("dups");
    for (int i = 0; i < 3; ++i) WriteGif(pack + "/" + std::to_string(i) + ".gif", 10 + i, 10);
    // :-P/:-p, привет/ПРИВЕТ, and xd three times (twice in one smile): 1 + 1 + 2.
    WriteDefine(pack, ":-P," + Cp1251("привет") + "\r\n:-p," + Cp1251("ПРИВЕТ") + ",XD\r\nxd,Xd,:-)");

    const ProgramResult result = Run({"check", pack});
    EXPECT_EQ(result.out, CheckBlock(pack, 3, 0, 0, 0, 4));
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(CheckTest, DuplicatesAreComparedInTheCodePageAsked) {
    const std::string pack = PackFolder("cp");
    WriteGif(pack + "/a.gif", 10, 10);
    // 0xC0 and 0xE0 are one letter in either code page; 0xDF and 0xFF only in Windows-1251
    // (Я/я), not in Windows-1252 (ß/ÿ).
    WriteDefine(pack, "\xC0,\xE0,\xDF,\xFF");

    EXPECT_EQ(Run({"check", pack}).out, CheckBlock(pack, 1, 0, 0, 0, 2));
    EXPECT_EQ(Run({"check", "--code-page", "windows-1252", pack}).out, CheckBlock(pack, 1, 0, 0, 0, 1));
}

TEST_F(CheckTest, FolderThatCannotBeReadIsReportedAndTheOthersAreStillChecked) {
    const std::string good = PackFolder("good");
    WriteGif(good + "/a.gif", 10, 10);
    WriteDefine(good, ":-)");
    const std::string bad = PackFolder("bad");
    WriteDefine(bad, ":-(");
    const std::string missing = Work().file("no-such-pack");
    const std::string file = Work().file("file.txt");
    WriteBytes(file, "x");

    const ProgramResult result = Run({"check", good, missing, bad, file});
    EXPECT_EQ(result.out, CheckBlock(good, 1, 0, 0, 0, 0) + CheckBlock(bad, 1, 0, 1, 0, 0));
    EXPECT_EQ(result.err, "faceloom-pack: cannot read '" + missing + "': no such folder\n" +
                              "faceloom-pack: '" + bad +
                              "': no smile has a picture; is it a static pack (--static)?\n" +
                              "faceloom-pack: cannot read '" + file + "': not a folder\n");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(LeftInTemp().empty());
}

TEST_F(CheckTest, ExitStatusOneWhenOnlyPackErrors) {
    const std::string good = PackFolder("good");
    WriteGif(good + "/a.gif", 10, 10);
    WriteDefine(good, ":-)");
    const std::string noSignature = PackFolder("nosig");
    WriteGif(noSignature + "/a.gif", 10, 10);
    WriteDefine(noSignature, " ");

    const ProgramResult result = Run({"check", good, noSignature, good});
    EXPECT_EQ(result.out, CheckBlock(good, 1, 0, 0, 0, 0) + CheckBlock(noSignature, 1, 0, 0, 1, 0) +
                              CheckBlock(good, 1, 0, 0, 0, 0));
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(CheckTest, StaticPackOfBitmaps) {
    const std::string pack = PackFolder("static");
    WriteBmp(pack + "/a.bmp", 10, 12);
    WriteBmp(pack + "/b.BMP", 11, 12, 3);
    WriteGif(pack + "/c.gif", 10, 10);
    WriteDefine(pack, "x\r\ny");

    const ProgramResult asStatic = Run({"check", "--static", pack});
    EXPECT_EQ(asStatic.out, CheckBlock(pack, 2, 0, 0, 0, 0));
    EXPECT_EQ(asStatic.err, "");
    EXPECT_EQ(asStatic.exitCode, 0);

    // As an animated pack only c.gif is a picture: it pairs with line 1.
    const ProgramResult asAnimated = Run({"check", pack});
    EXPECT_EQ(asAnimated.out, CheckBlock(pack, 2, 0, 1, 0, 0));
    EXPECT_EQ(asAnimated.exitCode, 1);
}

TEST_F(CheckTest, FolderWithoutDefinitionIsAnEmptyPack) {
    const std::string pack = PackFolder("empty");
    WriteGif(pack + "/a.gif", 10, 10);

    const ProgramResult result = Run({"check", pack});
    EXPECT_EQ(result.out, CheckBlock(pack, 0, 0, 0, 0, 0));
    EXPECT_EQ(result.err,
              "faceloom-pack: '" + pack + "': the pack has no smiles (no _define.ini, or an empty one)\n");
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(CheckTest, UsageErrorsExitTwoWithoutTouchingAnything) {
    const std::string pack = PackFolder("p");
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"check"}, UsageErrorText("check", "missing FOLDER")},
        {{"check", "--static", "--animated", pack},
         UsageErrorText("check", "--static and --animated exclude each other")},
        {{"check", "--code-page", "koi8-r", pack},
         UsageErrorText("check", "unknown code page 'koi8-r' (known: windows-1251, windows-1252)")},
        {{"check", "--json", pack}, UsageErrorText("check", "--json needs --deep")},
        {{"check", pack, "--code-page"}, UsageErrorText("check", "option '--code-page' needs a value")},
        {{"frobnicate"}, "faceloom-pack: unknown command 'frobnicate'\nTry 'faceloom-pack --help'.\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args.back();
        EXPECT_EQ(result.out, "") << c.args.back();
        EXPECT_EQ(result.err, c.err) << c.args.back();
    }
    EXPECT_TRUE(LeftInTemp().empty());
}

TEST_F(CheckTest, HelpOfEveryCommand) {
    for (const std::string command : {"check", "list", "frames", "strings", "compile-lang"}) {
        const ProgramResult result = Run({command, "--help"});
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_EQ(result.err, "") << command;
        EXPECT_EQ(result.out.rfind("Usage: faceloom-pack " + command + " ", 0), 0u) << result.out;
        EXPECT_NE(result.out.find("Exit status:"), std::string::npos) << command;
        // -h and "help COMMAND" say the same; --help wins over everything else on the line.
        EXPECT_EQ(Run({command, "-h"}).out, result.out);
        EXPECT_EQ(Run({"help", command}).out, result.out);
        EXPECT_EQ(Run({command, "no-such-folder", "--help"}).out, result.out);
    }
    const std::string checkHelp = Run({"check", "--help"}).out;
    EXPECT_NE(checkHelp.find("times counts 2"), std::string::npos) << checkHelp;

    const ProgramResult main = Run({"--help"});
    EXPECT_EQ(main.exitCode, 0);
    for (const char* command :
         {"\n  check ", "\n  list ", "\n  frames ", "\n  strings ", "\n  compile-lang "}) {
        EXPECT_NE(main.out.find(command), std::string::npos) << command;
    }
    const ProgramResult bare = Run({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_EQ(bare.out, "");
    EXPECT_EQ(bare.err, main.out);
}

}  // namespace
}  // namespace faceloom::test
