#include "storage/config_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "storage/storage_ini_file.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using K = TConfigBoolKey;

class ConfigManagerTest : public ::testing::Test {
protected:
    test::ScopedDataHome home_;
    TStorageManager storage_{ModeConfigSubPath(kStorageMode)};
};

TEST_F(ConfigManagerTest, FreshInstallationDefaults) {
    TConfigManager config(storage_);
    EXPECT_FALSE(config.ReadBool(K::BothSmilePacks));
    EXPECT_FALSE(config.ReadBool(K::BothPathsAssigned));
    EXPECT_TRUE(config.ReadBool(K::Animated));
    EXPECT_TRUE(config.ReadBool(K::ShowWarnings));
    EXPECT_FALSE(config.ReadBool(K::SaveOnExit));
    EXPECT_EQ(config.ReadString(TConfigStringKey::BothPath), "");
    EXPECT_EQ(config.FileName(), storage_.Path() + "config.ini");
    EXPECT_FALSE(FileExists(config.FileName()));  // reads create nothing
    // The settings storage's own state file is initialised.
    EXPECT_EQ(test::ReadBytes(storage_.Path() + "Config/Storage.ini"),
              "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=0\r\nSmiliesLoaded=0\r\nSourcePath=\r\n");
}

TEST_F(ConfigManagerTest, WritesGoToSectionStorage) {
    {
        TConfigManager config(storage_);
        config.WriteBool(K::Animated, false);
        config.WriteBool(K::BothSmilePacks, true);
        config.WriteBool(K::BothPathsAssigned, true);
        config.WriteString(TConfigStringKey::BothPath, "/base/");
        config.WriteBool(K::ShowWarnings, false);
        config.WriteBool(K::SaveOnExit, true);
    }
    EXPECT_EQ(test::ReadBytes(storage_.Path() + "config.ini"),
              "[Storage]\r\n"
              "Animated=0\r\n"
              "BothSmilePacks=1\r\n"
              "BothPathsAssigned=1\r\n"
              "BothPath=/base/\r\n"
              "ShowWarnings=0\r\n"
              "SaveOnExit=1\r\n");
    TConfigManager again(storage_);
    EXPECT_FALSE(again.ReadBool(K::Animated));
    EXPECT_TRUE(again.ReadBool(K::BothSmilePacks));
    EXPECT_TRUE(again.ReadBool(K::BothPathsAssigned));
    EXPECT_FALSE(again.ReadBool(K::ShowWarnings));
    EXPECT_TRUE(again.ReadBool(K::SaveOnExit));
    EXPECT_EQ(again.ReadString(TConfigStringKey::BothPath), "/base/");
}

TEST_F(ConfigManagerTest, ExistingStateFileIsNotReinitialised) {
    {
        TStorageIniFile state(storage_);
        state.WriteBool(TStorageBoolKey::StorageAllocated, true);
        state.WriteString(TStorageStringKey::SourcePath, "/mine/");
    }
    TConfigManager config(storage_);
    EXPECT_EQ(test::ReadBytes(storage_.Path() + "Config/Storage.ini"),
              "[Storage]\r\nStorageAllocated=1\r\nSourcePath=/mine/\r\n");
}

TEST_F(ConfigManagerTest, TempFolderIsRecreatedOnEveryCall) {
    TConfigManager config(storage_);
    const std::string temp = config.TempFolder();
    EXPECT_EQ(temp, storage_.Path() + "Temp/");
    EXPECT_TRUE(DirectoryExists(temp));
    std::filesystem::remove_all(storage_.Path());  // even the storage folder went away
    EXPECT_EQ(config.TempFolder(), temp);
    EXPECT_TRUE(DirectoryExists(temp));
}

TEST_F(ConfigManagerTest, InvalidStorage) {
    test::WriteBytes(home_.dir().file("file"), "x");
    const std::string impossible = home_.dir().file("file/data");
    setenv("XDG_DATA_HOME", impossible.c_str(), 1);
    TStorageManager invalid(ModeConfigSubPath(kStorageMode));
    TConfigManager config(invalid);
    EXPECT_TRUE(config.ReadBool(K::Animated));
    EXPECT_EQ(config.TempFolder(), "");
    try {
        config.WriteBool(K::Animated, false);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to config.ini");
    }
    TConfigManager::TBatch batch;
    batch.WriteBool(K::BothPathsAssigned, true);
    batch.WriteString(TConfigStringKey::BothPath, "/packs/");
    EXPECT_THROW(config.Write(batch), EInOutError);
}

TEST_F(ConfigManagerTest, WriteFailureNamesTheFile) {
    TConfigManager config(storage_);
    std::filesystem::create_directory(config.FileName());  // the name is taken by a folder
    try {
        config.WriteBool(K::SaveOnExit, true);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + config.FileName());
    }
}

}  // namespace
}  // namespace faceloom
