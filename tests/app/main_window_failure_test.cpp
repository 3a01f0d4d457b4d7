// The main window when the working copy cannot be written: every smile and signature command
// asks the model first, and a failure leaves the grid, the signature list, the counter and the
// model as they were, with a message that gives the reason and the file.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <filesystem>
#include <functional>

#include "app/dialogs/signature_form.h"
#include "dialog_test_support.h"
#include "lang/builtin_texts.h"
#include "main_window_test_support.h"
#include "model/edit_journal.h"
#include "platform/files.h"
#include "platform/fill_seam.h"

namespace faceloom::test {
namespace {

class MainWindowFailureTest : public MainWindowTest {
protected:
    // Everything a user sees agrees with the model, and nothing changed.
    void ExpectAsBefore(TEditor& editor) {
        TDefineDecoder& model = *editor.Window->Model();
        ExpectInStep(editor);
        EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 12, 13}));
        for (int32_t i = 0; i < model.SmileCount(); ++i)
            EXPECT_EQ(model.Smile(i)->Signatures.Items(), signatures_[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "4");
        QStringList shown;
        for (int row = 0; row < editor.Window->SignatureList()->count(); ++row)
            shown << editor.Window->SignatureList()->item(row)->text();
        QStringList expected;
        if (TSmile* smile = model.Smile(editor.Grid().ItemIndex())) {
            for (const std::string& signature : smile->Signatures.Items())
                expected << QString::fromStdString(signature);
        }
        EXPECT_EQ(shown, expected);
    }

    const std::vector<std::vector<std::string>> signatures_ = {{"a"}, {"b", "b2"}, {"c"}, {"d"}};
};

TEST_F(MainWindowFailureTest, EveryCommandThatCannotBeWrittenChangesNothingAndSaysWhy) {
    const std::string folder = MakePack("pack", 4, "a\r\nb,b2\r\nc\r\nd\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    TManagerMain& window = *editor.Window;
    ASSERT_EQ(editor.Grid().Count(), 4);
    // The working copy's definition replaced by a folder with something in it: no file can
    // take its place, for the superuser neither.
    const std::string define = window.Model()->DefinePath(kAnimatedPack);
    std::filesystem::remove(define);
    std::filesystem::create_directories(define + "/x");

    auto type = [](const char* text) {
        return [text](TDialogBase& dialog) {
            static_cast<TSignatureForm&>(dialog).SetText(QString::fromUtf8(text));
            dialog.done(kResultOk);
        };
    };
    auto click = [&](const char* button) {
        return [&, button] { editor.Child<QPushButton>(button)->click(); };
    };
    auto menu = [&](const char* item, int32_t at) {
        return [&, item, at] {
            window.SmileView1ContextMenu(QPoint(0, 0), at);
            window.ContextMenu()->hide();
            window.findChild<QAction*>(item)->trigger();
        };
    };
    // Signature `row` of smile 1 chosen in the list, as a click would.
    auto chooseSignature = [&](int row) {
        window.SmileView1Select(1);
        window.SignatureList()->setCurrentRow(row);
        window.ListBox1Click();
    };
    const QString gif = QString::fromStdString(Gif("new.gif", 30));
    struct TCommand {
        const char* name;
        std::function<void()> prepare;  // selection, files and answers
        std::function<void()> run;
        int32_t selected = 1;  // afterwards: adding selects where the pictures would have gone
    };
    const std::vector<TCommand> commands = {
        {"add by button", [&] { editor.Dialogs->Files.push_back({gif}); }, click("TntBitBtn2")},
        {"add by menu at the end", [&] { editor.Dialogs->Files.push_back({gif}); }, menu("AddSmile", 3), 3},
        {"drop", [] {}, [&] { window.SmileView1DropFiles(0, {gif}); }, 0},
        {"replace picture", [&] { editor.Dialogs->Files.push_back({gif}); }, click("TntBitBtn4")},
        {"replace picture by menu", [&] { editor.Dialogs->Files.push_back({gif}); },
         menu("ReplacePicture", 2)},
        {"delete picture", [] {}, click("TntBitBtn10")},
        {"delete picture by menu", [] {}, menu("DeletePicture", 0)},
        {"delete smile", [] {}, click("TntBitBtn8")},
        {"delete smile by menu", [] {}, menu("DeleteSmile", 3)},
        {"move right", [] {}, click("TntBitBtn7")},
        {"move left", [] {}, click("TntBitBtn5")},
        {"move by key",
         [&] {
             window.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
             editor.Grid().setFocus();
         },
         [&] { QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier); }},
        {"drag", [] {},
         [&] {
             QWidget* cells = editor.Grid().viewport();
             const QPoint from = editor.Grid().CellRect(1).center();
             QTest::mousePress(cells, Qt::LeftButton, {}, from);
             QTest::mouseMove(cells, from + QPoint(QApplication::startDragDistance() + 1, 0));
             QTest::mouseMove(cells, editor.Grid().CellRect(3).center());
             QTest::mouseRelease(cells, Qt::LeftButton, {}, editor.Grid().CellRect(3).center());
         }},
        {"add signature", [&] { answers.Answer(type("new")); }, click("TntBitBtn11")},
        {"edit signature",
         [&] {
             chooseSignature(0);
             answers.Answer(type("new"));
         },
         click("TntBitBtn12")},
        {"move signature down", [&] { chooseSignature(0); }, click("TntBitBtn16")},
        {"move signature up", [&] { chooseSignature(1); }, click("TntBitBtn13")},
        {"delete signature", [&] { chooseSignature(1); }, click("TntBitBtn14")},
    };
    const QString reason = Q(BuiltinText(1711)) + "\n" + QString::fromStdString(define);
    for (const TCommand& command : commands) {
        SCOPED_TRACE(command.name);
        editor.Grid().SetItemIndex(1);
        command.prepare();
        const size_t seen = answers.Seen.size();
        command.run();
        EXPECT_GT(answers.Seen.size(), seen);
        EXPECT_EQ(answers.Seen.empty() ? QString() : answers.Seen.back(), "SaveFailureBox");
        EXPECT_EQ(window.LastSaveFailure(), reason);
        EXPECT_TRUE(answers.Done());
        ExpectAsBefore(editor);
        EXPECT_EQ(editor.Grid().ItemIndex(), command.selected);
    }

    // The reason comes in the language shown.
    const std::unique_ptr<TLang> english = English();
    window.ApplyLanguageToAllWindows(*english);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    EXPECT_EQ(window.LastSaveFailure(), Q(english->Text(1711)) + "\n" + QString::fromStdString(define));
    EXPECT_NE(Q(english->Text(1711)), Q(BuiltinText(1711)));

    // Writable again: the next command does what it says, in the grid as in the model.
    std::filesystem::remove_all(define);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 12, 11, 13}));
    EXPECT_EQ(editor.Grid().ItemIndex(), 2);
    ExpectInStep(editor);
    EXPECT_EQ(Define(editor), "a\r\nc\r\nb,b2\r\nd");
}

