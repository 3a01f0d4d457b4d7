// The main window driven offscreen as a user drives it: through its buttons, the grid's
// events and the dialogs, with the file dialogs answered by the test.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "app/commands/command_table.h"
#include "app/commands/editor_commands.h"
#include "app/commands/interface_manager.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/query_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/visual_form.h"
#include "app/dialogs/warning_form.h"
#include "dialog_test_support.h"
#include "lang/builtin_texts.h"
#include "lang/lang.h"
#include "main_window_test_support.h"
#include "model/define_decoder.h"
#include "pictures/picture_decoder.h"
#include "platform/code_page.h"
#include "platform/instance_lock.h"
#include "storage/config_manager.h"
#include "storage/global_config_manager.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"
#include "support/pack_builder.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"
#include "views/smile_view_smile.h"

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, StartsOnAnEmptyStorageWithOnlyOpeningModesOptionsAndAbout) {
    TEditor editor;
    editor.Start();
    ASSERT_TRUE(editor.Window->EngineRunning());
    // Import too: another messenger's pack comes in as a new pack.
    EXPECT_EQ(editor.Window->Interface().EnabledSet(),
              (1u << 0) | (1u << 1) | (1u << 5) | (1u << 6) | (1u << 7) | (1u << 8) | (1u << 9) | (1u << 29));
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), QString());
    EXPECT_FALSE(editor.Child("TntToolButton3")->isEnabled());
    EXPECT_FALSE(editor.Child("TntBitBtn2")->isEnabled());
    EXPECT_TRUE(editor.Child("TntToolButton2")->isEnabled());
    // The storage is this instance's while it runs.
    TInstanceLock other(InstanceLockName("Storage"), TStorageManager(ModeConfigSubPath("Storage")).Path());
    EXPECT_FALSE(other.TryAcquire());
    editor.Window->close();
    EXPECT_FALSE(editor.Window->EngineRunning());
    EXPECT_TRUE(other.TryAcquire());
}

TEST_F(MainWindowTest, ASecondInstanceOnTheSameStorageShowsTheErrorAndStops) {
    TInstanceLock first(InstanceLockName("Storage"), TStorageManager(ModeConfigSubPath("Storage")).Path());
    ASSERT_TRUE(first.TryAcquire());
    TModalAnswers answers;
    answers.Answer(kResultOk);
    TEditor editor;
    bool closed = false;
    QObject::connect(editor.Window.get(), &TManagerMain::Closed, [&closed] { closed = true; });
    editor.Start();
    EXPECT_TRUE(editor.Window->Refused());
    EXPECT_FALSE(editor.Window->EngineRunning());
    EXPECT_EQ(editor.Window->Model(), nullptr);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"ErrorForm"});
    EXPECT_TRUE(closed);
    EXPECT_TRUE(first.Held());
}

TEST_F(MainWindowTest, AddsSmilesAfterTheSelectionByButtonMenuAndDropKeepingGridModelAndFileInStep) {
    const std::string folder = MakePack("pack", 3, ":-)\r\n;-)\r\n:-(\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    ASSERT_EQ(editor.Grid().Count(), 3);
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "3");
    EXPECT_TRUE(editor.Child("TntBitBtn2")->isEnabled());

    // Nothing selected: the button inserts at the start. A file that is not there adds
    // nothing, is said, and the following file keeps its place.
    TModalAnswers answers;
    const std::string gone = packs_.folder() + "gone.gif";
    editor.Dialogs->Files.push_back({QString::fromStdString(Gif("n1.gif", 30)), QString::fromStdString(gone),
                                     QString::fromStdString(Gif("n2.gif", 31))});
    editor.Child<QPushButton>("TntBitBtn2")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{30, 31, 10, 11, 12}));
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveFailureBox"});
    EXPECT_TRUE(editor.Window->LastSaveFailure().endsWith("\n" + QString::fromStdString(gone)));
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);
    // Everything an add takes first, then the pack's own kind.
    EXPECT_EQ(editor.Dialogs->Requests.back().Filter,
              QString::fromUtf8(
                  "Картинки и архивы (*.gif;*.bmp;*.png;*.jpg;*.jpeg;*.webp;*.zip)|"
                  "*.gif;*.bmp;*.png;*.jpg;*.jpeg;*.webp;*.zip|GIF-файлы (*.gif)|*.gif|Все файлы (*.*)|*.*"));
    ExpectInStep(editor);

    // The context menu inserts after the smile under it.
    editor.Window->SmileView1ContextMenu(QPoint(0, 0), 3);
    editor.Window->ContextMenu()->hide();
    editor.Dialogs->Files.push_back({QString::fromStdString(Gif("m.gif", 40))});
    editor.Window->findChild<QAction*>("AddSmile")->trigger();
    EXPECT_EQ(Widths(editor), (std::vector<int>{30, 31, 10, 11, 40, 12}));

    // Dropped on the last smile: appended; dropped where there is no smile: at the start.
    editor.Window->SmileView1DropFiles(5, {QString::fromStdString(Gif("d1.gif", 50))});
    editor.Window->SmileView1DropFiles(-1, {QString::fromStdString(Gif("d2.gif", 51))});
    EXPECT_EQ(Widths(editor), (std::vector<int>{51, 30, 31, 10, 11, 40, 12, 50}));
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "8");
    ExpectInStep(editor);
    EXPECT_EQ(Define(editor), " \r\n \r\n \r\n:-)\r\n;-)\r\n \r\n:-(\r\n \r\n");
}

