// The commands through their actions: each runs once by its button, its keys and its menu item,
// and an element the interface manager disables makes all of these inert together.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "app/commands/editor_commands.h"
#include "app/commands/interface_manager.h"
#include "app/dialogs/check_form.h"
#include "main_window_test_support.h"

namespace faceloom::test {
namespace {

struct TKey {
    int Key;
    Qt::KeyboardModifiers Modifiers;
    bool InList;  // pressed with the focus in the signature list, else in the grid
};

// One command, every way the user reaches it, and what one run of it changes by one.
struct TCommandWays {
    const char* Name;
    int Element;
    const char* Button;    // TntBitBtn<n> or TntToolButton<n>
    const char* MenuItem;  // nullptr: not in the context menu
    std::vector<TKey> Keys;
    std::function<void()> Prepare;
    std::function<int()> Measure;
};

class CommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        // Six smiles, two to a row; smile 1 has three signatures.
        editor_ = std::make_unique<TEditor>();
        StartOn(*editor_, MakePack("pack", 6, "a\r\nb,b2,b3\r\nc\r\nd\r\ne\r\nf\r\n"));
        editor_->Grid().SetRowWidth(2);
    }
    void TearDown() override { editor_.reset(); }

    // Every dialog met: file and folder dialogs (answered with nothing) and modal windows.
    int Dialogs() const {
        return static_cast<int>(answers_.Seen.size() + editor_->Dialogs->Requests.size() +
                                editor_->Dialogs->FolderAsks.size());
    }
    std::function<void()> Select(int32_t smile) {
        return [this, smile] {
            editor_->Grid().SetItemIndex(-1);
            editor_->Grid().SetItemIndex(smile);
        };
    }
    // Signature row of the smile with three signatures (the moves take it elsewhere).
    std::function<void()> Choose(int row) {
        return [this, row] {
            TDefineDecoder& model = *editor_->Window->Model();
            for (int32_t i = 0; i < model.SmileCount(); ++i)
                if (model.Smile(i)->Signatures.Count() == 3) Select(i)();
            editor_->Window->SignatureList()->setCurrentRow(row);
            editor_->Window->ListBox1Click();
        };
    }
    // Takes every step back through the undo command: the pack as it was opened.
    void UndoAll() {
        TDefineDecoder& model = *editor_->Window->Model();
        for (int steps = 0; model.CanUndo(); ++steps) {
            ASSERT_LT(steps, 100) << "undo makes no progress";
            editor_->Window->Commands().Run(TCommand::Undo);
        }
    }
    std::function<void()> Fresh(std::function<void()> then) {
        return [this, then] {
            UndoAll();
            then();
        };
    }
    std::vector<TCommandWays> Commands() {
        auto dialogs = [this] { return Dialogs(); };
        auto model = [this]() -> TDefineDecoder& { return *editor_->Window->Model(); };
        // Deletions no longer ask (they can be undone): what they take away is counted.
        auto smilesGone = [this] { return 100 - editor_->Grid().Count(); };
        auto picturesGone = [=] {
            int gone = 0;
            for (int32_t i = 0; i < model().SmileCount(); ++i)
                gone += model().Smile(i)->Picture.load() ? 0 : 1;
            return gone;
        };
        auto signaturesGone = [=] {
            int left = 0;
            for (int32_t i = 0; i < model().SmileCount(); ++i) left += model().Smile(i)->Signatures.Count();
            return 100 - left;
        };
        auto index = [this] { return editor_->Grid().ItemIndex(); };
        auto row = [this] { return editor_->Window->SignatureList()->currentRow(); };
        const Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier;
        return {
            {"add smiles", 10, "TntBitBtn2", "AddSmile", {{Qt::Key_Insert, none, false}}, Select(1), dialogs},
            {"replace picture", 12, "TntBitBtn4", "ReplacePicture", {}, Select(1), dialogs},
            {"preview", 14, "TntBitBtn6", "Preview", {{Qt::Key_Return, none, false}}, Select(1), dialogs},
            {"delete smile",
             16,
             "TntBitBtn8",
             "DeleteSmile",
             {{Qt::Key_Delete, none, false}},
             Fresh(Select(1)),
             smilesGone},
            {"delete picture", 18, "TntBitBtn10", "DeletePicture", {}, Fresh(Select(1)), picturesGone},
            {"move right",
             15,
             "TntBitBtn7",
             nullptr,
             {{Qt::Key_Right, ctrl, false}},
             Select(1),
             [=] { return index() - 1; }},
            {"move left",
             13,
             "TntBitBtn5",
             nullptr,
             {{Qt::Key_Left, ctrl, false}},
             Select(2),
             [=] { return 2 - index(); }},
            {"move down",
             17,
             "TntBitBtn9",
             nullptr,
             {{Qt::Key_Down, ctrl, false}},
             Select(0),
             [=] { return index() / 2; }},
            {"move up",
             11,
             "TntBitBtn3",
             nullptr,
             {{Qt::Key_Up, ctrl, false}},
             Select(4),
             [=] { return (4 - index()) / 2; }},
            {"add signature", 19, "TntBitBtn11", nullptr, {{Qt::Key_Insert, none, true}}, Select(1), dialogs},
            {"edit signature",
             20,
             "TntBitBtn12",
             nullptr,
             {{Qt::Key_F2, none, false}, {Qt::Key_Return, none, true}},
             Choose(0),
             dialogs},
            {"move signature down", 24, "TntBitBtn16", nullptr, {}, Choose(0), row},
            {"move signature up", 21, "TntBitBtn13", nullptr, {}, Choose(2), [=] { return 2 - row(); }},
            {"delete signature",
             22,
             "TntBitBtn14",
             nullptr,
             {{Qt::Key_Delete, none, true}},
             Fresh(Choose(0)),
             signaturesGone},
            // A step is made (undo) or made and taken back (redo) first.
            {"undo",
             25,
             "TntToolButton15",
             "TntToolButton15Action",
             {{Qt::Key_Z, ctrl, false}},
             Fresh([this] {
                 Select(1)();
                 editor_->Window->Commands().Run(TCommand::MoveSmileRight);
             }),
             [=] { return model().CanRedo() ? 1 : 0; }},
            {"redo",
             26,
             "TntToolButton16",
             "TntToolButton16Action",
             {{Qt::Key_Z, ctrl | Qt::ShiftModifier, false}, {Qt::Key_Y, ctrl, false}},
             Fresh([this] {
                 Select(1)();
                 editor_->Window->Commands().Run(TCommand::MoveSmileRight);
                 editor_->Window->Commands().Run(TCommand::Undo);
             }),
             [=] { return model().CanUndo() ? 1 : 0; }},
            {"find signature", 23, "TntBitBtn15", nullptr, {}, Select(1), dialogs},
            {"open pack", 1, "TntToolButton2", nullptr, {{Qt::Key_O, ctrl, false}}, [] {}, dialogs},
            {"save as",
             3,
             "TntToolButton4",
             nullptr,
             {{Qt::Key_S, ctrl | Qt::ShiftModifier, false}},
             [] {},
             dialogs},
            {"options", 8, "TntToolButton11", nullptr, {{Qt::Key_Comma, ctrl, false}}, [] {}, dialogs},
            {"about", 9, "TntToolButton13", nullptr, {{Qt::Key_F1, none, false}}, [] {}, dialogs},
            // Hidden first, the report shows once the check has run.
            {"check pack",
             27,
             "TntToolButton17",
             "TntToolButton17Action",
             {{Qt::Key_F7, none, false}},
             [this] { editor_->Forms.CheckForm->hide(); },
             [this] { return editor_->Forms.CheckForm->isVisible() ? 1 : 0; }},
            // The file dialog (answered with nothing), the export window (cancelled).
            {"import",
             29,
             "TntToolButton19",
             "TntToolButton19Action",
             {{Qt::Key_I, ctrl, false}},
             [] {},
             dialogs},
            {"export",
             30,
             "TntToolButton20",
             "TntToolButton20Action",
             {{Qt::Key_E, ctrl, false}},
             [] {},
             dialogs},
        };
    }

