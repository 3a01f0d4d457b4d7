#include "platform/paths.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

TEST(Paths, TrailingSeparatorIsAddedOnce) {
    EXPECT_EQ(IncludeTrailingSeparator("/a/b"), "/a/b/");
    EXPECT_EQ(IncludeTrailingSeparator("/a/b/"), "/a/b/");
    EXPECT_EQ(IncludeTrailingSeparator(""), "");
}

TEST(Paths, SplitsNameFolderAndExtension) {
    EXPECT_EQ(ExtractFileName("/pack/aa.gif"), "aa.gif");
    EXPECT_EQ(ExtractFileName("/pack/"), "");
    EXPECT_EQ(ExtractFileName("aa.gif"), "aa.gif");
    EXPECT_EQ(ExtractFilePath("/pack/aa.gif"), "/pack/");
    EXPECT_EQ(ExtractFilePath("aa.gif"), "");
    EXPECT_EQ(ExtractFileExt("/pack/aa.GIF"), ".GIF");
    EXPECT_EQ(ExtractFileExt("/pack.d/readme"), "");
    EXPECT_EQ(ExtractFileExt("a.tar.gz"), ".gz");
}

TEST(Paths, AppDataFolderFollowsXdgDataHomeAndEndsWithSeparator) {
    test::ScopedDataHome home;
    const std::string folder = AppDataFolder();
    EXPECT_EQ(folder, home.dir().folder());
}

TEST(Paths, AppDataFolderIsCreatedWhenMissing) {
    test::ScopedDataHome home;
    const std::string nested = home.dir().file("deeper/still");
    setenv("XDG_DATA_HOME", nested.c_str(), 1);
    EXPECT_EQ(AppDataFolder(), nested + "/");
    EXPECT_TRUE(DirectoryExists(nested));
}

}  // namespace
}  // namespace faceloom