TEST_F(MainWindowTest, DeletesWithoutAskingUndoesAndMovesSmiles) {
    const std::string folder = MakePack("pack", 4, "a\r\nb\r\nc\r\nd\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Grid().SetItemIndex(0);

    // A deletion can be undone, so it no longer asks: it is made at once, and undo brings the
    // smile back to its place, in the grid and in the file.
    TModalAnswers answers;
    const std::string original = Define(editor);
    editor.Child<QPushButton>("TntBitBtn8")->click();
    EXPECT_TRUE(answers.Seen.empty());
    EXPECT_EQ(Widths(editor), (std::vector<int>{11, 12, 13}));
    editor.Window->Commands().Run(TCommand::Undo);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(Define(editor), original);
    ExpectInStep(editor);
    editor.Grid().SetItemIndex(1);
    editor.Child<QPushButton>("TntBitBtn8")->click();
    EXPECT_TRUE(answers.Seen.empty());
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 12, 13}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 0);

    // Moves: left disabled at the start, right and back.
    EXPECT_FALSE(editor.Child("TntBitBtn5")->isEnabled());
    editor.Child<QPushButton>("TntBitBtn7")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{12, 10, 13}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);
    // A drag the grid already made is followed by the model.
    editor.Grid().Smiles().Move(2, 0);
    editor.Window->SmileView1SmileMove(2, 0);
    EXPECT_EQ(Widths(editor), (std::vector<int>{13, 12, 10}));
    ExpectInStep(editor);
    EXPECT_EQ(Define(editor), "d\r\nc\r\na");

    // Deleting the picture keeps the smile with the placeholder.
    editor.Grid().SetItemIndex(1);
    EXPECT_TRUE(editor.Child("TntBitBtn10")->isEnabled());
    editor.Child<QPushButton>("TntBitBtn10")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{13, 0, 10}));
    EXPECT_FALSE(editor.Child("TntBitBtn10")->isEnabled());
    // Replacing it enables delete picture again at once.
    editor.Dialogs->Files.push_back({QString::fromStdString(Gif("r.gif", 60))});
    editor.Child<QPushButton>("TntBitBtn4")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{13, 60, 10}));
    EXPECT_TRUE(editor.Child("TntBitBtn10")->isEnabled());
    ExpectInStep(editor);
}

// The list's current row is set by the focus reaching it (Tab), not only by the user's choice:
// with no signature chosen a new one goes to the top, otherwise after the chosen one.
TEST_F(MainWindowTest, AddSignatureGoesAfterTheChosenSignatureOrAtTheTop) {
    TEditor editor;
    editor.Start();
    Open(editor, MakePack("pack", 1, "a,b\r\n"));
    editor.Grid().SetItemIndex(0);
    QListWidget& list = *editor.Window->SignatureList();
    ASSERT_EQ(list.count(), 2);
    TModalAnswers answers;
    auto type = [](const char* text) {
        return [text](TDialogBase& dialog) {
            static_cast<TSignatureForm&>(dialog).SetText(QString::fromUtf8(text));
            dialog.done(kResultOk);
        };
    };
    list.clearSelection();
    list.selectionModel()->setCurrentIndex(list.model()->index(1, 0), QItemSelectionModel::NoUpdate);
    answers.Answer(type("c"));
    editor.Window->Commands().Run(TCommand::AddSignature);
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(),
              (std::vector<std::string>{"c", "a", "b"}));
    list.setCurrentRow(1);
    editor.Window->ListBox1Click();
    answers.Answer(type("d"));
    editor.Window->Commands().Run(TCommand::AddSignature);
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(),
              (std::vector<std::string>{"c", "a", "d", "b"}));
    EXPECT_TRUE(answers.Done());
}

