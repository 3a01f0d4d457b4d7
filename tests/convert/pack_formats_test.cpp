#include "convert/pack_formats.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace faceloom {
namespace {

using test::TempDir;
using Lines = std::vector<std::string>;

std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A set of files in memory: (path, content).
std::unique_ptr<TFileSet> Set(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> entries;
    for (const auto& [path, text] : files) entries.emplace_back(path, Bytes(text));
    return TFileSet::FromFiles(std::move(entries));
}

// One line per smile: "name|bytes|code code ..." (a "*" after the name: codes from the name).
Lines Summary(const TForeignPack& pack) {
    Lines lines;
    for (const TForeignSmile& smile : pack.Smiles) {
        std::string line = smile.Name + (smile.CodesFromName ? "*" : "") + "|" +
                           std::string(smile.Bytes.begin(), smile.Bytes.end()) + "|";
        for (size_t i = 0; i < smile.Codes.size(); ++i) line += (i ? " " : "") + smile.Codes[i];
        lines.push_back(line);
    }
    return lines;
}

Lines NoteLines(const TImportNotes& notes) {
    Lines lines;
    for (const TImportNote& note : notes) {
        std::string line = ImportNoteKindName(note.Kind);
        for (const std::string& param : note.Params) line += " " + param;
        lines.push_back(line);
    }
    return lines;
}

std::set<std::string> Tree(const std::filesystem::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        files.insert(std::filesystem::relative(entry.path(), folder).string());
    }
    return files;
}

TEST(PackFormats, NamesParseBack) {
    for (const TPackFormat format : {TPackFormat::Pictures, TPackFormat::Zip, TPackFormat::Pidgin,
                                     TPackFormat::Freedesktop, TPackFormat::Psi}) {
        TPackFormat parsed = TPackFormat::Pictures;
        EXPECT_TRUE(ParsePackFormat(PackFormatName(format), parsed));
        EXPECT_EQ(parsed, format);
    }
    TPackFormat parsed = TPackFormat::Zip;
    EXPECT_TRUE(ParsePackFormat("Pidgin", parsed));
    EXPECT_EQ(parsed, TPackFormat::Pidgin);
    EXPECT_FALSE(ParsePackFormat("kopete", parsed));
}

TEST(PackFormats, DetectedByTheIndexAtTheTopOrInTheOnlySubFolder) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> files;
        TPackFormat format;
    };
    const Case cases[] = {
        {{{"theme", ""}, {"a.png", ""}}, TPackFormat::Pidgin},
        {{{"Emoticons.XML", ""}}, TPackFormat::Freedesktop},
        {{{"icondef.xml", ""}}, TPackFormat::Psi},
        {{{"_DEFINE.ini", ""}, {"aa.gif", ""}}, TPackFormat::Zip},
        {{{"MyTheme/theme", ""}, {"MyTheme/a.png", ""}, {"__MACOSX/MyTheme/._theme", ""}},
         TPackFormat::Pidgin},
        {{{"readme.txt", ""}, {"set/icondef.xml", ""}}, TPackFormat::Psi},  // top files do not count
        {{{"one/theme", ""}, {"two/a.png", ""}}, TPackFormat::Pictures},    // two sub-folders: no theme
        {{{"a/b/theme", ""}}, TPackFormat::Pictures},                       // deeper is not looked at
        {{{"a.gif", ""}, {"b.gif", ""}}, TPackFormat::Pictures},
        {{}, TPackFormat::Pictures},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectPackFormat(*Set(c.files)), c.format)
            << c.files.size() << " files, first " << (c.files.empty() ? "" : c.files[0].first);
    }
}

