#include "lang/lang_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/files.h"
#include "platform/program_folder.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

void WriteLanguage(const std::string& path, const std::u16string& name) {
    test::WriteBytes(
        path, test::WritePeModule(test::StringTableResources({{101, name}, {202, name + u" cancel"}})).bytes);
}

// A language folder: three languages in mixed letter case, one without a name, and things
// that must not be listed.
class LangManagerTest : public testing::Test {
protected:
    void SetUp() override {
        WriteLanguage(dir_.file("b.lng"), u"Bravo");
        WriteLanguage(dir_.file("A.LNG"), u"Alpha");
        WriteLanguage(dir_.file("c.Lng"), u"Charlie");
        test::WriteBytes(dir_.file("nameless.lng"),
                         test::WritePeModule(test::StringTableResources({{1602, u"x"}})).bytes);
        test::WriteBytes(dir_.file("broken.lng"), "not a module");
        WriteLanguage(dir_.file("other.txt"), u"Not a language file name");
        std::filesystem::create_directory(dir_.file("folder.lng"));
    }

    // Every selection, as OnChange saw it.
    void Record(TLangManager& manager) {
        manager.OnChange = [this, &manager](TLangManager& sender, TLang& language) {
            EXPECT_EQ(&sender, &manager);
            EXPECT_EQ(&language, manager.CurrentLanguage());
            changes_.push_back(language.Name());
        };
    }

    std::vector<std::u16string> Names(const TLangManager& manager) {
        std::vector<std::u16string> names;
        for (int i = 0; i < manager.LanguageCount(); ++i) {
            names.push_back(manager.GetLanguage(i)->Name());
        }
        return names;
    }

    test::TempDir dir_;
    std::vector<std::u16string> changes_;
};

TEST_F(LangManagerTest, StartsWithTheBuiltInLanguageOnly) {
    TLangManager manager(dir_.path().string());
    EXPECT_EQ(manager.Directory(), dir_.folder());
    ASSERT_EQ(manager.LanguageCount(), 1);
    EXPECT_TRUE(manager.GetLanguage(0)->BuiltIn());
    EXPECT_EQ(manager.GetKey(0), "");
    EXPECT_EQ(manager.GetLanguage(1), nullptr);
    EXPECT_EQ(manager.GetLanguage(-1), nullptr);
    EXPECT_EQ(manager.CurrentLanguage(), nullptr);
    EXPECT_EQ(manager.CurrentFileName(), "");
    EXPECT_EQ(manager.CurrentIndex(), 0);
    EXPECT_FALSE(manager.OnChange);
}

TEST_F(LangManagerTest, ScanListsLoadableFilesInNameOrderAfterTheBuiltIn) {
    TLangManager manager(dir_.folder());
    manager.Scan();
    EXPECT_EQ(Names(manager),
              (std::vector<std::u16string>{u"Русский", u"Alpha", u"Bravo", u"Charlie", u"Lang Error"}));
    EXPECT_EQ(manager.GetKey(0), "");
    EXPECT_EQ(manager.GetKey(1), dir_.file("A.LNG"));
    EXPECT_EQ(manager.GetKey(4), dir_.file("nameless.lng"));
    EXPECT_EQ(manager.GetLanguage(2)->FileName(), dir_.file("b.lng"));
    // Scanning again starts over.
    std::filesystem::remove(dir_.file("b.lng"));
    manager.Scan();
    EXPECT_EQ(Names(manager), (std::vector<std::u16string>{u"Русский", u"Alpha", u"Charlie", u"Lang Error"}));
}

TEST_F(LangManagerTest, ScanOfAMissingFolderListsTheBuiltInOnly) {
    TLangManager manager(dir_.file("nowhere"));
    manager.Scan();
    EXPECT_EQ(Names(manager), std::vector<std::u16string>{u"Русский"});
}

TEST_F(LangManagerTest, SelectByNameIgnoresLetterCaseAndTakesTheListedName) {
    TLangManager manager(dir_.folder());
    manager.Scan();
    Record(manager);
    manager.SelectByName(dir_.folder() + "B.lng");
    ASSERT_NE(manager.CurrentLanguage(), nullptr);
    EXPECT_EQ(manager.CurrentLanguage()->Name(), u"Bravo");
    EXPECT_EQ(manager.CurrentFileName(), dir_.file("b.lng"));
    EXPECT_EQ(manager.CurrentIndex(), 2);
    // The current language is an object of its own, not the listed one.
    EXPECT_NE(manager.CurrentLanguage(), manager.GetLanguage(2));

    manager.SelectByName(dir_.file("unknown.lng"));
    EXPECT_TRUE(manager.CurrentLanguage()->BuiltIn());
    EXPECT_EQ(manager.CurrentFileName(), "");
    EXPECT_EQ(manager.CurrentIndex(), 0);

    manager.SelectByName("");
    EXPECT_TRUE(manager.CurrentLanguage()->BuiltIn());
    EXPECT_EQ(changes_, (std::vector<std::u16string>{u"Bravo", u"Русский", u"Русский"}));
}

