#include "convert/file_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zip_builder.h"

namespace faceloom {
namespace {

using test::MakeZip;
using test::TempDir;
using test::ZipEntry;
using Paths = std::vector<std::string>;

std::string Text(const TFileSet& set, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!set.Read(path, bytes)) return "<unreadable>";
    return std::string(bytes.begin(), bytes.end());
}

std::vector<TImportNoteKind> Kinds(const TImportNotes& notes) {
    std::vector<TImportNoteKind> kinds;
    for (const TImportNote& note : notes) kinds.push_back(note.Kind);
    return kinds;
}

// Every file below the folder, as relative paths: what a test compares before and after.
std::set<std::string> Tree(const std::filesystem::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        files.insert(std::filesystem::relative(entry.path(), folder).string());
    }
    return files;
}

TEST(FileSet, NaturalNameOrder) {
    struct Case {
        const char* a;
        const char* b;
        bool less;
    };
    const Case cases[] = {
        {"a2.gif", "a10.gif", true},  // digits by value
        {"a10.gif", "a2.gif", false},
        {"B.gif", "a.gif", false},  // letter case folded
        {"a.gif", "B.gif", true},
        {"Ёж.gif", "ёж2.gif", true},                                        // Cyrillic folds too
        {"a1.gif", "a01.gif", true},                                        // equal values: fewer zeros first
        {"a/b.gif", "a-b.gif", true},                                       // a folder's files stay together
        {"x99999999999999999999.gif", "x100000000000000000000.gif", true},  // beyond any integer
        {"A.gif", "a.gif", true},  // the same folded: byte order decides, never equal
        {"a.gif", "a.gif", false},
    };
    for (const Case& c : cases) EXPECT_EQ(NaturalNameLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

TEST(FileSet, FolderListsEveryFileBelowInNaturalOrderAndLeavesLinksOut) {
    TempDir dir;
    const std::filesystem::path root = dir.path() / "smiles";
    std::filesystem::create_directories(root / "Sub" / "deeper");
    test::WriteBytes(root / "s10.gif", "ten");
    test::WriteBytes(root / "s2.GIF", "two");
    test::WriteBytes(root / "Sub" / "a.png", "sub a");
    test::WriteBytes(root / "Sub" / "deeper" / "z.bmp", "deep");
    test::WriteBytes(root / ".~faceloom-1-2-3.tmp", "half written");
    test::WriteBytes(dir.path() / "outside.gif", "secret");
    std::filesystem::create_symlink(dir.path() / "outside.gif", root / "link.gif");
    std::filesystem::create_directory_symlink(dir.path(), root / "up");

    TImportNotes notes;
    const auto set = TFileSet::FromFolder(root.string(), notes);
    EXPECT_EQ(set->Paths(), (Paths{"s2.GIF", "s10.gif", "Sub/a.png", "Sub/deeper/z.bmp"}));
    EXPECT_EQ(Kinds(notes), (std::vector{TImportNoteKind::UnsafeEntry, TImportNoteKind::UnsafeEntry}));
    EXPECT_EQ(Text(*set, "Sub/deeper/z.bmp"), "deep");
    EXPECT_EQ(set->Find("sub/A.PNG"), "Sub/a.png");
    EXPECT_EQ(set->Find("link.gif"), "");
    EXPECT_EQ(Text(*set, "link.gif"), "<unreadable>");
    EXPECT_EQ(Text(*set, "../outside.gif"), "<unreadable>");  // only listed paths are read

    // A folder deeper than the limit ends the walk with a note; what was listed stays.
    std::filesystem::path deep = root;
    for (int i = 0; i <= kMaxFolderDepth; ++i) deep /= "d";
    std::filesystem::create_directories(deep);
    TImportNotes deepNotes;
    EXPECT_EQ(TFileSet::FromFolder(root.string(), deepNotes)->Paths().size(), 4u);
    std::string tooDeep = "d";
    for (int i = 0; i < kMaxFolderDepth; ++i) tooDeep += "/d";
    const TImportNote deepNote{TImportNoteKind::ArchiveLimit, {tooDeep, "16 folders deep"}};
    EXPECT_NE(std::find(deepNotes.begin(), deepNotes.end(), deepNote), deepNotes.end());
}

TEST(FileSet, PathGivesFolderZipByItsBytesOrOnePicture) {
    TempDir dir;
    test::WriteBytes(dir.path() / "one.gif", "GIF89a");
    const std::vector<uint8_t> zip = MakeZip({{"icondef.xml", "<icondef/>"}, {"a.png", "png"}});
    test::WriteBytes(dir.path() / "set.jisp", std::string(zip.begin(), zip.end()));

    TImportNotes notes;
    EXPECT_EQ(TFileSet::FromPath(dir.file("one.gif"), {}, notes)->Paths(), (Paths{"one.gif"}));
    EXPECT_EQ(Text(*TFileSet::FromPath(dir.file("one.gif"), {}, notes), "one.gif"), "GIF89a");
    const auto jisp = TFileSet::FromPath(dir.file("set.jisp"), {}, notes);
    EXPECT_EQ(jisp->Paths(), (Paths{"a.png", "icondef.xml"}));
    EXPECT_EQ(Text(*jisp, "icondef.xml"), "<icondef/>");
    EXPECT_EQ(TFileSet::FromPath(dir.folder(), {}, notes)->Paths(), (Paths{"one.gif", "set.jisp"}));
    EXPECT_TRUE(notes.empty());

    EXPECT_TRUE(TFileSet::FromPath(dir.file("gone.zip"), {}, notes)->Paths().empty());
    EXPECT_EQ(notes, (TImportNotes{{TImportNoteKind::MissingFile, {dir.file("gone.zip")}}}));
}

TEST(FileSet, ZipWrittenAndReadBack) {
    TempDir dir;
    const std::string target = dir.file("out.zip");
    test::WriteBytes(target, "an old file the zip replaces");
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"_define.ini", {'a', ',', 'b'}},
        {"Смайлы/ab.gif", {0, 1, 2, 255}},
        {"empty.gif", {}},
    };
    WriteZip(target, files);
    EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"out.zip"}));  // no temp file left

    TImportNotes notes;
    const auto set = TFileSet::FromZip(target, {}, notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(set->Paths(), (Paths{"_define.ini", "empty.gif", "Смайлы/ab.gif"}));
    for (const auto& [path, bytes] : files) {
        std::vector<uint8_t> read;
        ASSERT_TRUE(set->Read(path, read)) << path;
        EXPECT_EQ(read, bytes) << path;
    }
}

