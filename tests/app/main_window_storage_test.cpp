// The main window over a storage whose record of a working copy cannot be trusted: the pack
// is shown, and the user is told why it has no folder.
#include <fstream>

#include "main_window_test_support.h"
#include "model/define_decoder.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"

namespace faceloom::test {
namespace {

class MainWindowStorageTest : public MainWindowTest {};

TEST_F(MainWindowStorageTest, ADamagedRecordKeepsThePackAndSaysSo) {
    const std::string folder = MakePack("pack", 2, ":-)\r\n;-)\r\n");
    {
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        Open(editor, folder);
        ASSERT_EQ(editor.Grid().Count(), 2);
        ASSERT_TRUE(editor.Window->Model()->SourcedPacks().Contains(kAnimatedPack));
    }
    const std::string record =
        TStorageManager(PackSubPath("Storage", kAnimatedPack)).Path() + "Config/Storage.ini";
    std::ofstream(record, std::ios::binary | std::ios::trunc) << "[Storage]\r\nSourcePath=/\r\n";

    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"UnreadableStateBox"});
    EXPECT_EQ(editor.Grid().Count(), 2);
    ExpectInStep(editor);
    EXPECT_FALSE(editor.Window->Model()->SourcedPacks().Contains(kAnimatedPack));
}

}  // namespace
}  // namespace faceloom::test
