// Enter and Space on the main window press the button the user sees focused; Enter previews
// only from the grid and edits only from the signature list.
#include <QListWidget>
#include <QPushButton>

#include "main_window_test_support.h"
#include "model/define_decoder.h"

namespace faceloom::test {
namespace {

class MainWindowKeysTest : public MainWindowTest {};

TEST_F(MainWindowKeysTest, EnterAndSpacePressTheFocusedButtonAndPreviewOnlyFromTheGrid) {
    const std::string folder = MakePack("pack", 4, ":-)\r\n;-)\r\n:-(\r\n:-D\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    QWidget* window = editor.Window.get();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

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
    editor.Start();
    Open(editor, folder);
    QWidget* window = editor.Window.get();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const std::string before = Define(editor);

    QWidget* viewport = editor.Grid().viewport();
    auto centre = [&](int index) { return editor.Grid().CellRect(index).center(); };
    editor.Grid().setFocus(Qt::MouseFocusReason);
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre(0));
    QTest::mouseMove(viewport, centre(0) + QPoint(QApplication::startDragDistance() + 1, 0));
    QTest::mouseMove(viewport, centre(2));
    ASSERT_EQ(editor.Grid().DragIndex(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(editor.Grid().DragIndex(), -1);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(2));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(Define(editor), before);
    ExpectInStep(editor);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
}

}  // namespace
}  // namespace faceloom::test