// Entries that could land outside a folder or are not files are refused one by one, with a
// note each; the zip's other entries are read (names without the UTF-8 flag as CP866), and
// nothing is written anywhere.
TEST(FileSet, UnsafeEntriesAreLeftOutAndNothingIsWritten) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "in");
    const std::vector<ZipEntry> entries = {
        {"good.gif", "good"},
        {"../evil.gif", "evil"},
        {"in/../../evil2.gif", "evil"},
        {"/tmp/evil3.gif", "evil"},
        {"C:\\evil4.gif", "evil"},
        {"..\\evil5.gif", "evil"},
        {"link.gif", "", AE_IFLNK, "/etc/passwd"},
        {"./sub//ok.gif", "ok"},                    // harmless parts are tidied, not refused
        {"\x8F\xE0\xA8\xA2\xA5\xE2.gif", "cp866"},  // "Привет" as Windows archivers write it
        {"sub/", "", AE_IFDIR},
    };
    const std::vector<uint8_t> zip = MakeZip(entries);
    test::WriteBytes(dir.path() / "in" / "x.zip", std::string(zip.begin(), zip.end()));
    const std::set<std::string> before = Tree(dir.path());

    TImportNotes notes;
    const auto set = TFileSet::FromZip(dir.file("in/x.zip"), {}, notes);
    EXPECT_EQ(set->Paths(), (Paths{"good.gif", "sub/ok.gif", "Привет.gif"}));
    std::vector<std::string> refused;
    for (const TImportNote& note : notes) {
        EXPECT_EQ(note.Kind, TImportNoteKind::UnsafeEntry);
        refused.push_back(note.Params.at(0) + " " + note.Params.at(1));
    }
    EXPECT_EQ(refused, (std::vector<std::string>{"../evil.gif ..", "in/../../evil2.gif ..",
                                                 "/tmp/evil3.gif absolute path", "C:/evil4.gif absolute path",
                                                 "../evil5.gif ..", "link.gif link"}));
    EXPECT_EQ(Tree(dir.path()), before);
    EXPECT_FALSE(std::filesystem::exists("/tmp/evil3.gif"));
}