TEST(PackFormats, PidginThemeFollowsPidginsRules) {
    const std::string theme =
        "# a comment line\n"
        "Name=Our smiles\n"
        "Description=Smiles to test\n"
        "Icon=smile.png\n"
        "Author=Someone\n"
        "before.png :before\n"  // before any section: Pidgin skips it
        "[default]\r\n"
        "smile.png  :)\t:-)\r\n"
        "! hidden.png :secret\n"  // hidden: still a smiley
        "wink.png ;) :)\n"        // a code of two pictures: each keeps it
        "esc.png a\\ b c\\\\d\n"  // escapes: a space and a backslash
        "missing.png :gone\n"
        "nocodes.png\n"
        "\n"
        "[XMPP]\n"
        "smile.png :) :smile:\n"  // the same picture again: codes join its first entry
        "SMILE.PNG :S\n";
    const auto files = Set({{"theme", theme},
                            {"smile.png", "S"},
                            {"hidden.png", "H"},
                            {"wink.png", "W"},
                            {"esc.png", "E"},
                            {"before.png", "B"},
                            {"nocodes.png", "N"}});
    const TForeignPack pack = ReadForeignPack(*files, TPackFormat::Pidgin);
    EXPECT_EQ(pack.Title, "Our smiles");
    EXPECT_EQ(Summary(pack), (Lines{"smile.png|S|:) :-) :smile: :S", "hidden.png|H|:secret",
                                    "wink.png|W|;) :)", "esc.png|E|a b c\\d", "nocodes.png*|N|"}));
    EXPECT_EQ(NoteLines(pack.Notes), (Lines{"missing-file missing.png"}));
}

TEST(PackFormats, FreedesktopThemeTriesExtensionsAndKeepsWhatCameBeforeBrokenXml) {
    const std::string xml =
        "<?xml version=\"1.0\"?>\n"
        "<messaging-emoticon-map version=\"1.0\">\n"
        " <emoticon file=\"smile\"><string>:)</string><string>:-)</string></emoticon>\n"
        " <emoticon file=\"heart.gif\"><string>&lt;3</string><string>:)</string></emoticon>\n"
        " <emoticon file=\"vector\"><string>:v</string></emoticon>\n"
        " <emoticon file=\"gone\"><string>:g</string></emoticon>\n"
        " <emoticon file=\"smile\"><string>:))</string></emoticon>\n"
        "</messaging-emoticon-map>\n";
    const auto files = Set({{"Kopete/emoticons.xml", xml},
                            {"Kopete/smile.png", "S"},
                            {"Kopete/heart.gif", "H"},
                            {"Kopete/vector.svg", "<svg/>"}});
    const TForeignPack pack = ReadForeignPack(*files, TPackFormat::Freedesktop);
    EXPECT_EQ(pack.Title, "Kopete");
    EXPECT_EQ(Summary(pack), (Lines{"Kopete/smile.png|S|:) :-) :))", "Kopete/heart.gif|H|<3 :)"}));
    EXPECT_EQ(NoteLines(pack.Notes), (Lines{"not-a-picture Kopete/vector.svg", "missing-file Kopete/gone"}));

    // Cut inside the second emoticon: the first is imported, the fault is told with its line.
    const auto broken =
        Set({{"emoticons.xml", xml.substr(0, xml.find("<string>&lt;3"))}, {"smile.png", "S"}});
    const TForeignPack partial = ReadForeignPack(*broken, TPackFormat::Freedesktop);
    EXPECT_EQ(Summary(partial), (Lines{"smile.png|S|:) :-)"}));
    EXPECT_EQ(NoteLines(partial.Notes), (Lines{"broken-index emoticons.xml no element found, line 4"}));

    // Nesting far beyond any theme stops the reading before the tree grows deep.
    std::string deep = "<messaging-emoticon-map>";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    const TForeignPack nested = ReadForeignPack(*Set({{"emoticons.xml", deep}}), TPackFormat::Freedesktop);
    EXPECT_EQ(NoteLines(nested.Notes), (Lines{"broken-index emoticons.xml 64 levels deep"}));
}

