#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListFolder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return Sorted(names);
}

TEST(MatchesMask, FoldsLatinAndCyrillicAndKnowsWildcards) {
    EXPECT_TRUE(MatchesMask("aa.GIF", "*.gif"));
    EXPECT_TRUE(MatchesMask("_DEFINE.INI", "_define.ini"));
    EXPECT_TRUE(MatchesMask("Смайл.gif", "смайл.GIF"));
    EXPECT_TRUE(MatchesMask("ЁЛКА.bmp", "ёлка.*"));
    EXPECT_TRUE(MatchesMask("ab.gif", "a?.gif"));
    EXPECT_FALSE(MatchesMask("abc.gif", "a?.gif"));
    EXPECT_FALSE(MatchesMask("a.gif.bak", "*.gif"));
    EXPECT_FALSE(MatchesMask("agif", "*.gif"));
    // "*.*" is every name, also one without a dot.
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("x.tar.gz", "*.*"));
}

TEST(FindFiles, MatchesOrdinaryHiddenAndReadOnlyFilesButNeverFolders) {
    test::TempDir dir;
    WriteBytes(dir.file("a.gif"), "1");
    WriteBytes(dir.file("B.GIF"), "2");
    WriteBytes(dir.file(".hidden.gif"), "3");
    WriteBytes(dir.file("ro.gif"), "4");
    fs::permissions(dir.file("ro.gif"), fs::perms::owner_read, fs::perm_options::replace);
    WriteBytes(dir.file("c.bmp"), "5");
    fs::create_directory(dir.file("folder.gif"));

    EXPECT_EQ(Sorted(FindFiles(dir.file("*.gif"))),
              (std::vector<std::string>{".hidden.gif", "B.GIF", "a.gif", "ro.gif"}));
    EXPECT_EQ(Sorted(FindFiles(dir.file("*.*"))),
              (std::vector<std::string>{".hidden.gif", "B.GIF", "a.gif", "c.bmp", "ro.gif"}));
}

TEST(FindFiles, MissingFolderYieldsNothing) {
    test::TempDir dir;
    EXPECT_TRUE(FindFiles(dir.file("nowhere/*.gif")).empty());
    EXPECT_TRUE(FindFiles(dir.folder()).empty());  // no mask at all
}

TEST(RenameNoReplace, RenamesToAFreeName) {
    test::TempDir dir;
    WriteBytes(dir.file("smile.gif"), "picture");
    ASSERT_TRUE(RenameNoReplace(dir.file("smile.gif"), dir.file("aa.gif")));
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"aa.gif"}));
    EXPECT_EQ(ReadBytes(dir.file("aa.gif")), "picture");
}

TEST(RenameNoReplace, NeverReplacesAnExistingFileEvenInOtherLetterCase) {
    test::TempDir dir;
    WriteBytes(dir.file("smile.gif"), "new");
    WriteBytes(dir.file("AA.GIF"), "old");
    EXPECT_FALSE(RenameNoReplace(dir.file("smile.gif"), dir.file("AA.GIF")));
    EXPECT_FALSE(RenameNoReplace(dir.file("smile.gif"), dir.file("aa.gif")));
    EXPECT_EQ(ReadBytes(dir.file("AA.GIF")), "old");
    EXPECT_EQ(ReadBytes(dir.file("smile.gif")), "new");
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"AA.GIF", "smile.gif"}));
}

TEST(RenameNoReplace, ChangesTheLetterCaseOfItsOwnName) {
    test::TempDir dir;
    WriteBytes(dir.file("AA.GIF"), "x");
    ASSERT_TRUE(RenameNoReplace(dir.file("AA.GIF"), dir.file("aa.gif")));
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"aa.gif"}));
}

TEST(RenameNoReplace, FailsForAMissingSource) {
    test::TempDir dir;
    EXPECT_FALSE(RenameNoReplace(dir.file("none.gif"), dir.file("aa.gif")));
    EXPECT_TRUE(ListFolder(dir.path()).empty());
}

TEST(CopyFileReplacing, CopiesExactBytesAndReplacesTheTarget) {
    test::TempDir dir;
    const std::string bytes("GIF89a\0\x1a\r\n\xff", 11);
    WriteBytes(dir.file("src.gif"), bytes);
    WriteBytes(dir.file("dst.gif"), "an older and longer content");
    ASSERT_TRUE(CopyFileReplacing(dir.file("src.gif"), dir.file("dst.gif")));
    EXPECT_EQ(ReadBytes(dir.file("dst.gif")), bytes);
    EXPECT_EQ(ReadBytes(dir.file("src.gif")), bytes);
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"dst.gif", "src.gif"}));  // no temp left
}

