// Enter and Space on the main window press the button the user sees focused; Enter previews
// only from the grid and edits only from the signature list.
#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QToolButton>

#include "app/dialogs/visual_form.h"
#include "main_window_test_support.h"
#include "model/define_decoder.h"

namespace faceloom::test {
namespace {

class MainWindowKeysTest : public MainWindowTest {
protected:
    static QPoint Centre(TEditor& editor, int index) { return editor.Grid().CellRect(index).center(); }
    // Presses the mouse on smile from, and moves it past the drag threshold to smile over.
    static void DragOver(TEditor& editor, int from, int over) {
        QWidget* viewport = editor.Grid().viewport();
        editor.Grid().setFocus(Qt::MouseFocusReason);
        QTest::mousePress(viewport, Qt::LeftButton, {}, Centre(editor, from));
        QTest::mouseMove(viewport, Centre(editor, from) + QPoint(QApplication::startDragDistance() + 1, 0));
        QTest::mouseMove(viewport, Centre(editor, over));
    }
};

TEST_F(MainWindowKeysTest, EnterAndSpacePressTheFocusedButtonAndPreviewOnlyFromTheGrid) {
    const std::string folder = MakePack("pack", 4, ":-)\r\n;-)\r\n:-(\r\n:-D\r\n");
    TModalAnswers answers;
    TEditor editor;
    StartOn(editor, folder);
    QWidget* window = editor.Window.get();

    // A focused move button: Return, Enter and Space each move the last smile once to the left;
    // nothing previews.
    editor.Grid().SetItemIndex(3);
    auto* left = editor.Child<QPushButton>("TntBitBtn5");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        const int32_t before = editor.Grid().ItemIndex();
        left->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(left->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(editor.Grid().ItemIndex(), before - 1);
        EXPECT_TRUE(answers.Seen.empty());
    }
    ExpectInStep(editor);
    EXPECT_EQ(Widths(editor), (std::vector<int>{13, 10, 11, 12}));
    EXPECT_EQ(Define(editor), ":-D\r\n:-)\r\n;-)\r\n:-(");

    // From the grid Enter previews; from the list it edits the chosen signature.
    answers.Answer(kResultOk);
    editor.Grid().setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"PreviewForm"});
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QListWidget* list = editor.Window->SignatureList();
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    answers.Answer(kResultCancel);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"PreviewForm", "SignatureForm"}));
}

