// The main window driven offscreen as a user drives it: through its buttons, the grid's
// events and the dialogs, with the file dialogs answered by the test.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>

#include "app/interface_manager.h"
#include "app/query_form.h"
#include "app/signature_form.h"
#include "app/visual_form.h"
#include "app/warning_form.h"
#include "dialog_test_support.h"
#include "main_window_test_support.h"
#include "model/define_decoder.h"
#include "pictures/picture_decoder.h"
#include "platform/code_page.h"
#include "platform/instance_lock.h"
#include "storage/config_manager.h"
#include "storage/global_config_manager.h"
#include "support/pack_builder.h"
#include "views/smile_label.h"
#include "views/smile_view_smile.h"

namespace faceloom::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    // A pack folder of animated pictures; picture i is 10 + i pixels wide, so the width tells
    // which picture a smile shows.
    std::string MakePack(const std::string& name, int count, const std::string& define) {
        const std::string folder = packs_.folder() + name + "/";
        WriteDefine(folder, define);
        for (int i = 0; i < count; ++i) WriteGif(folder + "p" + std::to_string(i) + ".gif", 10 + i, 10);
        return folder;
    }
    std::string Gif(const std::string& name, int width) {
        const std::string path = packs_.folder() + name;
        WriteGif(path, width, 10);
        return path;
    }

    // Grid item i and smile i of the model show the same picture with the same label.
    static void ExpectInStep(TEditor& editor) {
        TDefineDecoder& model = *editor.Window->Model();
        ASSERT_EQ(editor.Grid().Count(), model.SmileCount());
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            SCOPED_TRACE(i);
            TSmileViewSmile* item = editor.Grid().Smiles().GetSmile(i);
            TSmile* smile = model.Smile(i);
            if (smile->Picture.load()) {
                EXPECT_EQ(item, smile);
            } else {
                ASSERT_NE(item->Picture.load(), nullptr);  // a placeholder
            }
            EXPECT_EQ(editor.Grid().Smiles().Get(i),
                      QString::fromStdU16String(CodePageToUnicode(model.Label(i))));
        }
    }
    static std::vector<int> Widths(TEditor& editor) {
        std::vector<int> widths;
        TDefineDecoder& model = *editor.Window->Model();
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            TPictureDecoder* picture = model.Smile(i)->Picture.load();
            widths.push_back(picture ? picture->Width : 0);
        }
        return widths;
    }
    static std::string Define(TEditor& editor) {
        TDefineDecoder& model = *editor.Window->Model();
        return ReadBytes(model.DefinePath(model.CurrentPack()));
    }
    void Open(TEditor& editor, const std::string& folder) {
        editor.Dialogs->Files.push_back({QString::fromStdString(folder + "_define.ini")});
        editor.Window->OpenPackClick();
    }

    ScopedDataHome home_;
    TScopedRuntimeDir runtime_;
    TempDir packs_;
};

TEST_F(MainWindowTest, StartsOnAnEmptyStorageWithOnlyOpeningModesOptionsAndAbout) {
    TEditor editor;
    editor.Start();
    ASSERT_TRUE(editor.Window->EngineRunning());
    EXPECT_EQ(editor.Window->Interface().EnabledSet(),
              (1u << 0) | (1u << 1) | (1u << 5) | (1u << 6) | (1u << 7) | (1u << 8) | (1u << 9));
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), QString());
    EXPECT_FALSE(editor.Child("TntToolButton3")->isEnabled());
    EXPECT_FALSE(editor.Child("TntBitBtn2")->isEnabled());
    EXPECT_TRUE(editor.Child("TntToolButton2")->isEnabled());
    // The storage is this instance's while it runs.
    TInstanceLock other(InstanceLockName("Storage"), runtime_.dir().folder());
    EXPECT_FALSE(other.TryAcquire());
    editor.Window->close();
    EXPECT_FALSE(editor.Window->EngineRunning());
    EXPECT_TRUE(other.TryAcquire());
}