TEST_F(MainWindowTest, SignaturesAreAddedEditedMovedDeletedAndFoundNeverTwice) {
    const std::string folder = MakePack("pack", 2, ":-)\r\n;-)\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Grid().SetItemIndex(0);
    QListWidget& list = *editor.Window->SignatureList();
    ASSERT_EQ(list.count(), 1);

    TModalAnswers answers;
    auto type = [](const char* text) {
        return [text](TDialogBase& dialog) {
            static_cast<TSignatureForm&>(dialog).SetText(QString::fromUtf8(text));
            dialog.done(kResultOk);
        };
    };
    // Added at the top when none is selected.
    answers.Answer(type(":)"));
    editor.Child<QPushButton>("TntBitBtn11")->click();
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(), (std::vector<std::string>{":)", ":-)"}));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(editor.Grid().Smiles().Get(0), ":)");
    EXPECT_TRUE(editor.Child("TntBitBtn12")->isEnabled());
    EXPECT_FALSE(editor.Child("TntBitBtn13")->isEnabled());

    // A text another smile has: the duplicate dialog; "show" selects that smile.
    answers.Answer(type(";-)"));
    answers.Answer(kResultCancel);
    editor.Child<QPushButton>("TntBitBtn11")->click();
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);
    EXPECT_EQ(list.currentRow(), 0);

    // Editing unchanged reports it exists.
    answers.Answer(kResultOk);  // the edit dialog with the text as it stands
    answers.Answer(kResultOk);  // "OK" in the duplicate dialog
    editor.Child<QPushButton>("TntBitBtn12")->click();
    EXPECT_EQ(answers.Seen.back(), "SmileExistsForm");

    // Move down and delete.
    editor.Grid().SetItemIndex(0);
    list.setCurrentRow(0);
    editor.Window->ListBox1Click();
    editor.Child<QPushButton>("TntBitBtn16")->click();
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(), (std::vector<std::string>{":-)", ":)"}));
    EXPECT_EQ(editor.Grid().Smiles().Get(0), ":-)");
    list.setCurrentRow(0);
    editor.Window->ListBox1Click();
    editor.Child<QPushButton>("TntBitBtn14")->click();
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(), (std::vector<std::string>{":)"}));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(Define(editor), ":)\r\n;-)");

    // Find, letter case ignored; not found clears the selection.
    answers.Answer(type(";-)"));
    editor.Child<QPushButton>("TntBitBtn15")->click();
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);
    answers.Answer(type("zzz"));
    editor.Child<QPushButton>("TntBitBtn15")->click();
    EXPECT_EQ(editor.Grid().ItemIndex(), -1);
    EXPECT_TRUE(answers.Done());
}

TEST_F(MainWindowTest, ClosingAPackAsksAndCancelKeepsEverything) {
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    // Only a changed pack is asked about.
    editor.Grid().SetItemIndex(0);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    TModalAnswers answers;
    answers.Answer(kResultCancel);
    editor.Window->findChild<QAction*>("TntToolButton5Action")->trigger();
    EXPECT_EQ(editor.Grid().Count(), 2);
    EXPECT_TRUE(editor.Child("TntToolButton3")->isEnabled());
    answers.Answer(kResultNo);
    editor.Window->findChild<QAction*>("TntToolButton5Action")->trigger();
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"QueryForm", "QueryForm"}));
    EXPECT_EQ(editor.Grid().Count(), 0);
    EXPECT_EQ(editor.Window->Interface().EnabledSet() & ((1u << 2) | (1u << 10) | (1u << 23)), 0u);
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), QString());

    // "Yes" writes the moved smile back to the folder before closing.
    Open(editor, folder);
    editor.Grid().SetItemIndex(0);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    answers.Answer(kResultYes);
    editor.Window->findChild<QAction*>("TntToolButton5Action")->trigger();
    EXPECT_EQ(editor.Grid().Count(), 0);
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), "b\r\na");
}

