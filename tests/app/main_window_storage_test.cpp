// The main window over a storage whose record of a working copy cannot be trusted: the pack
// is shown, and the user is told why it has no folder.
#include <QAction>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "dialog_test_support.h"
#include "lang/builtin_texts.h"
#include "main_window_test_support.h"
#include "model/define_decoder.h"
#include "model/pack_save.h"
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

// A link in the history's place at start-up, and a plain file there before an edit: each is
// said once in a box with its reason and entry, the pack is shown whole and the edit goes on.
TEST_F(MainWindowStorageTest, ALinkOrAStrayFileInTheStorageIsSaidOnce) {
    const std::string folder = MakePack("pack", 3, ":-)\r\n;-)\r\n:-(\r\n");
    std::string history;
    {
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        Open(editor, folder);
        history = editor.Window->Model()->WorkingFolder(kAnimatedPack) + "History";
    }
    const std::string target = MakePack("mine", 1, "mine\r\n");
    const std::vector<std::string> theirs = ListFiles(target);
    std::filesystem::remove_all(history);
    std::filesystem::create_directory_symlink(target, history);

    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveFailureBox"});
    EXPECT_EQ(editor.Window->LastSaveFailure(),
              Q(BuiltinText(2221)) + "\n" + QString::fromStdString(history));
    EXPECT_EQ(editor.Grid().Count(), 3);
    EXPECT_EQ(ListFiles(target), theirs);

    std::filesystem::remove_all(history);
    WriteBytes(history, "not a folder");
    editor.Grid().SetItemIndex(1);
    editor.Child<QPushButton>("TntBitBtn8")->click();  // delete smile
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"SaveFailureBox", "SaveFailureBox"}));
    EXPECT_EQ(editor.Window->LastSaveFailure(),
              Q(BuiltinText(2222)) + "\n" + QString::fromStdString(history));
    EXPECT_EQ(editor.Grid().Count(), 2);
    ExpectInStep(editor);
}

// Saving into the editor's own storage area, and opening a folder that holds another
// storage's unfinished save, are refused with their reasons; nothing is lost or touched.
TEST_F(MainWindowStorageTest, RefusedTargetsAndForeignSavesAreSaidWithTheirReasons) {
    const std::string folder = MakePack("pack", 2, ":-)\r\n;-)\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    TDefineDecoder& model = *editor.Window->Model();
    const std::string working = model.WorkingFolder(kAnimatedPack);
    const std::string before = ReadBytes(working + "_define.ini");
    editor.Dialogs->Folders.push_back(QString::fromStdString(working));
    editor.Window->findChild<QAction*>("TntToolButton4Action")->trigger();
    EXPECT_TRUE(editor.Window->LastSaveFailure().contains(Q(BuiltinText(1718))))
        << editor.Window->LastSaveFailure().toStdString();
    EXPECT_EQ(model.SourcePath(kAnimatedPack), folder);
    EXPECT_EQ(ReadBytes(working + "_define.ini"), before);
    EXPECT_EQ(editor.Grid().Count(), 2);

    // A folder holding a journal this storage did not write: opened, it is refused and kept.
    const std::string foreign = MakePack("foreign", 1, "x\r\n");
    TSaveJournal journal;
    journal.Phase = TSavePhase::Commit;
    journal.Identity = std::string(32, 'f');
    journal.NewNames = {"_define.ini"};
    journal.OldNames = {"_define.ini", "p0.gif"};
    WriteBytes(foreign + kSaveJournalName, journal.Encode());
    const std::vector<std::string> files = ListFiles(foreign);
    answers.Answer(kResultNo);  // the save question for the open pack: do not save
    Open(editor, foreign);
    EXPECT_TRUE(editor.Window->LastSaveFailure().contains(Q(BuiltinText(1719))))
        << editor.Window->LastSaveFailure().toStdString();
    EXPECT_EQ(ListFiles(foreign), files);
    EXPECT_EQ(editor.Grid().Count(), 2);
    ExpectInStep(editor);
}

}  // namespace
}  // namespace faceloom::test
