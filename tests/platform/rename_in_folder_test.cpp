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

// One folding for the single rename, the batch and masks: an overlong UTF-8 spelling of "A"
// is not the letter A, so it neither clashes with "a.gif" nor matches "a.*".
TEST(RenameNoReplaceInFolder, FoldsNamesExactlyAsTheSingleRenameAndMasks) {
    const std::string overlong = "\xE0\x81\x81.gif";  // "A" in three bytes
    for (const bool batch : {false, true}) {
        TempDir dir;
        WriteBytes(dir.file(overlong), "overlong");
        WriteBytes(dir.file("b.gif"), "B");
        WriteBytes(dir.file("C.gif"), "C");
        WriteBytes(dir.file("d.gif"), "D");
        if (batch) {
            EXPECT_EQ(RenameNoReplaceInFolder(dir.folder(), {{"b.gif", "a.gif"}, {"d.gif", "c.GIF"}}),
                      (std::vector<bool>{true, false}));
        } else {
            EXPECT_TRUE(RenameNoReplace(dir.file("b.gif"), dir.file("a.gif")));
            EXPECT_FALSE(RenameNoReplace(dir.file("d.gif"), dir.file("c.GIF")));
        }
        EXPECT_EQ(ReadBytes(dir.file("a.gif")), "B");
    }
    EXPECT_FALSE(MatchesMask("\xE0\x81\x81.gif", "a.*"));
    EXPECT_TRUE(MatchesMask("\xD0\x81.GIF", "\xD1\x91.gif"));  // Cyrillic capital and small IO
}

}  // namespace
}  // namespace faceloom::test