// The save question comes exactly when the title shows "*": never for a pack as it was opened
// or saved, always for a changed one, and it names the pack by its folder.
TEST_F(MainWindowTest, TheSaveQuestionComesExactlyWhenTheTitleShowsAChange) {
    const std::string folder = MakePack("sample", 2, "a\r\nb\r\n");
    const struct {
        const char* Name;
        std::function<void(TEditor&)> Run;
        bool EndsTheWindow;
    } operations[] = {
        {"new", [](TEditor& e) { e.Window->Commands().Run(TCommand::NewPack); }, false},
        {"open", [&](TEditor& e) { Open(e, folder); }, false},
        {"close", [](TEditor& e) { e.Window->Commands().Run(TCommand::ClosePack); }, false},
        {"exit",
         [](TEditor& e) {
             e.Window->Model()->Config().WriteBool(TConfigBoolKey::SaveOnExit, true);
             e.Window->close();
         },
         true},
    };
    auto starred = [](TEditor& e) { return e.Window->windowTitle().startsWith("*"); };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.Name);
        {
            // As opened: no "*", no question.
            TEditor editor;
            editor.Start();
            Open(editor, folder);
            ASSERT_EQ(editor.Grid().Count(), 2);
            EXPECT_FALSE(starred(editor));
            TModalAnswers answers;
            operation.Run(editor);
            EXPECT_EQ(answers.Seen, std::vector<QString>{});
        }
        TEditor editor;
        editor.Start();
        Open(editor, folder);
        ASSERT_EQ(editor.Grid().Count(), 2);
        editor.Grid().SetItemIndex(0);
        editor.Child<QPushButton>("TntBitBtn7")->click();
        EXPECT_TRUE(starred(editor));
        TModalAnswers answers;
        QString question;
        answers.Answer([&](TDialogBase& dialog) {
            question = dialog.findChild<QLabel*>("TntLabel1")->text();
            dialog.done(kResultCancel);
        });
        operation.Run(editor);
        EXPECT_EQ(answers.Seen, std::vector<QString>{"QueryForm"});
        EXPECT_EQ(question, QString::fromStdU16String(FillPlaceholders(BuiltinText(2341), {"sample"})));
        EXPECT_EQ(editor.Grid().Count(), 2);
        EXPECT_TRUE(editor.Window->isVisible());
        // Saved (Ctrl+S): the "*" goes and so does the question.
        editor.Window->Commands().Run(TCommand::Save);
        EXPECT_FALSE(starred(editor));
        operation.Run(editor);
        EXPECT_EQ(answers.Seen, std::vector<QString>{"QueryForm"});
        if (operation.EndsTheWindow) {
            EXPECT_FALSE(editor.Window->EngineRunning());
        }
    }
}

// A stop request (the window's close, as a signal or the session's end gives it) while the
// model waits on its question: the question is cancelled, the command unwinds, then the window
// closes; the pack is kept.
TEST_F(MainWindowTest, ClosingTheWindowDuringAQuestionOfTheModelWaitsForIt) {
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Grid().SetItemIndex(0);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    TModalAnswers answers;
    answers.Answer([&](TDialogBase& dialog) {
        editor.Window->close();
        // The question is answered by the close itself.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 2000));
    });
    editor.Window->findChild<QAction*>("TntToolButton5Action")->trigger();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"QueryForm"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor.Window->isVisible(); }, 5000));
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), "a\r\nb\r\n");
}

TEST_F(MainWindowTest, AnUnclosedPackIsShownAgainAtTheNextStartAndSaveOnExitCancelKeepsTheWindow) {
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\n");
    {
        TEditor editor;
        editor.Start();
        Open(editor, folder);
        editor.Grid().SetItemIndex(0);
        editor.Child<QPushButton>("TntBitBtn7")->click();
    }
    TEditor editor;
    editor.Start();
    EXPECT_EQ(Widths(editor), (std::vector<int>{11, 10}));
    ExpectInStep(editor);
    editor.Window->Model()->Config().WriteBool(TConfigBoolKey::SaveOnExit, true);
    TModalAnswers answers;
    answers.Answer(kResultCancel);
    EXPECT_FALSE(editor.Window->close());
    EXPECT_TRUE(editor.Window->EngineRunning());
    EXPECT_EQ(editor.Grid().Count(), 2);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"QueryForm"});
    // Answered "No": the pack closes and the program may end.
    answers.Answer(kResultNo);
    EXPECT_TRUE(editor.Window->close());
    EXPECT_FALSE(editor.Window->EngineRunning());
}

