#include "storage/storage_ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "storage/storage_identity.h"
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

// A record reads back only under the identity that wrote it and only as written: any field
// changed by hand, the check value gone, or another storage's identity make it unreadable.
TEST_F(StorageIniFileTest, APackRecordIsTrustedOnlyAsWrittenByItsOwnStorage) {
    const std::string identity = std::string(32, '1');
    TStorageIniFile state(storage_);
    TPackState record;
    EXPECT_EQ(state.ReadPackState(identity, record), TPackStateRead::Missing);

    TPackState saving{
        true, true, true, "/home/u/pack/", "/home/u/copy/", true, "00112233aabbccdd", "0123456789abcdef"};
    state.WritePackState(saving, identity);
    EXPECT_EQ(state.ReadPackState(identity, record), TPackStateRead::Valid);
    EXPECT_EQ(record, saving);
    EXPECT_EQ(state.ReadPackState(std::string(32, '2'), record), TPackStateRead::Unreadable);

    // The save done: its keys and the seal go, the four keys of the record stay in their order.
    TPackState done{true, true, true, "/home/u/copy/", "", false, "", ""};
    state.WritePackState(done, identity);
    const std::string bytes = test::ReadBytes(StateFile());
    EXPECT_EQ(bytes.substr(0, bytes.find("Check=")),
              "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=1\r\nSmiliesLoaded=1\r\n"
              "SourcePath=/home/u/copy/\r\n");
    ASSERT_EQ(state.ReadPackState(identity, record), TPackStateRead::Valid);
    EXPECT_EQ(record, done);

    for (const auto& [key, value] :
         std::vector<std::pair<const char*, std::string>>{{"SourcePath", "/"},
                                                          {"PathAssigned", "0"},
                                                          {"PendingSave", "/elsewhere/"},
                                                          {"Check", ""},
                                                          {"Seal", "0123456789abcdef"}}) {
        SCOPED_TRACE(key);
        test::WriteBytes(StateFile(), bytes);
        state.WriteString(S::SourcePath, std::string(key) == "SourcePath" ? value : "/home/u/copy/");
        if (std::string(key) == "PathAssigned") state.WriteBool(B::PathAssigned, false);
        if (std::string(key) == "PendingSave") state.SetPendingSave(value, false);
        if (std::string(key) == "Check") test::WriteBytes(StateFile(), bytes.substr(0, bytes.find("Check=")));
        if (std::string(key) == "Seal") {
            std::string sealed = test::ReadBytes(StateFile());
            test::WriteBytes(StateFile(), sealed.insert(sealed.find("Check="), "Seal=" + value + "\r\n"));
        }
        EXPECT_EQ(state.ReadPackState(identity, record), TPackStateRead::Unreadable);
    }
}

// Only what an earlier version wrote is adopted: its keys without any check value. A record
// with a check key (even empty) or a seal was written by this version and is not.
TEST_F(StorageIniFileTest, OnlyAnEarlierVersionsRecordIsAdopted) {
    const std::string identity = std::string(32, '1');
    const std::string earlier =
        "[Storage]\r\nStorageAllocated=1\r\nPathAssigned=1\r\nSmiliesLoaded=1\r\nSourcePath=/home/u/pack/"
        "\r\n";
    const std::pair<std::string, TPackStateRead> cases[] = {
        {earlier, TPackStateRead::Valid},
        {earlier + "PendingSave=/home/u/copy/\r\n", TPackStateRead::Valid},
        {earlier + "Check=\r\n", TPackStateRead::Unreadable},
        {earlier + "Seal=0123456789abcdef\r\n", TPackStateRead::Unreadable},
        {earlier + "Seal=\r\n", TPackStateRead::Unreadable},
        {earlier + "PendingSave=/home/u/copy/\r\nPendingPair=00112233aabbccdd\r\n",
         TPackStateRead::Unreadable},
    };
    TStorageIniFile state(storage_);
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(bytes);
        test::WriteBytes(StateFile(), bytes);
        TPackState record;
        EXPECT_EQ(state.ReadPackState(identity, record, true), expected);
        EXPECT_EQ(state.ReadPackState(identity, record, false), TPackStateRead::Unreadable);
        if (expected == TPackStateRead::Valid) {
            EXPECT_EQ(record.SourcePath, "/home/u/pack/");
            EXPECT_EQ(record.Seal, "");
            EXPECT_FALSE(state.HasCheck());
        }
    }
}

TEST(StorageIdentityTest, MadeOnceKeptAndRemadeWhenDamaged) {
    test::ScopedDataHome home;
    TStorageManager config(ModeConfigSubPath(kStorageMode));
    const std::string identity = LoadStorageIdentity(config);
    EXPECT_TRUE(IsStorageIdentity(identity));
    EXPECT_EQ(LoadStorageIdentity(config), identity);
    EXPECT_NE(KeyedCheck(identity, "x"), KeyedCheck(identity, "y"));
    EXPECT_NE(KeyedCheck(identity, "x"), KeyedCheck(std::string(32, '0'), "x"));
    test::WriteBytes(config.Path() + kIdentityFileName, identity.substr(1));
    const std::string remade = LoadStorageIdentity(config);
    EXPECT_TRUE(IsStorageIdentity(remade));
    EXPECT_NE(remade, identity);
    TStorageManager other(ModeConfigSubPath(kCoatwrightMode));
    EXPECT_NE(LoadStorageIdentity(other), remade);
}

TEST(StorageAreaTest, FoldersInsideTheAreaAreKnownAlsoThroughLinks) {
    test::ScopedDataHome home;
    test::TempDir outside;
    const std::string area = home.dir().folder() + "Faceloom for Tavi 2005/";
    TStorageManager work(PackSubPath(kStorageMode, kStaticPack));
    std::filesystem::create_directory_symlink(work.Path(), outside.folder() + "link");
    const std::pair<std::string, bool> cases[] = {
        {area, true},
        {area + "3.0/Storage/Static/", true},
        {area + "3.0/Storage/Static/../../x/", true},
        {area + "not/yet/made/", true},
        {outside.folder() + "link/", true},
        {home.dir().folder(), false},
        {home.dir().folder() + "Faceloom for Tavi 2005 copy/", false},
        {outside.folder(), false},
        {"/", false},
    };
    for (const auto& [folder, inside] : cases) EXPECT_EQ(InsideStorageArea(folder), inside) << folder;
}

}  // namespace
}  // namespace faceloom