TEST_F(MainWindowTest, ASecondInstanceOnTheSameStorageShowsTheErrorAndStops) {
    TInstanceLock first(InstanceLockName("Storage"), runtime_.dir().folder());
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

    // Nothing selected: the button inserts at the start. A folder adds nothing and the
    // following file keeps its place.
    editor.Dialogs->Files.push_back({QString::fromStdString(Gif("n1.gif", 30)),
                                     QString::fromStdString(packs_.folder()),
                                     QString::fromStdString(Gif("n2.gif", 31))});
    editor.Child<QPushButton>("TntBitBtn2")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{30, 31, 10, 11, 12}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);
    EXPECT_EQ(editor.Dialogs->Requests.back().Filter,
              QString::fromUtf8("GIF-файлы (*.gif)|*.gif|Все файлы (*.*)|*.*"));
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

TEST_F(MainWindowTest, DeletesAndMovesSmilesWithTheWarningAndItsDontShowAgainBox) {
    const std::string folder = MakePack("pack", 4, "a\r\nb\r\nc\r\nd\r\n");
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Grid().SetItemIndex(0);

    // Ticking the box and cancelling: nothing deleted, no warning from now on.
    TModalAnswers answers;
    answers.Answer([](TDialogBase& dialog) {
        static_cast<TWarningForm&>(dialog).DontShowAgain()->setChecked(true);
        dialog.done(kResultCancel);
    });
    editor.Child<QPushButton>("TntBitBtn8")->click();
    EXPECT_EQ(editor.Grid().Count(), 4);
    EXPECT_FALSE(editor.Window->Model()->Config().ReadBool(TConfigBoolKey::ShowWarnings));
    editor.Grid().SetItemIndex(1);
    editor.Child<QPushButton>("TntBitBtn8")->click();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"WarningForm"});
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
    answers.Answer(kResultYes);  // the warning
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

    answers.Answer(kResultNo);
    save->trigger();
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), original);
    answers.Answer(kResultYes);
    save->trigger();
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), Define(editor));
    EXPECT_NE(Define(editor), original);

    const std::string target = packs_.folder() + "copy/";
    std::filesystem::create_directories(target);
    answers.Answer(kResultYes);
    editor.Dialogs->Folders.push_back(QString::fromStdString(packs_.folder() + "copy"));
    editor.Window->findChild<QAction*>("TntToolButton4Action")->trigger();
    EXPECT_EQ(ReadBytes(target + "_define.ini"), Define(editor));
    EXPECT_EQ(ListFiles(target, ".gif"), (std::vector<std::string>{"aa.gif", "ab.gif"}));

    // A target the pack cannot be written to: the message, and the folder as it was.
    const std::string blocked = packs_.folder() + "blocked/";
    std::filesystem::create_directories(blocked + "_define.ini");
    answers.Answer(kResultYes);
    editor.Dialogs->Folders.push_back(QString::fromStdString(packs_.folder() + "blocked"));
    editor.Window->findChild<QAction*>("TntToolButton4Action")->trigger();
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"SaveErrorsForm", "SaveErrorsForm", "SaveErrorsForm",
                                                  "SaveErrorsForm", "SaveFailureBox"}));
    EXPECT_FALSE(editor.Window->LastSaveFailure().isEmpty());
    EXPECT_EQ(ListFiles(blocked), std::vector<std::string>{});
    EXPECT_EQ(editor.Grid().Count(), 2);
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

    // Arrows select; Ctrl+Left at the start is disabled and moves nothing; Ctrl+Right moves.
    QTest::keyClick(editor.Window.get(), Qt::Key_Right);
    EXPECT_EQ(editor.Grid().ItemIndex(), 0);
    QTest::keyClick(editor.Window.get(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 12}));
    QTest::keyClick(editor.Window.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Widths(editor), (std::vector<int>{11, 10, 12}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 1);

    // Delete asks first.
    answers.Answer(kResultYes);
    QTest::keyClick(editor.Window.get(), Qt::Key_Delete);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"WarningForm"});
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

TEST_F(MainWindowTest, ADefinitionThatCannotBeWrittenIsReportedAndTheEditKept) {
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
    EXPECT_EQ(editor.Window->Model()->Smile(0)->Signatures.Items(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(editor.Grid().Smiles().Get(0), "b");
}

}  // namespace
}  // namespace faceloom::test