TEST_F(MainWindowTest, ModeButtonsSwitchPacksAndTogglesAreStored) {
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    auto* staticButton = editor.Window->findChild<QAction*>("TntToolButton7Action");
    staticButton->trigger();
    EXPECT_EQ(editor.Window->Model()->CurrentPack(), kStaticPack);
    EXPECT_EQ(editor.Grid().Count(), 0);
    EXPECT_FALSE(editor.Child("TntBitBtn2")->isEnabled());
    EXPECT_TRUE(staticButton->isChecked());
    // Pressing the current mode's button again changes nothing.
    staticButton->trigger();
    EXPECT_TRUE(staticButton->isChecked());
    EXPECT_EQ(editor.Window->Model()->CurrentPack(), kStaticPack);
    editor.Window->findChild<QAction*>("TntToolButton8Action")->trigger();
    EXPECT_EQ(editor.Grid().Count(), 2);

    // Both-packs mode with only the animated pack present: save stays enabled on the static side.
    auto* both = editor.Window->findChild<QAction*>("TntToolButton9Action");
    both->trigger();
    EXPECT_TRUE(editor.Window->Model()->BothMode());
    staticButton->trigger();
    EXPECT_TRUE(editor.Child("TntToolButton3")->isEnabled());
    EXPECT_FALSE(editor.Child("TntBitBtn15")->isEnabled());

    editor.Child<QToolButton>("TntSpeedButton2")->click();
    EXPECT_FALSE(editor.Grid().ShowSignatures());
    EXPECT_FALSE(editor.Window->Settings().ReadBool(TGlobalBoolKey::ShowSignatures));
    editor.Child<QToolButton>("TntSpeedButton1")->click();
    EXPECT_FALSE(editor.Window->Settings().ReadBool(TGlobalBoolKey::AnimateAll));
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, ALanguageChosenInOptionsStaysAfterCancelAndRelabelsEveryWindow) {
    // One smile without signatures.
    const std::string folder = MakePack("pack", 1, ",\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    const std::unique_ptr<TLang> english = English();
    answers.Answer([](TDialogBase& dialog) {
        auto* box = dialog.findChild<QComboBox*>("TntComboBox1");
        ASSERT_GE(box->count(), 2);
        const int other = box->currentIndex() == 0 ? 1 : 0;
        box->setCurrentIndex(other);
        emit box->activated(other);
        dialog.done(kResultCancel);
    });
    editor.Window->findChild<QAction*>("TntToolButton11Action")->trigger();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"OptionsForm"});
    EXPECT_EQ(editor.Window->windowTitle(), Q(english->Text(401)));
    EXPECT_EQ(editor.Child("TntBitBtn8")->toolTip().left(Q(english->Text(418)).size()),
              Q(english->Text(418)));
    EXPECT_EQ(editor.Grid().Smiles().Get(0), Q(english->Text(301)));
    EXPECT_EQ(editor.Forms.QueryForm->windowTitle(), [&] {
        TQueryForm fresh;
        fresh.ApplyLanguage(*english);
        return fresh.windowTitle();
    }());
    EXPECT_TRUE(QString::fromStdString(editor.Window->Settings().ReadString(TGlobalStringKey::LangDirectory))
                    .endsWith("English.lng"));
}