    // The ways to run a command, each a description and the gesture.
    std::vector<std::pair<std::string, std::function<void()>>> Ways(const TCommandWays& command) {
        std::vector<std::pair<std::string, std::function<void()>>> ways;
        ways.push_back({"button", [this, &command] {
                            if (auto* button = editor_->Child<QAbstractButton>(command.Button))
                                button->click();
                        }});
        for (const TKey& key : command.Keys) {
            ways.push_back({"key " + QKeySequence(key.Key | key.Modifiers).toString().toStdString() +
                                (key.InList ? " in the list" : ""),
                            [this, key] {
                                editor_->Window->activateWindow();
                                ASSERT_TRUE(QTest::qWaitForWindowActive(editor_->Window.get()));
                                QWidget* focus = key.InList
                                                     ? static_cast<QWidget*>(editor_->Window->SignatureList())
                                                     : static_cast<QWidget*>(&editor_->Grid());
                                focus->setFocus(Qt::OtherFocusReason);
                                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key.Key), key.Modifiers);
                            }});
        }
        if (command.MenuItem) {
            ways.push_back({"menu", [this, &command] {
                                // Chosen in the menu itself, which hides before its item runs.
                                editor_->Window->SmileView1ContextMenu(QPoint(0, 0), 1);
                                QMenu* menu = editor_->Window->ContextMenu();
                                ASSERT_TRUE(menu->isVisible());
                                menu->setActiveAction(editor_->Child<QAction>(command.MenuItem));
                                QTest::keyClick(menu, Qt::Key_Return);
                            }});
        }
        return ways;
    }

    TModalAnswers answers_;
    std::unique_ptr<TEditor> editor_;
};

