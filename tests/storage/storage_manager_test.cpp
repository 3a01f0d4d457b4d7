#include "storage/storage_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "storage/storage_layout.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return Sorted(names);
}

class StorageManagerTest : public ::testing::Test {
protected:
    // Records OnFile and checks that the file is still there when it is reported.
    void Watch(TStorageManager& storage, const std::string& folder) {
        storage.OnFile = [this, folder](TStorageManager& sender, const std::string& name) {
            reported_.push_back(name);
            existedWhenReported_ = existedWhenReported_ && FileExists(folder + name);
            sender_ = &sender;
        };
    }

    test::ScopedDataHome home_;
    test::TempDir pack_;
    std::vector<std::string> reported_;
    bool existedWhenReported_ = true;
    TStorageManager* sender_ = nullptr;
};

TEST_F(StorageManagerTest, PathIsUnderTheDataFolderAndCreated) {
    TStorageManager storage(PackSubPath(kStorageMode, kAnimatedPack));
    EXPECT_TRUE(storage.Valid());
    EXPECT_EQ(storage.Path(), home_.dir().folder() + "Faceloom for Tavi 2005/3.0/Storage/Animated/");
    EXPECT_TRUE(DirectoryExists(storage.Path()));
    EXPECT_FALSE(storage.OnFile);

    // Separators at either end of the sub-path never double.
    TStorageManager slashes("/Faceloom for Tavi 2005/3.0/Config/");
    EXPECT_EQ(slashes.Path(), home_.dir().folder() + "Faceloom for Tavi 2005/3.0/Config/");
}

TEST_F(StorageManagerTest, LayoutNames) {
    EXPECT_EQ(GlobalConfigSubPath(), "Faceloom for Tavi 2005/3.0/Config");
    EXPECT_EQ(ModeConfigSubPath(kStorageMode), "Faceloom for Tavi 2005/3.0/Storage/Config");
    EXPECT_EQ(ModeConfigSubPath(kCoatwrightMode), "Faceloom for Tavi 2005/3.0/Coatwright/Config");
    EXPECT_EQ(PackSubPath(kStorageMode, kStaticPack), "Faceloom for Tavi 2005/3.0/Storage/Static");
    EXPECT_EQ(PackSubPath(kCoatwrightMode, kAnimatedPack), "Faceloom for Tavi 2005/3.0/Coatwright/Animated");
    EXPECT_EQ(PackFolderName(kStaticPack), "Static");
    EXPECT_EQ(PackFolderName(kAnimatedPack), "Animated");
}

TEST_F(StorageManagerTest, InvalidWhenTheDataFolderCannotBeCreated) {
    test::WriteBytes(home_.dir().file("file"), "x");
    const std::string impossible = home_.dir().file("file/data");
    setenv("XDG_DATA_HOME", impossible.c_str(), 1);
    TStorageManager storage(GlobalConfigSubPath());
    EXPECT_FALSE(storage.Valid());
    EXPECT_EQ(storage.Path(), "");
    test::WriteBytes(pack_.file("a.gif"), "GIF");
    Watch(storage, pack_.folder());
    EXPECT_FALSE(storage.CopyToStorage(pack_.file("*.gif")));
    EXPECT_FALSE(storage.DeleteInStorage("*.*"));
    EXPECT_FALSE(storage.DeleteInFolder(pack_.file("*.gif")));
    EXPECT_FALSE(storage.CopyFromStorage(pack_.folder()));
    EXPECT_TRUE(reported_.empty());
    EXPECT_TRUE(FileExists(pack_.file("a.gif")));
}

// Below the storage area's own folder nothing is followed: a link on the way leaves the
// storage invalid and names itself; nothing is made, deleted or copied in its target. The
// area itself (and the data folder) may be links.
TEST_F(StorageManagerTest, ALinkBelowTheStorageAreaIsRefused) {
    const std::string area = home_.dir().folder() + "Faceloom for Tavi 2005/";
    for (const char* link : {"3.0", "3.0/Storage", "3.0/Storage/Animated"}) {
        SCOPED_TRACE(link);
        fs::remove_all(area);
        fs::create_directories(fs::path(area + link).parent_path());
        test::WriteBytes(pack_.file("a.gif"), "GIF");
        fs::create_directory_symlink(pack_.path(), area + link);
        EXPECT_EQ(TStorageManager::FirstLink(PackSubPath(kStorageMode, kAnimatedPack)), area + link);
        TStorageManager storage(PackSubPath(kStorageMode, kAnimatedPack));
        EXPECT_FALSE(storage.Valid());
        EXPECT_EQ(storage.LinkFound(), area + link);
        EXPECT_FALSE(storage.DeleteInStorage("*.gif"));
        EXPECT_EQ(FilesIn(pack_.folder()), std::vector<std::string>{"a.gif"});
    }
    fs::remove_all(area);
    test::TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), home_.dir().folder() + "Faceloom for Tavi 2005");
    EXPECT_EQ(TStorageManager::FirstLink(PackSubPath(kStorageMode, kAnimatedPack)), "");
    TStorageManager storage(PackSubPath(kStorageMode, kAnimatedPack));
    EXPECT_TRUE(storage.Valid());
    EXPECT_TRUE(storage.LinkFound().empty());
    EXPECT_TRUE(DirectoryExists(elsewhere.folder() + "3.0/Storage/Animated"));
}