TEST(CopyFileReplacing, FailsWithoutTouchingAnything) {
    test::TempDir dir;
    WriteBytes(dir.file("dst.gif"), "kept");
    EXPECT_FALSE(CopyFileReplacing(dir.file("missing.gif"), dir.file("dst.gif")));
    EXPECT_EQ(ReadBytes(dir.file("dst.gif")), "kept");
    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(CopyFileReplacing(dir.file("folder"), dir.file("dst.gif")));
    EXPECT_FALSE(CopyFileReplacing(dir.file("dst.gif"), dir.file("no/such/folder/x.gif")));
    EXPECT_EQ(ReadBytes(dir.file("dst.gif")), "kept");
}

TEST(WriteFileAtomic, WritesExactBytesAndLeavesNoTempFile) {
    test::TempDir dir;
    WriteFileAtomic(dir.file("_define.ini"), ":-),:)\r\n;-)");
    WriteFileAtomic(dir.file("_define.ini"), "");
    EXPECT_EQ(ReadBytes(dir.file("_define.ini")), "");
    WriteFileAtomic(dir.file("_define.ini"), ":-),:)\r\n;-)");
    EXPECT_EQ(ReadBytes(dir.file("_define.ini")), ":-),:)\r\n;-)");
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"_define.ini"}));
}

TEST(WriteFileAtomic, KeepsThePermissionsOfTheFileItReplaces) {
    test::TempDir dir;
    WriteBytes(dir.file("config.ini"), "old");
    fs::permissions(dir.file("config.ini"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                    fs::perm_options::replace);
    WriteFileAtomic(dir.file("config.ini"), "new");
    EXPECT_EQ(ReadBytes(dir.file("config.ini")), "new");
    EXPECT_EQ(fs::status(dir.file("config.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(WriteFileAtomic, FailureNamesTheFileAndKeepsTheOldContent) {
    test::TempDir dir;
    // A "folder" that is a regular file cannot hold the temp file, even for root.
    WriteBytes(dir.file("blocker"), "not a folder");
    const std::string target = dir.file("blocker/config.ini");
    try {
        WriteFileAtomic(target, "x");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + target);
    }
    EXPECT_EQ(ReadBytes(dir.file("blocker")), "not a folder");
    EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"blocker"}));
}

TEST(FileSystemQueries, TellFilesFromFolders) {
    test::TempDir dir;
    WriteBytes(dir.file("f"), "");
    fs::create_directory(dir.file("d"));
    EXPECT_TRUE(FileExists(dir.file("f")));
    EXPECT_FALSE(FileExists(dir.file("d")));
    EXPECT_TRUE(DirectoryExists(dir.file("d")));
    EXPECT_FALSE(DirectoryExists(dir.file("f")));
    EXPECT_FALSE(DeleteFileAt(dir.file("d")));
    EXPECT_TRUE(DeleteFileAt(dir.file("f")));
    EXPECT_FALSE(FileExists(dir.file("f")));
    EXPECT_FALSE(ReadWholeFile(dir.file("f")).has_value());
    EXPECT_FALSE(ReadWholeFile(dir.file("d")).has_value());
}

TEST(ForceDirectories, CreatesEveryMissingParent) {
    test::TempDir dir;
    EXPECT_TRUE(ForceDirectories(dir.file("Faceloom for Tavi 2005/3.0/Storage/Config/")));
    EXPECT_TRUE(DirectoryExists(dir.file("Faceloom for Tavi 2005/3.0/Storage/Config")));
    EXPECT_TRUE(ForceDirectories(dir.file("Faceloom for Tavi 2005")));  // already there
    WriteBytes(dir.file("file"), "");
    EXPECT_FALSE(ForceDirectories(dir.file("file/sub")));
}

// A file with its folders.
void Put(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    WriteBytes(path, bytes);
}

// Everything below a folder: files with their bytes, folders, links with their targets; links
// are never entered.
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        if (entry.is_symlink()) {
            tree[name] = "link " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            tree[name] = "folder";
        } else {
            tree[name] = "file " + ReadBytes(entry.path());
        }
    }
    return tree;
}

