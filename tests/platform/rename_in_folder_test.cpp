// RenameNoReplaceInFolder: the batch form of RenameNoReplace used for canonical picture names.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace faceloom::test {
namespace {

std::vector<std::string> Names(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RenameNoReplaceInFolder, RenamesInOrderAndRefusesEveryClash) {
    TempDir dir;
    WriteBytes(dir.file("a.gif"), "A");
    WriteBytes(dir.file("aa.gif"), "AA");
    WriteBytes(dir.file("B.GIF"), "B");
    WriteBytes(dir.file("c.gif"), "C");
    std::filesystem::create_directory(dir.file("ZZ.gif"));

    const std::vector<bool> done = RenameNoReplaceInFolder(
        dir.folder(), {{"a.gif", "aa.gif"},    // taken
                       {"aa.gif", "ab.gif"},   // free
                       {"c.gif", "AB.gif"},    // taken, by the previous rename, in other case
                       {"B.GIF", "b.gif"},     // a change of letter case alone
                       {"c.gif", "zz.gif"},    // a folder of that name, in other case
                       {"gone.gif", "x.gif"},  // no source
                       {"c.gif", "aa.gif"}});  // freed by the second rename
    EXPECT_EQ(done, (std::vector<bool>{false, true, false, true, false, false, true}));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"ZZ.gif", "a.gif", "aa.gif", "ab.gif", "b.gif"}));
    EXPECT_EQ(ReadBytes(dir.file("aa.gif")), "C");
    EXPECT_EQ(ReadBytes(dir.file("ab.gif")), "AA");
    EXPECT_EQ(ReadBytes(dir.file("a.gif")), "A");
}

TEST(RenameNoReplaceInFolder, MatchesSingleRenamesOnAShiftChain) {
    TempDir dir;
    for (const char* name : {"aa", "ab", "ac"}) WriteBytes(dir.file(std::string(name) + ".gif"), name);
    // Shifting up from the top keeps every step free; from the bottom every step clashes.
    EXPECT_EQ(RenameNoReplaceInFolder(dir.folder(), {{"aa.gif", "ab.gif"}, {"ab.gif", "ac.gif"}}),
              (std::vector<bool>{false, false}));
    EXPECT_EQ(RenameNoReplaceInFolder(dir.folder(),
                                      {{"ac.gif", "ad.gif"}, {"ab.gif", "ac.gif"}, {"aa.gif", "ab.gif"}}),
              (std::vector<bool>{true, true, true}));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"ab.gif", "ac.gif", "ad.gif"}));
    EXPECT_EQ(ReadBytes(dir.file("ab.gif")), "aa");
    EXPECT_TRUE(RenameNoReplaceInFolder(dir.folder(), {}).empty());
}

}  // namespace
}  // namespace faceloom::test