// Escape in the middle of a drag cancels the drag and leaves the window open; without a drag
// it is the exit button.
TEST_F(MainWindowKeysTest, EscapeCancelsADragAndOtherwiseExits) {
    const std::string folder = MakePack("pack", 3, ":-)\r\n;-)\r\n:-(\r\n");
    TModalAnswers answers;
    TEditor editor;
    StartOn(editor, folder);
    QWidget* window = editor.Window.get();
    const std::string before = Define(editor);

    DragOver(editor, 0, 2);
    ASSERT_EQ(editor.Grid().DragIndex(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(editor.Grid().DragIndex(), -1);
    QTest::mouseRelease(editor.Grid().viewport(), Qt::LeftButton, {}, Centre(editor, 2));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(Define(editor), before);
    ExpectInStep(editor);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
}

// A real drag, then the keys: Ctrl+Z puts the smile back in the grid and in the file and clears
// the unsaved mark; Ctrl+Shift+Z and Ctrl+Y make the move again.
TEST_F(MainWindowKeysTest, CtrlZAfterADragPutsTheSmileBackOnScreenAndInTheFile) {
    const std::string folder = MakePack("pack", 3, ":-)\r\n;-)\r\n:-(\r\n");
    TModalAnswers answers;
    TEditor editor;
    StartOn(editor, folder);
    const std::string before = Define(editor);
    const QString title = editor.Window->windowTitle();
    ASSERT_FALSE(title.startsWith('*'));

    DragOver(editor, 0, 2);
    QTest::mouseRelease(editor.Grid().viewport(), Qt::LeftButton, {}, Centre(editor, 2));
    ASSERT_EQ(Widths(editor), (std::vector<int>{11, 12, 10}));
    const std::string moved = Define(editor);
    ASSERT_NE(moved, before);
    EXPECT_EQ(editor.Window->windowTitle(), "*" + title);

    struct Key {
        QKeyCombination combination;
        std::vector<int> widths;
        const std::string& define;
        bool modified;
    };
    const Key keys[] = {
        {Qt::CTRL | Qt::Key_Z, {10, 11, 12}, before, false},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, {11, 12, 10}, moved, true},
        {Qt::CTRL | Qt::Key_Z, {10, 11, 12}, before, false},
        {Qt::CTRL | Qt::Key_Y, {11, 12, 10}, moved, true},
    };
    for (const Key& key : keys) {
        SCOPED_TRACE(QKeySequence(key.combination).toString().toStdString());
        QTest::keyClick(QApplication::focusWidget(), key.combination.key(),
                        key.combination.keyboardModifiers());
        EXPECT_EQ(Widths(editor), key.widths);
        EXPECT_EQ(Define(editor), key.define);
        EXPECT_EQ(editor.Window->windowTitle().startsWith('*'), key.modified);
        ExpectInStep(editor);
    }
    EXPECT_TRUE(answers.Seen.empty());
}

// From start-up with the keyboard only: Tab reaches the toolbar and the switches under the grid,
// their shortcuts work, and the grid pages through a large pack.
TEST_F(MainWindowKeysTest, TheKeyboardAloneReachesEveryControlAndPagesTheGrid) {
    std::string define;
    for (int i = 0; i < 500; ++i) define += "s" + std::to_string(i) + "\r\n";
    const std::string folder = MakePack("pack", 500, define);
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    QWidget* window = editor.Window.get();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto key = [&](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                        static_cast<Qt::Key>(k), modifiers);
    };

    // Tab walks through every control, the toolbar and the switches included.
    QSet<QString> reached;
    for (int i = 0; i < 60; ++i) {
        key(Qt::Key_Tab);
        if (QApplication::focusWidget()) reached.insert(QApplication::focusWidget()->objectName());
    }
    for (const char* name :
         {"TntToolButton2", "TntToolButton7", "TntToolButton11", "TntToolButton13", "TntSpeedButton1",
          "TntSpeedButton3", "TntSpeedButton5", "TntBitBtn1", "SmileView1"})
        EXPECT_TRUE(reached.contains(name)) << name;
    // Space on a focused toolbar button uses it.
    editor.Child("TntToolButton13")->setFocus(Qt::TabFocusReason);
    answers.Answer(kResultOk);
    key(Qt::Key_Space);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"AboutForm"});

    // The shortcuts: options, about, the pack modes, every switch, the visual settings.
    answers.Answer(kResultCancel);
    key(Qt::Key_Comma, Qt::ControlModifier);
    answers.Answer(kResultOk);
    key(Qt::Key_F1);
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"AboutForm", "OptionsForm", "AboutForm"}));
    key(Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(editor.Window->findChild<QAction*>("TntToolButton7Action")->isChecked());
    key(Qt::Key_3, Qt::ControlModifier);
    EXPECT_TRUE(editor.Window->findChild<QAction*>("TntToolButton9Action")->isChecked());
    key(Qt::Key_3, Qt::ControlModifier);
    key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(editor.Window->findChild<QAction*>("TntToolButton8Action")->isChecked());
    EXPECT_FALSE(editor.Window->findChild<QAction*>("TntToolButton9Action")->isChecked());
    for (int number = 1; number <= 4; ++number) {
        auto* toggle =
            editor.Child<QToolButton>(QString("TntSpeedButton%1").arg(number).toLatin1().constData());
        if (!toggle->isEnabled()) continue;  // animated dragging needs a compositing manager
        const bool before = toggle->isChecked();
        key(Qt::Key_0 + number, Qt::AltModifier);
        EXPECT_NE(toggle->isChecked(), before) << number;
        key(Qt::Key_0 + number, Qt::AltModifier);
        EXPECT_EQ(toggle->isChecked(), before) << number;
    }
    answers.Answer(kResultCancel);
    key(Qt::Key_5, Qt::AltModifier);
    EXPECT_EQ(answers.Seen.back(), "VisualForm");

    // Paging through 500 smiles, the selection always in view.
    Open(editor, folder);
    ASSERT_EQ(editor.Grid().Count(), 500);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    editor.Grid().setFocus(Qt::TabFocusReason);
    auto inView = [&] {
        const QRect cell = editor.Grid().CellRect(editor.Grid().ItemIndex());
        return editor.Grid().viewport()->rect().contains(cell);
    };
    key(Qt::Key_End);
    EXPECT_EQ(editor.Grid().ItemIndex(), 499);
    EXPECT_TRUE(inView());
    key(Qt::Key_Home);
    EXPECT_EQ(editor.Grid().ItemIndex(), 0);
    EXPECT_TRUE(inView());
    key(Qt::Key_PageDown);
    const int32_t page = editor.Grid().ItemIndex();
    EXPECT_GT(page, 10);
    EXPECT_EQ(page % 10, 0);  // the same column, whole rows further
    EXPECT_TRUE(inView());
    for (int i = 0; i < 100; ++i) key(Qt::Key_PageDown);
    EXPECT_EQ(editor.Grid().ItemIndex(), 499);
    key(Qt::Key_PageUp);
    EXPECT_EQ(editor.Grid().ItemIndex(), 499 - page);
    EXPECT_TRUE(inView());
    // Fewer columns move the selection far down: it is brought back in view.
    answers.Answer([](TDialogBase& dialog) {
        static_cast<TVisualForm&>(dialog).SetColumnText("3");
        dialog.done(kResultOk);
    });
    key(Qt::Key_5, Qt::AltModifier);
    EXPECT_EQ(editor.Grid().RowWidth(), 3);
    EXPECT_TRUE(inView());
}

}  // namespace
}  // namespace faceloom::test