TEST_F(StorageManagerTest, DeleteInStorageDeletesMatchingFilesOnly) {
    TStorageManager storage(PackSubPath(kStorageMode, kAnimatedPack));
    const std::string path = storage.Path();
    test::WriteBytes(path + "aa.gif", "1");
    test::WriteBytes(path + "AB.GIF", "2");  // the mask ignores letter case
    test::WriteBytes(path + ".hidden.gif", "3");
    test::WriteBytes(path + "readonly.gif", "4");
    fs::permissions(path + "readonly.gif", fs::perms::owner_read);
    test::WriteBytes(path + "_define.ini", "5");
    fs::create_directory(path + "folder.gif");  // folders never match
    Watch(storage, path);

    EXPECT_TRUE(storage.DeleteInStorage("*.gif"));
    EXPECT_EQ(Sorted(reported_),
              (std::vector<std::string>{".hidden.gif", "AB.GIF", "aa.gif", "readonly.gif"}));
    EXPECT_TRUE(existedWhenReported_);
    EXPECT_EQ(sender_, &storage);
    EXPECT_EQ(FilesIn(path), (std::vector<std::string>{"_define.ini", "folder.gif"}));

    reported_.clear();
    EXPECT_FALSE(storage.DeleteInStorage("*.gif"));  // nothing matched
    EXPECT_TRUE(reported_.empty());
}

TEST_F(StorageManagerTest, CopyToStorageReplacesFilesOfTheSameName) {
    TStorageManager storage(PackSubPath(kStorageMode, kStaticPack));
    test::WriteBytes(pack_.file("_define.ini"), ":-)");
    test::WriteBytes(pack_.file("smile.bmp"), "new");
    test::WriteBytes(pack_.file("readme.txt"), "other");
    test::WriteBytes(storage.Path() + "smile.bmp", "old picture");
    Watch(storage, pack_.folder());

    EXPECT_TRUE(storage.CopyToStorage(pack_.file("*.ini")));
    EXPECT_TRUE(storage.CopyToStorage(pack_.file("*.bmp")));
    EXPECT_FALSE(storage.CopyToStorage(pack_.file("*.gif")));
    EXPECT_EQ(reported_, (std::vector<std::string>{"_define.ini", "smile.bmp"}));
    EXPECT_EQ(test::ReadBytes(storage.Path() + "smile.bmp"), "new");
    EXPECT_EQ(test::ReadBytes(storage.Path() + "_define.ini"), ":-)");
    EXPECT_FALSE(FileExists(storage.Path() + "readme.txt"));
    EXPECT_EQ(FilesIn(pack_.folder()), (std::vector<std::string>{"_define.ini", "readme.txt", "smile.bmp"}));
    // A mask without a folder would mean the process's current folder.
    EXPECT_FALSE(storage.CopyToStorage("*.bmp"));
}

TEST_F(StorageManagerTest, DeleteInFolder) {
    TStorageManager storage(PackSubPath(kStorageMode, kAnimatedPack));
    test::WriteBytes(pack_.file("x.gif"), "1");
    test::WriteBytes(pack_.file("y.GIF"), "2");
    test::WriteBytes(pack_.file("keep.bmp"), "3");
    Watch(storage, pack_.folder());
    EXPECT_TRUE(storage.DeleteInFolder(pack_.file("*.gif")));
    EXPECT_TRUE(existedWhenReported_);
    EXPECT_EQ(Sorted(reported_), (std::vector<std::string>{"x.gif", "y.GIF"}));
    EXPECT_EQ(FilesIn(pack_.folder()), std::vector<std::string>{"keep.bmp"});
    EXPECT_FALSE(storage.DeleteInFolder(pack_.file("*.gif")));
    EXPECT_FALSE(storage.DeleteInFolder("*.bmp"));
    EXPECT_TRUE(FileExists(pack_.file("keep.bmp")));
}

TEST_F(StorageManagerTest, CopyFromStorageReplacesAndLeavesOtherFiles) {
    TStorageManager storage(PackSubPath(kStorageMode, kAnimatedPack));
    test::WriteBytes(storage.Path() + "aa.gif", "picture");
    test::WriteBytes(storage.Path() + "_define.ini", "line");
    fs::create_directory(storage.Path() + "Config");  // the state folder never travels
    test::WriteBytes(storage.Path() + "Config/Storage.ini", "state");
    test::WriteBytes(pack_.file("aa.gif"), "stale");
    test::WriteBytes(pack_.file("notes.txt"), "mine");
    Watch(storage, storage.Path());

    EXPECT_TRUE(storage.CopyFromStorage(pack_.folder()));
    EXPECT_EQ(Sorted(reported_), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_EQ(FilesIn(pack_.folder()), (std::vector<std::string>{"_define.ini", "aa.gif", "notes.txt"}));
    EXPECT_EQ(test::ReadBytes(pack_.file("aa.gif")), "picture");
    EXPECT_EQ(test::ReadBytes(pack_.file("notes.txt")), "mine");

    // A target without its trailing separator is taken as the folder it names.
    test::TempDir other;
    EXPECT_TRUE(storage.CopyFromStorage(other.path().string()));
    EXPECT_EQ(FilesIn(other.folder()), (std::vector<std::string>{"_define.ini", "aa.gif"}));
    EXPECT_FALSE(storage.CopyFromStorage(""));
}

TEST_F(StorageManagerTest, CopyFromAnEmptyStorageFindsNothing) {
    TStorageManager storage(PackSubPath(kStorageMode, kStaticPack));
    Watch(storage, storage.Path());
    EXPECT_FALSE(storage.CopyFromStorage(pack_.folder()));
    EXPECT_TRUE(reported_.empty());
}

}  // namespace
}  // namespace faceloom