TEST_F(MainWindowTest, VisualSettingsIgnoreLettersAsColumnCountButApplyTheColours) {
    TEditor editor;
    editor.Start();
    TModalAnswers answers;
    answers.Answer([](TDialogBase& dialog) {
        auto& form = static_cast<TVisualForm&>(dialog);
        EXPECT_EQ(form.ColumnText(), "10");
        form.SetColumnText("ab");
        form.Sample()->SetColor(0x0000FF);
        dialog.done(kResultOk);
    });
    editor.Child<QToolButton>("TntSpeedButton5")->click();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"VisualForm"});
    EXPECT_EQ(editor.Grid().RowWidth(), 10);
    EXPECT_EQ(editor.Grid().Color(), 0x0000FFu);
    EXPECT_EQ(editor.Window->Settings().ReadInteger(TGlobalIntegerKey::BackgroundColor), 0x0000FF);
    EXPECT_EQ(editor.Window->Settings().ReadInteger(TGlobalIntegerKey::RowWidth), 10);
    EXPECT_TRUE(editor.Window->isVisible());
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, SavingShowsTheErrorReportFirstAndSaveAsWritesTheChosenFolder) {
    // The second smile has no signature: the pack has errors.
    const std::string folder = MakePack("pack", 2, ":-)\r\n,\r\n");
    const std::string original = ReadBytes(folder + "_define.ini");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Grid().SetItemIndex(0);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    QAction* save = editor.Window->findChild<QAction*>("TntToolButton3Action");
    QAction* saveAs = editor.Window->findChild<QAction*>("TntToolButton4Action");
    auto press = [](const char* button) {
        return [button](TDialogBase& dialog) { dialog.findChild<QPushButton*>(button)->click(); };
    };

    // The report left by "Нет", Escape or the close box: nothing saved, no target asked for.
    answers.Answer(press("TntBitBtn2"));
    save->trigger();
    answers.Answer([](TDialogBase& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    save->trigger();
    answers.Answer([](TDialogBase& dialog) { dialog.close(); });
    saveAs->trigger();
    EXPECT_TRUE(editor.Dialogs->FolderAsks.empty());
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), original);
    // "Да" saves despite the errors.
    answers.Answer(press("TntBitBtn1"));
    save->trigger();
    const std::string saved = Define(editor);
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), saved);
    EXPECT_NE(saved, original);

    const std::string target = packs_.folder() + "copy/";
    std::filesystem::create_directories(target);
    answers.Answer(press("TntBitBtn1"));
    editor.Dialogs->Folders.push_back(QString::fromStdString(packs_.folder() + "copy"));
    saveAs->trigger();
    EXPECT_EQ(ReadBytes(target + "_define.ini"), saved);
    EXPECT_EQ(ListFiles(target, ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif"}));

    // Targets the pack cannot be written to: a folder whose "_define.ini" is a folder, and a
    // folder inside a regular file (which the superuser cannot make either). The message;
    // the targets, the pack's folder and the working copy as they were.
    const std::string blocked = packs_.folder() + "blocked/";
    std::filesystem::create_directories(blocked + "_define.ini");
    std::ofstream(packs_.folder() + "file") << "x";
    const std::vector<std::string> packFiles = ListFiles(folder);
    for (const char* name : {"blocked", "file/pack"}) {
        answers.Answer(press("TntBitBtn1"));
        editor.Dialogs->Folders.push_back(QString::fromStdString(packs_.folder() + name));
        saveAs->trigger();
        EXPECT_TRUE(editor.Window->LastSaveFailure().contains(name));
    }
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"SaveErrorsForm", "SaveErrorsForm", "SaveErrorsForm",
                                                  "SaveErrorsForm", "SaveErrorsForm", "SaveErrorsForm",
                                                  "SaveFailureBox", "SaveErrorsForm", "SaveFailureBox"}));
    EXPECT_EQ(ListFiles(blocked), std::vector<std::string>{});
    EXPECT_EQ(ReadBytes(packs_.folder() + "file"), "x");
    EXPECT_EQ(ListFiles(folder), packFiles);
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), saved);
    EXPECT_EQ(Define(editor), saved);
    EXPECT_EQ(Widths(editor), (std::vector<int>{11, 10}));
    ExpectInStep(editor);
    // The window goes on: the pack still saves where it came from.
    answers.Answer(press("TntBitBtn1"));
    save->trigger();
    EXPECT_EQ(answers.Seen.back(), "SaveErrorsForm");
    EXPECT_TRUE(answers.Done());
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, KeysRunTheCommandsOnlyWhileTheirElementsAreEnabled) {
    const std::string folder = MakePack("pack", 3, "a\r\nb\r\nc\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    EXPECT_EQ(QApplication::focusWidget(), &editor.Grid());

    // Arrows select; Ctrl+Left at the start is disabled and moves nothing; Ctrl+Right moves.
    QTest::keyClick(editor.Window.get(), Qt::Key_Right);
    EXPECT_EQ(editor.Grid().ItemIndex(), 0);
    QTest::keyClick(editor.Window.get(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 12}));
    QTest::keyClick(editor.Window.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Widths(editor), (std::vector<int>{11, 10, 12}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);

    // The menu key opens the selected smile's menu, wherever the window has the keys.
    auto* menu = editor.Window->findChild<QMenu*>("TntPopupMenu1");
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QCoreApplication::sendEvent(editor.Window.get(), &menuKey);
    ASSERT_TRUE(menu->isVisible());
    const QPoint cell = editor.Grid().viewport()->mapToGlobal(editor.Grid().CellRect(1).center());
    EXPECT_TRUE(menu->geometry().contains(cell + QPoint(1, 1))) << menu->geometry().x() << "," << cell.x();
    menu->hide();

    // Delete deletes at once: it can be undone.
    QTest::keyClick(editor.Window.get(), Qt::Key_Delete);
    EXPECT_TRUE(answers.Seen.empty());
    EXPECT_EQ(Widths(editor), (std::vector<int>{11, 12}));
    ExpectInStep(editor);
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, TheWindowsSizeIsKeptBetweenRuns) {
    {
        TEditor editor;
        editor.Start();
        EXPECT_EQ(editor.Window->size(), QSize(680, 498));
        editor.Window->resize(500, 400);
        editor.Window->close();
    }
    TEditor editor;
    EXPECT_EQ(editor.Window->size(), QSize(500, 400));
    // Nonsense is clamped to the minimum size.
    editor.Window->Settings().WriteInteger(TGlobalIntegerKey::WindowWidth, 3);
    TEditor another;
    EXPECT_EQ(another.Window->size(), QSize(375, 400));
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, ADefinitionThatCannotBeWrittenIsReportedAndTheSignatureNotAdded) {
    const std::string folder = MakePack("pack", 1, "a\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    // The working copy's definition replaced by a folder: no file can be written there.
    const std::string define = editor.Window->Model()->DefinePath(kAnimatedPack);
    std::filesystem::remove(define);
    std::filesystem::create_directories(define + "/x");
    editor.Grid().SetItemIndex(0);
    answers.Answer([](TDialogBase& dialog) {
        static_cast<TSignatureForm&>(dialog).SetText("b");
        dialog.done(kResultOk);
    });
    editor.Child<QPushButton>("TntBitBtn11")->click();
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"SignatureForm", "SaveFailureBox"}));
    EXPECT_TRUE(editor.Window->LastSaveFailure().endsWith("_define.ini"));
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(editor.Window->SignatureList()->count(), 1);
    EXPECT_EQ(editor.Grid().Smiles().Get(0), "a");
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, EnterPreviewsF2EditsAndInsertAddsOnlyWhileTheirElementsAreEnabled) {
    const std::string folder = MakePack("pack", 2, ":-)\r\n;-)\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    editor.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    QWidget* window = editor.Window.get();
    auto pressAll = [&] {
        for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Return, Qt::Key_Enter, Qt::Key_F2})
            QTest::keyClick(window, key);
    };

    // No pack: nothing is asked.
    pressAll();
    EXPECT_TRUE(answers.Seen.empty());
    EXPECT_TRUE(editor.Dialogs->Requests.empty());

    // A pack but no smile selected: only Insert works (nothing chosen in its dialog). The
    // window has the keyboard again once the progress window is gone.
    Open(editor, folder);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const size_t asked = editor.Dialogs->Requests.size();
    pressAll();
    EXPECT_TRUE(answers.Seen.empty());
    EXPECT_EQ(editor.Dialogs->Requests.size(), asked + 1);

    // Enter previews the selected smile; the preview shows its picture.
    editor.Grid().SetItemIndex(1);
    int previewWidth = 0;
    answers.Answer([&previewWidth](TDialogBase& dialog) {
        TSmileLabelSmile* shown = static_cast<TPreviewForm&>(dialog).Label()->Smile();
        previewWidth = shown && shown->Picture.load() ? shown->Picture.load()->Width : -1;
        dialog.done(kResultOk);
    });
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"PreviewForm"});
    EXPECT_EQ(previewWidth, 11);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    // Insert adds the chosen picture after the selected smile.
    editor.Dialogs->Files.push_back({QString::fromStdString(Gif("n.gif", 30))});
    QTest::keyClick(window, Qt::Key_Insert);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 30}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 2);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    // F2 needs a selected signature; then it edits it.
    editor.Grid().SetItemIndex(0);
    QTest::keyClick(window, Qt::Key_F2);
    EXPECT_EQ(answers.Seen.size(), 1u);
    // Chosen with the keys in the list, as a click would.
    editor.Window->SignatureList()->setFocus();
    QTest::keyClick(editor.Window->SignatureList(), Qt::Key_Down);
    EXPECT_EQ(editor.Window->SignatureList()->currentRow(), 0);
    EXPECT_TRUE(editor.Window->SignatureList()->item(0)->isSelected());
    answers.Answer([](TDialogBase& dialog) {
        auto& form = static_cast<TSignatureForm&>(dialog);
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Редактирование подписи"));
        form.SetText(":-D");
        dialog.done(kResultOk);
    });
    QTest::keyClick(window, Qt::Key_F2);
    EXPECT_EQ(answers.Seen.back(), "SignatureForm");
    EXPECT_EQ(editor.Window->SignatureList()->item(0)->text(), ":-D");
    EXPECT_EQ(editor.Grid().Smiles().Get(0), ":-D");
    EXPECT_EQ(Define(editor), ":-D\r\n;-)\r\n \r\n");
    ExpectInStep(editor);

    // In the list, Enter edits the signature and Delete deletes it, not the smile.
    QListWidget* list = editor.Window->SignatureList();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    list->setFocus();
    ASSERT_TRUE(list->hasFocus());
    ASSERT_TRUE(editor.Window->Interface().IsEnabled(22));  // the edited signature stays chosen
    answers.Answer(kResultCancel);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"PreviewForm", "SignatureForm", "SignatureForm"}));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(answers.Seen.back(), "SignatureForm");  // deleted without asking
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 30}));
    EXPECT_EQ(Define(editor), " \r\n;-)\r\n \r\n");
}