TEST(PackFormats, PsiIconSetTakesTheImageObjectOfEachIcon) {
    const std::string icondef =
        "<?xml version='1.0' encoding='UTF-8'?>\n"
        "<icondef>\n"
        " <meta><name> Psi smiles </name><author>Someone</author></meta>\n"
        " <icon>\n"
        "  <text>:-)</text><text xml:lang='ru'>:)</text><text>:-)</text>\n"
        "  <object mime='audio/x-wav'>smile.wav</object>\n"
        "  <object mime='image/png'>\n   smile.png\n  </object>\n"
        " </icon>\n"
        " <icon><text>;)</text><object>wink.gif</object></icon>\n"  // an old set: no type
        " <icon><text>:sound</text><object mime='audio/x-wav'>smile.wav</object></icon>\n"
        " <icon><text>:x</text><object mime='image/gif'>../outside.gif</object></icon>\n"
        "</icondef>\n";
    const auto files =
        Set({{"icondef.xml", icondef}, {"smile.png", "S"}, {"smile.wav", "RIFF"}, {"wink.gif", "W"}});
    const TForeignPack pack = ReadForeignPack(*files, TPackFormat::Psi);
    EXPECT_EQ(pack.Title, "Psi smiles");
    EXPECT_EQ(Summary(pack), (Lines{"smile.png|S|:-) :)", "wink.gif|W|;)"}));
    EXPECT_EQ(NoteLines(pack.Notes), (Lines{"missing-file ../outside.gif"}));
}

TEST(PackFormats, OurZipPairsLinesWithPicturesAsTheEditorDoes) {
    // Windows-1251: "Привет" as a signature.
    const std::string define = ":-),:),:-)\r\n;-)\r\n \r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n:lost";
    const auto files = Set({{"Pack/_define.ini", define},
                            {"Pack/x.gif", "X"},
                            {"Pack/Y.gif", "Y"},
                            {"Pack/a10.gif", "A"},
                            {"Pack/b.bmp", "B"},            // not of the pack's kind
                            {"Pack/sub/aa.gif", "nested"},  // not beside the definition
                            {"Pack/readme.txt", "text"},
                            {"Pack/z.gif", "Z"}});
    const TForeignPack pack = ReadForeignPack(*files, TPackFormat::Zip);
    EXPECT_EQ(pack.Title, "Pack");
    // Name order without regard to case: a10, x, Y, z.
    EXPECT_EQ(Summary(pack),
              (Lines{"Pack/a10.gif|A|:-) :)", "Pack/x.gif|X|;-)", "Pack/Y.gif|Y|", "Pack/z.gif|Z|Привет"}));
    EXPECT_EQ(NoteLines(pack.Notes), (Lines{"missing-file Pack/_define.ini:5"}));

    // A zip of BMPs is a static pack.
    const auto statics = Set({{"_define.ini", "a\r\nb"}, {"2.bmp", "2"}, {"10.bmp", "1"}, {"x.gif", "x"}});
    EXPECT_EQ(Summary(ReadForeignPack(*statics, TPackFormat::Zip)), (Lines{"10.bmp|1|a", "2.bmp|2|b"}));
}

TEST(PackFormats, PicturesAreEveryPictureFileInNaturalOrder) {
    const auto files = Set({{"b10.png", "10"},
                            {"b2.PNG", "2"},
                            {"readme.txt", "text"},
                            {"__MACOSX/._b2.png", "fork"},
                            {"sub/c.jpeg", "c"},
                            {"d.webp", "d"}});
    const TForeignPack pack = ReadForeignPack(*files, TPackFormat::Pictures);
    EXPECT_EQ(Summary(pack), (Lines{"b2.PNG*|2|", "b10.png*|10|", "d.webp*|d|", "sub/c.jpeg*|c|"}));
    EXPECT_TRUE(pack.Notes.empty());
}

TExportPack SamplePack() {
    TExportPack pack;
    pack.Title = "Sample";
    pack.Smiles = {
        {"aa.gif", Bytes("GIF89a first"), {":-)", ":)", "Привет"}},
        {"ab.gif", Bytes(std::string("GIF89a\0second", 13)), {"<3&\"'", "a b", "\\o/", "#1"}},
        {"ac.gif", Bytes("GIF89a third"), {}},
        {"ad.gif", Bytes("GIF89a fourth"), {";-)"}},
    };
    return pack;
}

