// Unit tests of the output pieces: JSON, escaping, argument parsing, report formats and the
// duplicate count.
#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "cli/json_writer.h"
#include "cli/pack_report.h"
#include "cli/report_format.h"
#include "cli/text_escape.h"
#include "platform/code_page.h"

namespace faceloom::cli {
namespace {

TEST(JsonStringTest, EscapesQuotesBackslashesAndControlCharacters) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001F\\u007F\"");
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
    EXPECT_EQ(JsonString("/<>'"), "\"/<>'\"");
}

TEST(JsonStringTest, KeepsUtf8AndReplacesInvalidBytes) {
    EXPECT_EQ(JsonString("привет"), "\"привет\"");
    // A lone Windows-1251 byte (a file name from an old archive) is not UTF-8.
    EXPECT_EQ(JsonString("x\xEF.gif"), "\"x\xEF\xBF\xBD.gif\"");
}

TEST(JsonWriterTest, PlacesCommasInNestedObjectsAndArrays) {
    TJsonWriter json;
    json.BeginObject();
    json.Key("a").Number(-1);
    json.Key("b").BeginArray().Null().Bool(true).BeginObject().EndObject().BeginArray().EndArray().EndArray();
    json.Key("c").IntArray({});
    json.Key("d").StringArray({"x", "y"});
    json.Key("e").BeginObject().Key("f").String("g").EndObject();
    json.EndObject();
    EXPECT_EQ(json.Text(), R"j({"a":-1,"b":[null,true,{},[]],"c":[],"d":["x","y"],"e":{"f":"g"}})j");
}

TEST(EscapeLineTest, EscapesLineEndsTabsAndBackslashesOnly) {
    EXPECT_EQ(EscapeLine("a\nb\rc\td\\e"), "a\\nb\\rc\\td\\\\e");
    EXPECT_EQ(EscapeLine("\\n"), "\\\\n");
    EXPECT_EQ(EscapeLine("\"quoted\" ok"), "\"quoted\" ok");
}

const std::vector<TOptionSpec> kSpecs = {{"--json", false}, {"--out", true}, {"--help", false}};