// Every limit stops the reading with one note naming it; the entries read whole before it are
// kept, the one that hit it is not.
TEST(FileSet, LimitsStopTheArchiveAndKeepWhatCameBefore) {
    const std::string zeros(8 * 1024 * 1024, '\0');  // deflates about 1000:1
    const std::string mib(1024 * 1024 + 1, 'x');
    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
        bool deflate;
        TArchiveLimits limits;
        size_t kept;
        std::string limit;
    };
    TArchiveLimits fiveEntries;
    fiveEntries.MaxEntries = 5;
    TArchiveLimits smallEntries;
    smallEntries.MaxEntryBytes = 1024;
    TArchiveLimits smallTotal;
    smallTotal.MaxTotalBytes = 2 * 1024 * 1024;
    std::vector<ZipEntry> eight;
    for (int i = 0; i < 8; ++i) eight.push_back({"e" + std::to_string(i), "x"});
    const Case cases[] = {
        {"zip bomb", {{"a.gif", "a"}, {"bomb.gif", zeros}, {"c.gif", "c"}}, true, {}, 1, "compression 200:1"},
        {"too many entries", eight, true, fiveEntries, 5, "5 entries"},
        {"one entry too large",
         {{"a.gif", "a"}, {"big.gif", std::string(2000, 'b')}},
         false,
         smallEntries,
         1,
         "1024 bytes per file"},
        {"all entries too large", {{"a.gif", mib}, {"b.gif", mib}}, false, smallTotal, 1, "2 MiB in all"},
    };
    for (const Case& c : cases) {
        TImportNotes notes;
        const auto set = TFileSet::FromZipBytes(MakeZip(c.entries, c.deflate), c.limits, notes, "x.zip");
        EXPECT_EQ(set->Paths().size(), c.kept) << c.what;
        EXPECT_EQ(notes, (TImportNotes{{TImportNoteKind::ArchiveLimit, {"x.zip", c.limit}}})) << c.what;
    }
    // Only a large entry is held to the ratio: a small one may compress as well as it likes,
    // and a large one that compresses as pictures do is read whole.
    std::string noise(3 * 1024 * 1024, '\0');
    uint32_t state = 1;
    for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    TImportNotes notes;
    const auto set = TFileSet::FromZipBytes(
        MakeZip({{"z.gif", std::string(512 * 1024, '\0')}, {"n.gif", noise}}), {}, notes);
    EXPECT_EQ(set->Paths().size(), 2u);
    EXPECT_EQ(Text(*set, "n.gif"), noise);
    EXPECT_TRUE(notes.empty());
}

TEST(FileSet, TenThousandEntriesAreReadQuickly) {
    std::vector<ZipEntry> entries;
    for (int i = 0; i < 10000; ++i)
        entries.push_back({"p/" + std::to_string(i) + ".gif", "GIF89a" + std::to_string(i)});
    const std::vector<uint8_t> zip = MakeZip(entries, false);
    const auto start = std::chrono::steady_clock::now();
    TImportNotes notes;
    const auto set = TFileSet::FromZipBytes(zip, {}, notes);
    const std::string found = set->Find("P/9999.GIF");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("seconds", std::to_string(seconds));
    std::printf("10,000 entries read in %.3f s\n", seconds);
    ASSERT_EQ(set->Paths().size(), 10000u);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(set->Paths()[2], "p/2.gif");  // natural order
    EXPECT_EQ(found, "p/9999.gif");
    EXPECT_EQ(Text(*set, found), "GIF89a9999");
    EXPECT_LT(seconds, 5.0);  // about 0.05 s in a release build; sanitizers are slower
}

// A zip cut at any length gives no crash and no entry with wrong bytes: what is read at all is
// read whole and right (the CRC is checked), what is lost is noted.
TEST(FileSet, TruncatedZipAtEveryLength) {
    const std::vector<ZipEntry> entries = {{"_define.ini", ":-),:)\r\n;-)"},
                                           {"aa.gif", "GIF89a first picture"},
                                           {"ab.gif", std::string(300, 'q')}};
    for (const bool deflate : {false, true}) {
        const std::vector<uint8_t> zip = MakeZip(entries, deflate);
        for (size_t length = 0; length < zip.size(); ++length) {
            TImportNotes notes;
            const auto set = TFileSet::FromZipBytes(std::span(zip.data(), length), {}, notes);
            for (const std::string& path : set->Paths()) {
                const auto original =
                    std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.Name == path; });
                ASSERT_NE(original, entries.end()) << path << " at " << length;
                EXPECT_EQ(Text(*set, path), original->Bytes) << path << " at " << length;
            }
            // Losing only the central directory loses nothing: the entries are all there.
            // Whatever was lost is said, as damage (or, for a single entry's data, as that
            // entry's damage), never as a limit.
            if (set->Paths().size() < entries.size()) {
                ASSERT_FALSE(notes.empty()) << "cut at " << length;
                EXPECT_TRUE(notes.front().Kind == TImportNoteKind::DamagedArchive ||
                            notes.front().Kind == TImportNoteKind::DamagedPicture)
                    << "cut at " << length << ": " << ImportNoteKindName(notes.front().Kind);
            }
        }
    }
}

}  // namespace
}  // namespace faceloom