// Written in a format and read back: the same smiles in the same order, with the same codes
// and the same bytes, from a folder and from a zip.
TEST(PackFormats, RoundTripsThroughEveryWrittenFormat) {
    for (const TPackFormat format : {TPackFormat::Zip, TPackFormat::Pidgin, TPackFormat::Freedesktop}) {
        for (const char* out : {"out", "out.zip", "deeper/Named.zip"}) {
            SCOPED_TRACE(std::string(PackFormatName(format)) + " to " + out);
            TempDir dir;
            const TExportPack pack = SamplePack();
            WriteForeignPack(pack, format, dir.file(out));
            TImportNotes notes;
            const auto files = TFileSet::FromPath(dir.file(out), {}, notes);
            EXPECT_EQ(DetectPackFormat(*files), format);
            const TForeignPack read = ReadForeignPack(*files, format);
            EXPECT_TRUE(notes.empty());
            EXPECT_TRUE(read.Notes.empty()) << NoteLines(read.Notes).front();
            ASSERT_EQ(read.Smiles.size(), pack.Smiles.size());
            for (size_t i = 0; i < pack.Smiles.size(); ++i) {
                EXPECT_EQ(read.Smiles[i].Codes, pack.Smiles[i].Codes) << i;
                EXPECT_EQ(read.Smiles[i].Bytes, pack.Smiles[i].Bytes) << i;
                // A smile of ours without signatures has none; a theme cannot say so.
                EXPECT_EQ(read.Smiles[i].CodesFromName,
                          format != TPackFormat::Zip && pack.Smiles[i].Codes.empty());
            }
            if (format == TPackFormat::Pidgin) {
                EXPECT_EQ(read.Title, "Sample");
            }
            // Nothing but the pack is left beside it.
            const std::filesystem::path written(dir.file(out));
            EXPECT_EQ(Tree(written.parent_path()).count(written.filename().string()), 1u);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(written.parent_path()), {}), 1);
        }
    }
}

TEST(PackFormats, CodesAFormatCannotHoldAreLeftOutOfItAlone) {
    TExportPack pack;
    const std::string longCode(64, 'x');  // Pidgin splits codes beyond 63 bytes
    pack.Smiles = {{"aa.gif", Bytes("A"), {longCode, "ctrl\x01", ":)"}}};
    struct Case {
        TPackFormat format;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {TPackFormat::Pidgin, {"ctrl\x01", ":)"}},
        {TPackFormat::Freedesktop, {longCode, ":)"}},  // XML holds no control characters
        {TPackFormat::Zip, {longCode, "ctrl\x01", ":)"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteForeignPack(pack, c.format, dir.file("out"));
        TImportNotes notes;
        // Our zip is a zip whatever its name; the themes are folders.
        EXPECT_EQ(ReadForeignPack(*TFileSet::FromPath(dir.file("out"), TArchiveLimits(), notes), c.format)
                      .Smiles.at(0)
                      .Codes,
                  c.codes)
            << PackFormatName(c.format);
    }
}

TEST(PackFormats, ExportRefusesWhatIsThereAndWritesNothing) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "full");
    test::WriteBytes(dir.path() / "full" / "keep.txt", "mine");
    std::filesystem::create_directories(dir.path() / "empty");
    test::WriteBytes(dir.path() / "taken.zip", "old");
    const std::set<std::string> before = Tree(dir.path());
    const TExportPack pack = SamplePack();
    const auto named = [&](std::vector<std::string> names) {
        TExportPack other = pack;
        for (size_t i = 0; i < names.size(); ++i) other.Smiles[i].FileName = names[i];
        return other;
    };
    struct Case {
        std::string out;
        TPackFormat format;
        TExportPack pack;
    };
    // clang-format off
    const Case refused[] = {
        {dir.file("full"), TPackFormat::Pidgin, pack},
        {dir.file("full/"), TPackFormat::Zip, pack},
        {dir.file("taken.zip"), TPackFormat::Zip, pack},
        {dir.file("new.zip"), TPackFormat::Psi, pack},                          // read only
        {dir.file("pics"), TPackFormat::Pictures, pack},
        {dir.file("new"), TPackFormat::Pidgin, named({"../up.gif"})},           // out of the folder
        {dir.file("new"), TPackFormat::Freedesktop, named({"emoticons.xml"})},  // the index's name
        {dir.file("new"), TPackFormat::Pidgin, named({"aa.gif", "AA.gif"})},    // one name on Windows
        {dir.file("new.zip"), TPackFormat::Zip, named({"aa.png"})},             // would not pair
    };
    // clang-format on
    for (const Case& c : refused) {
        EXPECT_THROW(WriteForeignPack(c.pack, c.format, c.out), std::runtime_error) << c.out;
    }
    EXPECT_EQ(Tree(dir.path()), before);
    EXPECT_EQ(test::ReadBytes(dir.path() / "taken.zip"), "old");

    // An empty folder is taken; the new one is the user's, as open as the umask allows.
    const mode_t oldMask = ::umask(022);
    WriteForeignPack(pack, TPackFormat::Freedesktop, dir.file("empty"));
    ::umask(oldMask);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "empty" / "emoticons.xml"));
    EXPECT_EQ(std::filesystem::status(dir.path() / "empty").permissions(), std::filesystem::perms(0755));

    // Pictures whose names would pair in another order go into a zip of ours by canonical names.
    WriteForeignPack(named({"z.gif", "y.gif", "x.gif", "w.gif"}), TPackFormat::Zip, dir.file("renamed.zip"));
    TImportNotes notes;
    const TForeignPack back =
        ReadForeignPack(*TFileSet::FromZip(dir.file("renamed.zip"), {}, notes), TPackFormat::Zip);
    EXPECT_EQ(Summary(back).front(), "aa.gif|GIF89a first|:-) :) Привет");
    EXPECT_EQ(back.Smiles.at(3).Name, "ad.gif");
}