TEST(ParseArgsTest, TakesOptionsAnywhereAndBothValueForms) {
    TParsedArgs args = ParseArgs({"a", "--json", "--out", "dir1", "b", "--out=dir2"}, kSpecs);
    EXPECT_EQ(args.Positionals, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(args.Has("--json"));
    EXPECT_EQ(args.Value("--out"), "dir2");
    EXPECT_FALSE(args.Has("--help"));
}

TEST(ParseArgsTest, DoubleDashEndsOptionsAndDashAloneIsPositional) {
    TParsedArgs args = ParseArgs({"-", "--", "--json", "-h"}, kSpecs);
    EXPECT_EQ(args.Positionals, (std::vector<std::string>{"-", "--json", "-h"}));
    EXPECT_FALSE(args.Has("--json"));
    EXPECT_TRUE(ParseArgs({"-h"}, kSpecs).Has("--help"));
}

TEST(ParseArgsTest, RejectsWhatItCannotUse) {
    EXPECT_THROW(ParseArgs({"--jsn"}, kSpecs), EUsageError);
    EXPECT_THROW(ParseArgs({"-x"}, kSpecs), EUsageError);
    EXPECT_THROW(ParseArgs({"--json=1"}, kSpecs), EUsageError);
    EXPECT_THROW(ParseArgs({"--out"}, kSpecs), EUsageError);
    try {
        ParseArgs({"a", "--bogus"}, kSpecs);
        FAIL();
    } catch (const EUsageError& error) {
        EXPECT_STREQ(error.what(), "unknown option '--bogus'");
    }
}

TEST(ParseArgsTest, KindAndCodePage) {
    const std::vector<TOptionSpec> specs = {
        {"--static", false}, {"--animated", false}, {"--code-page", true}};
    EXPECT_EQ(PackKindOf(ParseArgs({}, specs)), 1);
    EXPECT_EQ(PackKindOf(ParseArgs({"--static"}, specs)), 0);
    EXPECT_EQ(PackKindOf(ParseArgs({"--animated"}, specs)), 1);
    EXPECT_THROW(PackKindOf(ParseArgs({"--static", "--animated"}, specs)), EUsageError);
    EXPECT_EQ(CodePageOf(ParseArgs({}, specs)), TCodePage::Windows1251);
    EXPECT_EQ(CodePageOf(ParseArgs({"--code-page=cp1252"}, specs)), TCodePage::Windows1252);
    EXPECT_THROW(CodePageOf(ParseArgs({"--code-page", "koi8-r"}, specs)), EUsageError);
}

// Signature bytes as the pack file holds them.
std::string Cp1251(const char* utf8) {
    return Utf8ToCodePage(utf8, TCodePage::Windows1251);
}

TSmileReport Smile(int index, std::vector<std::string> signatures) {
    TSmileReport smile;
    smile.Index = index;
    smile.Signatures = std::move(signatures);
    return smile;
}

TEST(DuplicateSignaturesTest, CountsEveryOccurrenceAfterTheFirstIgnoringCase) {
    std::vector<TSmileReport> smiles = {
        Smile(0, {":-P", Cp1251("Привет"), "abc"}),
        Smile(1, {":-p", Cp1251("ПРИВЕТ")}),
        Smile(2, {Cp1251("привет"), ":-P", ":-P"}),
    };
    // :-P x4 -> 3, привет x3 -> 2, abc once -> 0.
    EXPECT_EQ(CountDuplicateSignatures(smiles, TCodePage::Windows1251), 5);
}

TEST(DuplicateSignaturesTest, SpacesAndOtherSymbolsMakeSignaturesDifferent) {
    std::vector<TSmileReport> smiles = {Smile(0, {":-)", ":-) ", " :-)", ":-))"}), Smile(1, {})};
    EXPECT_EQ(CountDuplicateSignatures(smiles, TCodePage::Windows1251), 0);
    // "ё" and "е" are different letters, "Ё" and "ё" the same one.
    smiles[1].Signatures = {Cp1251("ёж"), Cp1251("еж"), Cp1251("ЁЖ")};
    EXPECT_EQ(CountDuplicateSignatures(smiles, TCodePage::Windows1251), 1);
}

TPackReport SampleReport() {
    TPackReport report;
    report.Folder = "packs/Mine";
    report.Kind = 1;
    TSmileReport ok = Smile(0, {":-)", Cp1251("улыбка")});
    ok.Source = "x.gif";
    ok.Status = TSmileStatus::Ok;
    ok.Frames = 2;
    ok.Width = 20;
    ok.Height = 24;
    ok.Delays = {2000, 150};
    TSmileReport broken = Smile(1, {"a\tb"});
    broken.Source = "y.gif";
    broken.Status = TSmileStatus::LoadError;
    TSmileReport missing = Smile(2, {});
    missing.Status = TSmileStatus::Missing;
    report.Smiles = {ok, broken, missing};
    report.LoadErrors = 1;
    report.MissingFiles = 1;
    report.WithoutSignatures = 1;
    report.DuplicateSignatures = 4;
    return report;
}

TEST(ReportFormatTest, CheckBlock) {
    EXPECT_EQ(FormatCheck(SampleReport()),
              "packs/Mine\n"
              "  smiles: 3\n"
              "  load errors: 1\n"
              "  missing files: 1\n"
              "  without signatures: 1\n"
              "  duplicate signatures: 4\n");
}

TEST(ReportFormatTest, ListTextHasOneTabSeparatedLinePerSmile) {
    EXPECT_EQ(FormatListText(SampleReport(), TCodePage::Windows1251),
              "0\tx.gif\t2\t20x24\tok\t:-)\tулыбка\n"
              "1\ty.gif\t0\t0x0\tload-error\ta\\tb\n"
              "2\t-\t0\t0x0\tmissing\n");
    EXPECT_EQ(FormatListText(TPackReport{}, TCodePage::Windows1251), "");
}

TEST(ReportFormatTest, ListJson) {
    EXPECT_EQ(
        FormatListJson(SampleReport(), TCodePage::Windows1251),
        R"j({"kind":"animated","folder":"packs/Mine","smiles":[)j"
        R"j({"index":0,"source":"x.gif","frames":2,"width":20,"height":24,"delays":[2000,150],"status":"ok","signatures":[":-)","улыбка"]},)j"
        R"j({"index":1,"source":"y.gif","frames":0,"width":0,"height":0,"delays":[],"status":"load-error","signatures":["a\tb"]},)j"
        R"j({"index":2,"source":null,"frames":0,"width":0,"height":0,"delays":[],"status":"missing","signatures":[]}],)j"
        R"j("counts":{"smiles":3,"load_errors":1,"missing_files":1,"without_signatures":1}})j"
        "\n");
    TPackReport empty;
    empty.Kind = 0;
    empty.Folder = "e";
    EXPECT_EQ(
        FormatListJson(empty, TCodePage::Windows1251),
        R"j({"kind":"static","folder":"e","smiles":[],"counts":{"smiles":0,"load_errors":0,"missing_files":0,"without_signatures":0}})j"
        "\n");
}

TEST(ReportFormatTest, SignaturesFollowTheCodePage) {
    TPackReport report;
    report.Smiles = {Smile(0, {"\xE0\xEF"})};
    EXPECT_EQ(FormatListText(report, TCodePage::Windows1251), "0\t-\t0\t0x0\tmissing\tап\n");
    EXPECT_EQ(FormatListText(report, TCodePage::Windows1252), "0\t-\t0\t0x0\tmissing\tàï\n");
}

TEST(ReportFormatTest, FramesJson) {
    EXPECT_EQ(FormatFramesJson(20, 24, {2000, 150, 10}, {8, 8, 32}),
              R"j({"frames":3,"width":20,"height":24,"delays":[2000,150,10],"depth":[8,8,32]})j"
              "\n");
}

}  // namespace
}  // namespace faceloom::cli
