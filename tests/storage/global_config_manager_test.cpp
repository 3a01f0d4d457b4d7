#include "storage/global_config_manager.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using B = TGlobalBoolKey;
using I = TGlobalIntegerKey;
using S = TGlobalStringKey;

class GlobalConfigManagerTest : public ::testing::Test {
protected:
    std::string ConfigFile() const { return storage_.Path() + "config.ini"; }

    test::ScopedDataHome home_;
    TStorageManager storage_{GlobalConfigSubPath()};
};

TEST_F(GlobalConfigManagerTest, FreshInstallationDefaults) {
    TGlobalConfigManager config(storage_);
    EXPECT_EQ(config.ReadInteger(I::BackgroundColor), 0x00FFFFFF);
    EXPECT_EQ(config.ReadInteger(I::HotTrackColor), 0x00FFF0F0);
    EXPECT_EQ(config.ReadInteger(I::HotTrackBorderColor), 0x00FF8080);
    EXPECT_EQ(config.ReadString(S::FontName), "Tahoma");
    EXPECT_EQ(config.ReadInteger(I::FontHeight), -11);
    EXPECT_EQ(config.ReadInteger(I::FontCharset), 1);
    EXPECT_EQ(config.ReadInteger(I::FontColor), -16777208);  // 0xFF000008, window text
    EXPECT_EQ(config.ReadInteger(I::RowWidth), 10);
    for (B style : {B::FontBold, B::FontItalic, B::FontUnderline, B::FontStrikeOut}) {
        EXPECT_FALSE(config.ReadBool(style)) << GlobalKeyName(style);
    }
    for (B on : {B::AnimateAll, B::ShowSignatures, B::AllowHotTrack, B::AnimatedDragAndDrop}) {
        EXPECT_TRUE(config.ReadBool(on)) << GlobalKeyName(on);
    }
    EXPECT_EQ(config.ReadString(S::LangDirectory), "");
    EXPECT_EQ(config.FileName(), ConfigFile());
}

TEST_F(GlobalConfigManagerTest, VisualSettingsAreStoredUnderTheirKeys) {
    {
        // What the visual settings dialog writes on OK, in its order.
        TGlobalConfigManager config(storage_);
        config.WriteInteger(I::RowWidth, 7);
        config.WriteString(S::FontName, "Verdana");
        config.WriteInteger(I::FontHeight, -13);
        config.WriteInteger(I::FontCharset, 204);
        config.WriteInteger(I::FontColor, 0x000000FF);
        config.WriteInteger(I::BackgroundColor, 0x00102030);
        config.WriteInteger(I::HotTrackColor, 0x00AABBCC);
        config.WriteInteger(I::HotTrackBorderColor, static_cast<int32_t>(0xFF00000Du));
        config.WriteBool(B::FontBold, true);
        config.WriteBool(B::FontItalic, false);
        config.WriteBool(B::FontUnderline, true);
        config.WriteBool(B::FontStrikeOut, false);
    }
    // Four values sit under another value's key name.
    EXPECT_EQ(test::ReadBytes(ConfigFile()),
              "[Options]\r\n"
              "RowWidth=7\r\n"
              "FontName=Verdana\r\n"
              "FontHeight=-13\r\n"
              "BackgroundColor=204\r\n"  // character set
              "HotTrackColor=255\r\n"    // font colour
              "FontCharset=1056816\r\n"  // background colour 0x00102030
              "FontColor=11189196\r\n"   // hot-track colour 0x00AABBCC
              "HotTrackBorderColor=-16777203\r\n"
              "FontBold=1\r\n"
              "FontItalic=0\r\n"
              "FontUnderline=1\r\n"
              "FontStrikeOut=0\r\n");
    TGlobalConfigManager again(storage_);
    EXPECT_EQ(again.ReadInteger(I::RowWidth), 7);
    EXPECT_EQ(again.ReadString(S::FontName), "Verdana");
    EXPECT_EQ(again.ReadInteger(I::FontHeight), -13);
    EXPECT_EQ(again.ReadInteger(I::FontCharset), 204);
    EXPECT_EQ(again.ReadInteger(I::FontColor), 0x000000FF);
    EXPECT_EQ(again.ReadInteger(I::BackgroundColor), 0x00102030);
    EXPECT_EQ(again.ReadInteger(I::HotTrackColor), 0x00AABBCC);
    EXPECT_EQ(again.ReadInteger(I::HotTrackBorderColor), static_cast<int32_t>(0xFF00000Du));
    EXPECT_TRUE(again.ReadBool(B::FontBold));
    EXPECT_FALSE(again.ReadBool(B::FontItalic));
    EXPECT_TRUE(again.ReadBool(B::FontUnderline));
    EXPECT_FALSE(again.ReadBool(B::FontStrikeOut));
}

TEST_F(GlobalConfigManagerTest, HandWrittenFile) {
    TGlobalConfigManager config(storage_);
    test::WriteBytes(ConfigFile(),
                     "[options]\n"
                     "fontheight=$FFFFFFF5\n"  // -11 in hexadecimal
                     "FontCharset=0xFF\n"      // background colour
                     "RowWidth=wide\n"         // not an integer: default
                     "AnimateAll=0\n"
                     "LangDirectory=/usr/share/faceloom/Languages/en.lng\n");
    EXPECT_EQ(config.ReadInteger(I::FontHeight), -11);
    EXPECT_EQ(config.ReadInteger(I::BackgroundColor), 255);
    EXPECT_EQ(config.ReadInteger(I::FontCharset), 1);
    EXPECT_EQ(config.ReadInteger(I::RowWidth), 10);
    EXPECT_FALSE(config.ReadBool(B::AnimateAll));
    EXPECT_EQ(config.ReadString(S::LangDirectory), "/usr/share/faceloom/Languages/en.lng");
    test::WriteBytes(ConfigFile(), "[Options]\r\nFontHeight=0xFFFFFFF5\r\n");
    EXPECT_EQ(config.ReadInteger(I::FontHeight), -11);
}