TEST_F(LangManagerTest, SelectByNameOfAFileGoneSinceTheScanGivesTheBuiltIn) {
    TLangManager manager(dir_.folder());
    manager.Scan();
    std::filesystem::remove(dir_.file("c.Lng"));
    manager.SelectByName(dir_.file("c.Lng"));
    EXPECT_TRUE(manager.CurrentLanguage()->BuiltIn());
    EXPECT_EQ(manager.CurrentFileName(), "");
}

TEST_F(LangManagerTest, SelectByIndexTakesTheKeyOrTheBuiltIn) {
    TLangManager manager(dir_.folder());
    manager.Scan();
    Record(manager);
    manager.SelectByIndex(3);
    EXPECT_EQ(manager.CurrentLanguage()->Name(), u"Charlie");
    EXPECT_EQ(manager.CurrentLanguage()->Text(202), u"Charlie cancel");
    EXPECT_EQ(manager.CurrentFileName(), dir_.file("c.Lng"));
    EXPECT_EQ(manager.CurrentIndex(), 3);
    manager.SelectByIndex(0);
    EXPECT_TRUE(manager.CurrentLanguage()->BuiltIn());
    EXPECT_EQ(manager.CurrentFileName(), "");
    for (int outOfRange : {-1, manager.LanguageCount()}) {
        manager.SelectByIndex(1);
        manager.SelectByIndex(outOfRange);
        EXPECT_TRUE(manager.CurrentLanguage()->BuiltIn());
        EXPECT_EQ(manager.CurrentFileName(), "");
        EXPECT_EQ(manager.CurrentIndex(), 0);
    }
    EXPECT_EQ(changes_, (std::vector<std::u16string>{u"Charlie", u"Русский", u"Alpha", u"Русский", u"Alpha",
                                                     u"Русский"}));
}

TEST_F(LangManagerTest, AddAndSelectListsAndSelectsTheSameObject) {
    TLangManager manager(dir_.folder());
    Record(manager);
    manager.AddAndSelect(dir_.file("b.lng"));
    ASSERT_EQ(manager.LanguageCount(), 2);
    EXPECT_EQ(manager.CurrentLanguage(), manager.GetLanguage(1));
    EXPECT_EQ(manager.CurrentFileName(), dir_.file("b.lng"));
    EXPECT_EQ(manager.CurrentIndex(), 1);
    EXPECT_EQ(changes_, std::vector<std::u16string>{u"Bravo"});

    // A file that is not a module: the built-in language, listed under an empty key, while
    // the name asked for is kept as the current file name.
    manager.AddAndSelect(dir_.file("broken.lng"));
    ASSERT_EQ(manager.LanguageCount(), 3);
    EXPECT_TRUE(manager.CurrentLanguage()->BuiltIn());
    EXPECT_EQ(manager.CurrentLanguage(), manager.GetLanguage(2));
    EXPECT_EQ(manager.GetKey(2), "");
    EXPECT_EQ(manager.CurrentFileName(), dir_.file("broken.lng"));
    EXPECT_EQ(manager.CurrentIndex(), 0);
}

TEST_F(LangManagerTest, CurrentLanguageOutlivesTheListItCameFrom) {
    // Run under the address sanitizer this also proves each language is destroyed once.
    TLangManager manager(dir_.folder());
    manager.AddAndSelect(dir_.file("A.LNG"));
    TLang* current = manager.CurrentLanguage();
    manager.Scan();  // destroys the old list, which held the current language
    ASSERT_EQ(manager.CurrentLanguage(), current);
    EXPECT_EQ(manager.CurrentLanguage()->Name(), u"Alpha");
    EXPECT_EQ(manager.CurrentIndex(), 1);  // found again among the new keys
    manager.Reset();
    EXPECT_EQ(manager.CurrentLanguage()->Name(), u"Alpha");
    manager.SelectByIndex(0);
    manager.AddAndSelect(dir_.file("c.Lng"));
    EXPECT_EQ(manager.CurrentLanguage()->Name(), u"Charlie");
}

TEST_F(LangManagerTest, OptionsDialogFlow) {
    // Scan, select the stored language quietly, then apply every choice.
    TLangManager manager(dir_.folder());
    manager.Scan();
    manager.SelectByName(dir_.folder() + "a.lng");
    EXPECT_EQ(manager.CurrentIndex(), 1);
    Record(manager);
    manager.SelectByIndex(2);
    EXPECT_EQ(changes_, std::vector<std::u16string>{u"Bravo"});
    EXPECT_EQ(manager.CurrentFileName(), dir_.file("b.lng"));  // what is stored on close
}

TEST(LanguageFolder, IsNextToTheProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(FileExists(folder + "test_lang"));
    EXPECT_EQ(DefaultLanguageDirectory(), folder + "Languages/");
}

}  // namespace
}  // namespace faceloom