// Whatever the path names and however it is spelled, a link is removed itself: the user's
// folder it points to, and the file, keep every byte.
TEST(RemoveTree, NeverFollowsALink) {
    struct Case {
        const char* name;
        std::function<std::string(const test::TempDir&)> make;  // the path handed to RemoveTree
    };
    const std::vector<Case> cases = {
        {"link to a folder", [](const test::TempDir& d) { return d.file("store/History"); }},
        {"link to a folder, with a separator",
         [](const test::TempDir& d) { return d.file("store/History/"); }},
        {"link to a file", [](const test::TempDir& d) { return d.file("store/file"); }},
        {"folder holding links", [](const test::TempDir& d) { return d.file("store/"); }},
        {"folder holding a folder holding links", [](const test::TempDir& d) { return d.file("deep/"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        Put(dir.file("user/a.gif"), "picture a");
        Put(dir.file("user/sub/b.ini"), "b");
        WriteBytes(dir.file("user.txt"), "user's own");
        Put(dir.file("store/own.gif"), "ours");
        fs::create_directory_symlink(dir.file("user"), dir.file("store/History"));
        fs::create_symlink(dir.file("user.txt"), dir.file("store/file"));
        fs::create_directories(dir.file("deep/inner"));
        fs::create_directory_symlink(dir.file("user"), dir.file("deep/inner/link"));
        fs::create_directory_symlink(dir.file("user/sub"), dir.file("deep/sub"));
        const auto user = Tree(dir.file("user"));
        const std::string path = c.make(dir);

        EXPECT_TRUE(RemoveTree(path));
        EXPECT_EQ(EntryKind(path), TEntryKind::Missing);
        EXPECT_EQ(Tree(dir.file("user")), user);
        EXPECT_EQ(user.size(), 3u);
        EXPECT_EQ(ReadBytes(dir.file("user.txt")), "user's own");
    }
}

TEST(RemoveTree, RemovesFoldersFilesAndNothingWhenMissing) {
    test::TempDir dir;
    Put(dir.file("t/a/b/c.gif"), "x");
    Put(dir.file("t/d.ini"), "y");
    EXPECT_TRUE(RemoveTree(dir.file("t/")));
    EXPECT_FALSE(fs::exists(dir.file("t")));
    WriteBytes(dir.file("f"), "z");
    EXPECT_TRUE(RemoveTree(dir.file("f")));
    EXPECT_FALSE(fs::exists(dir.file("f")));
    EXPECT_TRUE(RemoveTree(dir.file("missing/")));
    EXPECT_TRUE(RemoveTree(dir.file("no/such/parent")));
    EXPECT_FALSE(RemoveTree(""));
    EXPECT_FALSE(RemoveTree(dir.file("t/..")));
    EXPECT_TRUE(fs::exists(dir.path()));
}

// Storage folders are made only as folders of their own: a link in their place is told apart
// (also when named with a separator at the end) and never taken for one.
TEST(EntryKind, TellsLinksFromWhatTheyPointTo) {
    test::TempDir dir;
    WriteBytes(dir.file("file"), "");
    fs::create_directory(dir.file("folder"));
    fs::create_directory_symlink(dir.file("folder"), dir.file("link"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));
    const std::vector<std::pair<std::string, TEntryKind>> cases = {
        {"file", TEntryKind::File},    {"folder", TEntryKind::Folder}, {"folder/", TEntryKind::Folder},
        {"link", TEntryKind::Link},    {"link/", TEntryKind::Link},    {"dangling", TEntryKind::Link},
        {"none", TEntryKind::Missing},
    };
    for (const auto& [name, kind] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(EntryKind(dir.file(name)), kind);
    }
    EXPECT_TRUE(DirectoryExists(dir.file("link")));  // the ordinary question still follows it
    EXPECT_TRUE(MakeOwnFolder(dir.file("folder/")));
    EXPECT_TRUE(MakeOwnFolder(dir.file("new/")));
    EXPECT_EQ(EntryKind(dir.file("new")), TEntryKind::Folder);
    EXPECT_FALSE(MakeOwnFolder(dir.file("link/")));
    EXPECT_FALSE(MakeOwnFolder(dir.file("dangling")));
    EXPECT_FALSE(MakeOwnFolder(dir.file("file")));
    EXPECT_FALSE(MakeOwnFolder(dir.file("gone/sub")));
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

}  // namespace
}  // namespace faceloom