TEST_F(GlobalConfigManagerTest, SwitchesAreWrittenOneByOne) {
    TGlobalConfigManager config(storage_);
    config.WriteBool(B::AllowHotTrack, false);
    config.WriteString(S::LangDirectory, "");
    config.WriteBool(B::AnimatedDragAndDrop, false);
    config.WriteBool(B::AllowHotTrack, true);
    EXPECT_EQ(test::ReadBytes(ConfigFile()),
              "[Options]\r\nAllowHotTrack=1\r\nLangDirectory=\r\nAnimatedDragAndDrop=0\r\n");
    EXPECT_FALSE(config.ReadBool(B::AnimatedDragAndDrop));
    EXPECT_TRUE(config.ReadBool(B::ShowSignatures));
}

// Counts the rewrites of files in a folder: every rewrite creates a temp file of its own
// name beside the file it replaces (distinct names, so the kernel never merges the events).
class TRewriteCounter {
public:
    explicit TRewriteCounter(const std::string& folder) : fd_(::inotify_init1(IN_NONBLOCK)) {
        ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE);
    }
    ~TRewriteCounter() { ::close(fd_); }

    // Rewrites since the last call.
    int Take() {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if ((event->mask & IN_ISDIR) == 0) ++count;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int fd_;
};

// What the visual settings dialog applies on OK, in its order.
TGlobalConfigManager::TBatch VisualSettings(const std::string& fontName) {
    TGlobalConfigManager::TBatch batch;
    batch.WriteInteger(I::RowWidth, 12);
    batch.WriteString(S::FontName, fontName);
    batch.WriteInteger(I::FontHeight, -13);
    batch.WriteInteger(I::FontCharset, 204);
    batch.WriteInteger(I::FontColor, 0x000000FF);
    batch.WriteInteger(I::BackgroundColor, 0x00102030);
    batch.WriteInteger(I::HotTrackColor, 0x00FFF0F0);  // as stored already
    batch.WriteInteger(I::HotTrackBorderColor, static_cast<int32_t>(0xFF00000Du));
    batch.WriteBool(B::FontBold, true);
    batch.WriteBool(B::FontItalic, false);
    batch.WriteBool(B::FontUnderline, true);
    batch.WriteBool(B::FontStrikeOut, false);
    return batch;
}

// A file the user has edited: LF line ends, a comment, a key in other letter case, the
// section followed by another one.
const char* const kEditedFile =
    "; kept\n"
    "[Options]\n"
    "rowwidth=10\n"         // the same key, in other letter case
    "FontColor=16773360\n"  // hot-track colour, already the batch's value
    "AnimateAll=0\n"
    "\n"
    "[Other]\n"
    "RowWidth=3\n";

TEST_F(GlobalConfigManagerTest, ABatchWritesOnceWhatSingleWritesWouldLeave) {
    TGlobalConfigManager config(storage_);
    test::WriteBytes(ConfigFile(), kEditedFile);
    TRewriteCounter rewrites(storage_.Path());
    config.WriteInteger(I::RowWidth, 12);
    config.WriteString(S::FontName, "Verdana");
    config.WriteInteger(I::FontHeight, -13);
    config.WriteInteger(I::FontCharset, 204);
    config.WriteInteger(I::FontColor, 0x000000FF);
    config.WriteInteger(I::BackgroundColor, 0x00102030);
    config.WriteInteger(I::HotTrackColor, 0x00FFF0F0);
    config.WriteInteger(I::HotTrackBorderColor, static_cast<int32_t>(0xFF00000Du));
    config.WriteBool(B::FontBold, true);
    config.WriteBool(B::FontItalic, false);
    config.WriteBool(B::FontUnderline, true);
    config.WriteBool(B::FontStrikeOut, false);
    const std::string singly = test::ReadBytes(ConfigFile());
    EXPECT_EQ(rewrites.Take(), 11);  // the unchanged colour is not rewritten

    test::WriteBytes(ConfigFile(), kEditedFile);
    rewrites.Take();
    config.Write(VisualSettings("Verdana"));
    EXPECT_EQ(rewrites.Take(), 1);
    EXPECT_EQ(test::ReadBytes(ConfigFile()), singly);
    EXPECT_EQ(config.ReadInteger(I::RowWidth), 12);

    config.Write(VisualSettings("Verdana"));  // nothing changes: the file is not rewritten
    EXPECT_EQ(rewrites.Take(), 0);
    config.Write(TGlobalConfigManager::TBatch());
    EXPECT_EQ(rewrites.Take(), 0);

    // A file that did not exist comes out as single writes would create it.
    std::filesystem::remove(ConfigFile());
    config.Write(VisualSettings("Verdana"));
    EXPECT_EQ(test::ReadBytes(ConfigFile()).rfind("[Options]\r\nRowWidth=12\r\nFontName=Verdana\r\n", 0), 0u);
}

TEST_F(GlobalConfigManagerTest, ABatchWithAValueThatCannotBeStoredChangesNothing) {
    TGlobalConfigManager config(storage_);
    test::WriteBytes(ConfigFile(), kEditedFile);
    try {
        config.Write(VisualSettings("Ver\ndana"));  // a line break would split the line
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ConfigFile());
    }
    EXPECT_EQ(test::ReadBytes(ConfigFile()), kEditedFile);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(storage_.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Config", "config.ini"}));
}

}  // namespace
}  // namespace faceloom