TEST_F(MainWindowTest, HintsShowTheShortcutsInEitherLanguage) {
    TEditor editor;
    editor.Start();
    const std::pair<const char*, const char*> hints[] = {
        {"TntToolButton1Action", "(Ctrl+N)"},
        {"TntToolButton2Action", "(Ctrl+O)"},
        {"TntToolButton3Action", "(Ctrl+S)"},
        {"TntToolButton4Action", "(Ctrl+Shift+S)"},
        {"TntToolButton5Action", "(Ctrl+W)"},
        {"TntBitBtn2", "(Ins)"},
        {"TntBitBtn6", "(Return)"},
        {"TntBitBtn8", "(Del)"},
        {"TntBitBtn12", "(F2)"},
        {"TntBitBtn1", "(Esc)"},
    };
    auto hint = [&](const char* name) {
        if (auto* action = editor.Window->findChild<QAction*>(name)) return action->toolTip();
        return editor.Child(name)->toolTip();
    };
    const std::unique_ptr<TLang> english = English();
    for (const TLang* lang : std::vector<const TLang*>{nullptr, english.get()}) {
        if (lang) editor.Window->ApplyLanguageToAllWindows(*lang);
        for (const auto& [name, keys] : hints) {
            SCOPED_TRACE(name);
            EXPECT_TRUE(hint(name).endsWith(QString::fromLatin1(keys))) << hint(name).toStdString();
        }
    }
    EXPECT_EQ(hint("TntToolButton1Action"), Q(english->Text(402)) + " (Ctrl+N)");
    // The shortcut works: Ctrl+O asks for a pack.
    editor.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    QTest::keyClick(editor.Window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(editor.Dialogs->Requests.size(), 1u);
    EXPECT_EQ(editor.Dialogs->Requests.back().Title, Q(english->Text(313)));
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowTest, InTheBothPacksModeOpenAsksForABaseFolderAndOpensBothPacks) {
    // A base folder as the messenger keeps it: BMP smiles in "Static", GIF smiles in "Animated".
    // Two static smiles have no picture, as many as the animated pack has smiles.
    const std::string base = packs_.folder() + "base/";
    WriteDefine(base + "Static/", "s0\r\ns1\r\ns2\r\ns3\r\n");
    for (int i = 0; i < 2; ++i) WriteBmp(base + "Static/" + std::to_string(i) + ".bmp", 20 + i, 10);
    MakePack("base/Animated", 2, "a0\r\na1\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    editor.Window->findChild<QAction*>("TntToolButton9Action")->trigger();
    ASSERT_TRUE(editor.Window->Model()->BothMode());

    editor.Dialogs->Folders.push_back(QString::fromStdString(packs_.folder() + "base"));
    editor.Window->findChild<QAction*>("TntToolButton2Action")->trigger();
    ASSERT_EQ(editor.Dialogs->FolderAsks.size(), 1u);
    EXPECT_FALSE(editor.Dialogs->FolderAsks[0].NewFolder);
    EXPECT_EQ(editor.Dialogs->FolderAsks[0].Title, QString::fromUtf8("Загрузка смайлпака"));
    EXPECT_TRUE(editor.Dialogs->Requests.empty());  // no file dialog in this mode
    // The animated pack has its pictures: no empty-pack notice.
    EXPECT_TRUE(answers.Seen.empty());

    EXPECT_EQ(editor.Window->Model()->CurrentPack(), kAnimatedPack);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11}));
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "2");
    ExpectInStep(editor);
    editor.Window->findChild<QAction*>("TntToolButton7Action")->trigger();
    EXPECT_EQ(editor.Window->Model()->CurrentPack(), kStaticPack);
    EXPECT_EQ(Widths(editor), (std::vector<int>{20, 21, 0, 0}));
    EXPECT_EQ(editor.Grid().Smiles().Get(2), "s2");
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "4");
    ExpectInStep(editor);

    // Open asks next time at the base folder the pair came from.
    editor.Window->findChild<QAction*>("TntToolButton2Action")->trigger();
    ASSERT_EQ(editor.Dialogs->FolderAsks.size(), 2u);
    EXPECT_EQ(QDir(editor.Dialogs->FolderAsks[1].Start).absolutePath(),
              QDir(QString::fromStdString(base)).absolutePath());
    EXPECT_EQ(editor.Grid().Count(), 4);
}

}  // namespace
}  // namespace faceloom::test