TEST_F(CommandsTest, EveryCommandRunsOnceByItsButtonItsKeysAndItsMenuItem) {
    for (const TCommandWays& command : Commands()) {
        for (const auto& [way, run] : Ways(command)) {
            SCOPED_TRACE(std::string(command.Name) + " by " + way);
            command.Prepare();
            ASSERT_TRUE(editor_->Window->Interface().IsEnabled(command.Element));
            const int before = command.Measure();
            run();
            EXPECT_EQ(command.Measure() - before, 1);
            ExpectInStep(*editor_);
        }
    }
    UndoAll();
    EXPECT_EQ(Widths(*editor_).size(), 6u);
}

TEST_F(CommandsTest, AnElementDisabledInTheInterfaceManagerDisablesItsActionButtonMenuItemAndKeys) {
    TInterfaceManager& ui = editor_->Window->Interface();
    const int asked = Dialogs();  // opening the pack
    for (const TCommandWays& command : Commands()) {
        for (const auto& [way, run] : Ways(command)) {
            SCOPED_TRACE(std::string(command.Name) + " by " + way);
            command.Prepare();
            const bool menu = way == "menu";
            // The menu decides its items for the smile under it as it opens, so the element is
            // taken away while it is open.
            if (menu) editor_->Window->SmileView1ContextMenu(QPoint(0, 0), 1);
            ui.SetEnabled(command.Element, false);
            const auto* button = editor_->Child<QAbstractButton>(command.Button);
            ASSERT_NE(button, nullptr);
            EXPECT_FALSE(button->isEnabled());
            if (command.MenuItem) {
                EXPECT_FALSE(editor_->Child<QAction>(command.MenuItem)->isEnabled());
            }
            const int before = command.Measure();
            if (menu) {
                QAction* item = editor_->Child<QAction>(command.MenuItem);
                EXPECT_TRUE(editor_->Window->ContextMenu()->actions().contains(item));
                item->trigger();
                editor_->Window->ContextMenu()->hide();
            } else {
                run();
            }
            EXPECT_EQ(command.Measure(), before);
            ui.SetEnabled(command.Element, true);
            EXPECT_TRUE(button->isEnabled());
        }
    }
    // Nothing ran, so nothing was asked.
    EXPECT_EQ(Dialogs(), asked);
}

}  // namespace
}  // namespace faceloom::test
