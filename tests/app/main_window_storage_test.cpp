// The main window over a storage whose record of a working copy cannot be trusted: the pack
// is shown, and the user is told why it has no folder.
#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "dialog_test_support.h"
#include "lang/builtin_texts.h"
#include "main_window_test_support.h"
#include "model/define_decoder.h"
#include "model/pack_save.h"
#include "storage/storage_identity.h"
#include "storage/storage_ini_file.h"
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

    {
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        EXPECT_EQ(answers.Seen, std::vector<QString>{"UnreadableStateBox"});
        EXPECT_EQ(editor.Grid().Count(), 2);
        ExpectInStep(editor);
        EXPECT_FALSE(editor.Window->Model()->SourcedPacks().Contains(kAnimatedPack));
    }
    // Said once: the next start shows the pack without the warning.
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    EXPECT_EQ(answers.Seen, std::vector<QString>{});
    EXPECT_EQ(editor.Grid().Count(), 2);
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

// A record made to name a folder of the user's, its check made with the identity read from
// the storage: Save asks about that folder in the language's words, the safe answer first.
// "Choose another folder" leaves the folder as it was and asks for one; "Save there" saves.
TEST_F(MainWindowStorageTest, AFolderNothingVouchesForIsAskedAboutBeforeSaving) {
    const std::string folder = MakePack("pack", 2, ":-)\r\n;-)\r\n");
    {
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        Open(editor, folder);
        ASSERT_TRUE(editor.Window->Model()->SourcedPacks().Contains(kAnimatedPack));
    }
    const std::string user = MakePack("user", 1, "mine\r\n");
    WriteBytes(user + "notes.ini", "notes");
    const std::string identity =
        ReadBytes(TStorageManager(ModeConfigSubPath("Storage")).Path() + kIdentityFileName);
    TStorageManager storage(PackSubPath("Storage", kAnimatedPack));
    TPackState forged;
    forged.Allocated = forged.Loaded = forged.PathAssigned = true;
    forged.SourcePath = user;
    TStorageIniFile(storage).WritePackState(forged, identity);

    TEditor editor;
    editor.Start();
    ASSERT_EQ(editor.Window->Model()->SourcePath(kAnimatedPack), user);
    const std::vector<std::string> files = ListFiles(user);
    const std::string define = ReadBytes(user + "_define.ini");
    for (const char* answer : {"ChooseOtherFolder", "SaveThere"}) {
        SCOPED_TRACE(answer);
        QStringList seen;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen << box->objectName() << (box->defaultButton() ? box->defaultButton()->objectName() : "")
                 << (box->escapeButton() ? box->escapeButton()->objectName() : "");
            EXPECT_EQ(box->text(), Q(BuiltinText(2241)).arg(QString::fromStdString(user)));
            box->findChild<QPushButton*>(answer)->click();
        });
        timer.start(5);
        const size_t asks = editor.Dialogs->FolderAsks.size();
        editor.Window->findChild<QAction*>("TntToolButton3Action")->trigger();
        timer.stop();
        EXPECT_EQ(seen, (QStringList{"ConfirmFolderBox", "ChooseOtherFolder", "ChooseOtherFolder"}));
        if (std::string(answer) == "ChooseOtherFolder") {
            EXPECT_EQ(editor.Dialogs->FolderAsks.size(), asks + 1);
            EXPECT_EQ(ListFiles(user), files);
            EXPECT_EQ(ReadBytes(user + "_define.ini"), define);
        } else {
            EXPECT_EQ(editor.Dialogs->FolderAsks.size(), asks);
            EXPECT_EQ(ListFiles(user), (std::vector<std::string>{"_define.ini", "aa.gif", "ab.gif"}));
            EXPECT_EQ(ReadBytes(user + "_define.ini"), ":-)\r\n;-)");
        }
    }
}

}  // namespace
}  // namespace faceloom::test