// A disk that fills in the middle of a move, so that not even its roll-back can be written:
// the window says so in the language shown, every command is refused the same way, and once
// there is room the next command puts the move back and then does what it says.
TEST_F(MainWindowFailureTest, AnEditLeftHalfWayIsSaidAndPutBackOnceThereIsRoom) {
    const std::string folder = MakePack("pack", 4, "a\r\nb,b2\r\nc\r\nd\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    TManagerMain& window = *editor.Window;
    TDefineDecoder& model = *window.Model();
    const std::string work = model.WorkingFolder(kAnimatedPack);
    // The fill point where the move's renames began and cannot be put back, found on the model
    // itself (a move that went through is taken back, so the grid stays as it is).
    bool halfWay = false;
    for (uint64_t room = 0; room < 40 && !halfWay; ++room) {
        FillAfter(UINT64_MAX, room);
        const bool moved = model.MoveSmile(1, 2);
        halfWay = !moved && model.LastError() == TModelError::EditUnfinished;
        if (halfWay) break;
        FillOff();
        if (moved) ASSERT_TRUE(model.MoveSmile(2, 1));
    }
    ASSERT_TRUE(halfWay);
    ASSERT_TRUE(FileExists(work + kEditJournalName));

    editor.Grid().SetItemIndex(1);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    EXPECT_EQ(window.LastSaveFailure(), Q(BuiltinText(2201)) + "\n" + QString::fromStdString(work));
    ExpectAsBefore(editor);
    const std::unique_ptr<TLang> english = English();
    window.ApplyLanguageToAllWindows(*english);
    editor.Child<QPushButton>("TntBitBtn8")->click();  // delete smile
    EXPECT_EQ(window.LastSaveFailure(), Q(english->Text(2201)) + "\n" + QString::fromStdString(work));
    EXPECT_NE(Q(english->Text(2201)), Q(BuiltinText(2201)));
    ExpectAsBefore(editor);

    FillOff();
    editor.Grid().SetItemIndex(1);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    EXPECT_FALSE(FileExists(work + kEditJournalName));
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 12, 11, 13}));
    ExpectInStep(editor);
    EXPECT_EQ(Define(editor), "a\r\nc\r\nb,b2\r\nd");
    EXPECT_TRUE(answers.Done());
}

}  // namespace
}  // namespace faceloom::test