TEST(PackFormats, PackFolderReadAsTheEditorPairsIt) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "Мой пак";
    std::filesystem::create_directories(folder / "History");
    test::WriteBytes(folder / "_DEFINE.INI", "one,uno\r\n \r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\nfour");
    test::WriteBytes(folder / "2.gif", "two");
    test::WriteBytes(folder / "10.gif", "ten");
    test::WriteBytes(folder / "1.gif", "one");
    test::WriteBytes(folder / "x.bmp", "bmp");
    test::WriteBytes(folder / "History" / "k1.gif", "kept by the history");

    const TExportPack pack = ReadPackFolder(folder.string());
    EXPECT_EQ(pack.Title, "Мой пак");
    EXPECT_EQ(pack.Kind, 1);
    EXPECT_EQ(test::ReadBytes(folder / "_DEFINE.INI"),
              std::string(pack.DefineBytes.begin(), pack.DefineBytes.end()));
    Lines smiles;
    for (const TExportSmile& smile : pack.Smiles) {
        std::string line = smile.FileName + "|" + std::string(smile.Bytes.begin(), smile.Bytes.end()) + "|";
        for (const std::string& code : smile.Codes) line += code + " ";
        smiles.push_back(line);
    }
    // Name order 1, 10, 2; the fourth line has no picture.
    EXPECT_EQ(smiles, (Lines{"1.gif|one|one uno ", "10.gif|ten|", "2.gif|two|Привет ", "||four "}));

    // The zip of it carries the definition byte for byte and reads back the same.
    WriteForeignPack(pack, TPackFormat::Zip, dir.file("pack.zip"));
    TImportNotes notes;
    const auto zip = TFileSet::FromZip(dir.file("pack.zip"), {}, notes);
    std::vector<uint8_t> define;
    ASSERT_TRUE(zip->Read("_define.ini", define));
    EXPECT_EQ(define, pack.DefineBytes);
    EXPECT_EQ(zip->Paths(), (Lines{"1.gif", "2.gif", "10.gif", "_define.ini"}));

    EXPECT_THROW(ReadPackFolder((dir.path() / "History").string()), std::runtime_error);
}

}  // namespace
}  // namespace faceloom
