#include "storage/storage_ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using B = TStorageBoolKey;
using S = TStorageStringKey;

class StorageIniFileTest : public ::testing::Test {
protected:
    std::string StateFile() const { return storage_.Path() + "Config/Storage.ini"; }

    test::ScopedDataHome home_;
    TStorageManager storage_{PackSubPath(kStorageMode, kAnimatedPack)};
};

TEST_F(StorageIniFileTest, NeverUsedStorageReadsDefaults) {
    TStorageIniFile state(storage_);
    EXPECT_TRUE(DirectoryExists(storage_.Path() + "Config/"));
    EXPECT_EQ(state.FileName(), StateFile());
    EXPECT_FALSE(state.ReadBool(B::StorageAllocated));
    EXPECT_FALSE(state.ReadBool(B::PathAssigned));
    EXPECT_FALSE(state.ReadBool(B::SmiliesLoaded));
    EXPECT_EQ(state.ReadString(S::SourcePath), "");
    EXPECT_FALSE(FileExists(StateFile()));
}

TEST_F(StorageIniFileTest, StatesOfAPackAsWritten) {
    {
        // Pack opened from a folder.
        TStorageIniFile state(storage_);
        state.WriteBool(B::StorageAllocated, true);
        state.WriteBool(B::PathAssigned, true);
        state.WriteBool(B::SmiliesLoaded, true);
        state.WriteString(S::SourcePath, "/home/u/pack/");
    }
    EXPECT_EQ(test::ReadBytes(StateFile()),
              "[Storage]\r\n"
              "StorageAllocated=1\r\n"
              "PathAssigned=1\r\n"
              "SmiliesLoaded=1\r\n"
              "SourcePath=/home/u/pack/\r\n");
    {
        // A fresh accessor sees it (state survives a restart).
        TStorageIniFile state(storage_);
        EXPECT_TRUE(state.ReadBool(B::StorageAllocated));
        EXPECT_TRUE(state.ReadBool(B::PathAssigned));
        EXPECT_TRUE(state.ReadBool(B::SmiliesLoaded));
        EXPECT_EQ(state.ReadString(S::SourcePath), "/home/u/pack/");
        // Pack closed.
        state.WriteBool(B::StorageAllocated, false);
        state.WriteBool(B::PathAssigned, false);
        state.WriteBool(B::SmiliesLoaded, false);
        state.WriteString(S::SourcePath, "");
    }
    EXPECT_EQ(test::ReadBytes(StateFile()),
              "[Storage]\r\n"
              "StorageAllocated=0\r\n"
              "PathAssigned=0\r\n"
              "SmiliesLoaded=0\r\n"
              "SourcePath=\r\n");
}

TEST_F(StorageIniFileTest, HandEditedValuesAndOtherContentSurvive) {
    TStorageIniFile state(storage_);
    test::WriteBytes(StateFile(),
                     "; kept\r\n"
                     "[Storage]\r\n"
                     "StorageAllocated=yes\r\n"  // not an integer: absent
                     "SmiliesLoaded=2\r\n"       // any integer but 0 is true
                     "[Mine]\r\n"
                     "Extra=1\r\n");
    EXPECT_FALSE(state.ReadBool(B::StorageAllocated));
    EXPECT_TRUE(state.ReadBool(B::SmiliesLoaded));
    state.WriteBool(B::PathAssigned, true);
    EXPECT_EQ(test::ReadBytes(StateFile()),
              "; kept\r\n"
              "[Storage]\r\n"
              "StorageAllocated=yes\r\n"
              "SmiliesLoaded=2\r\n"
              "PathAssigned=1\r\n"
              "[Mine]\r\n"
              "Extra=1\r\n");
}

TEST_F(StorageIniFileTest, AllocateStorageStateOnlyOnce) {
    AllocateStorageState(storage_);
    const std::string initial =
        "[Storage]\r\n"
        "StorageAllocated=1\r\n"
        "PathAssigned=0\r\n"
        "SmiliesLoaded=0\r\n"
        "SourcePath=\r\n";
    EXPECT_EQ(test::ReadBytes(StateFile()), initial);
    {
        TStorageIniFile state(storage_);
        state.WriteString(S::SourcePath, "/kept/");
    }
    AllocateStorageState(storage_);
    TStorageIniFile state(storage_);
    EXPECT_EQ(state.ReadString(S::SourcePath), "/kept/");
}

TEST_F(StorageIniFileTest, InvalidStorageReadsDefaultsAndRefusesWrites) {
    test::WriteBytes(home_.dir().file("file"), "x");
    const std::string impossible = home_.dir().file("file/data");
    setenv("XDG_DATA_HOME", impossible.c_str(), 1);
    TStorageManager invalid(GlobalConfigSubPath());
    ASSERT_FALSE(invalid.Valid());
    AllocateStorageState(invalid);  // nothing to initialise, no error
    TStorageIniFile state(invalid);
    EXPECT_FALSE(state.ReadBool(B::StorageAllocated));
    EXPECT_EQ(state.ReadString(S::SourcePath), "");
    try {
        state.WriteBool(B::StorageAllocated, true);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to Storage.ini");
    }
    EXPECT_THROW(state.WriteString(S::SourcePath, "/x/"), EInOutError);
    EXPECT_FALSE(DirectoryExists("Config"));  // nothing in the current folder
}

}  // namespace
}  // namespace faceloom
