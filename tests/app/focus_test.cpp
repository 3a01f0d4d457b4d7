// Where the keys go: every dialog opens on its default control whatever its last showing left
// focused, and the main window gives the keys back to the user's work after every command.
#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "app/commands/command_table.h"
#include "app/commands/interface_manager.h"
#include "app/dialogs/about_form.h"
#include "app/dialogs/check_form.h"
#include "app/dialogs/clash_form.h"
#include "app/dialogs/color_swatch.h"
#include "app/dialogs/error_form.h"
#include "app/dialogs/export_form.h"
#include "app/dialogs/import_forms.h"
#include "app/dialogs/load_form.h"
#include "app/dialogs/no_smilies_form.h"
#include "app/dialogs/options_form.h"
#include "app/dialogs/preview_form.h"
#include "app/dialogs/query_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/signature_form.h"
#include "app/dialogs/smile_exists_form.h"
#include "app/dialogs/visual_form.h"
#include "app/dialogs/warning_form.h"
#include "dialog_test_support.h"
#include "main_window_test_support.h"
#include "model/define_decoder.h"

namespace faceloom::test {
namespace {

struct TDialogCase {
    const char* Name;
    std::function<std::unique_ptr<TDialogBase>()> Make;
    const char* DefaultControl;  // object name
};

template <typename T>
std::unique_ptr<TDialogBase> Make() {
    return std::make_unique<T>();
}

const TDialogCase kDialogs[] = {
    {"about", Make<TAboutForm>, "TntBitBtn1"},
    {"error", Make<TErrorForm>, "TntBitBtn1"},
    {"warning", Make<TWarningForm>, "TntBitBtn1"},
    {"signature", Make<TSignatureForm>, "Edit1"},
    {"smile exists", Make<TSmileExistsForm>, "TntBitBtn1"},
    // No smile shown: every button is disabled, and nothing may keep an old focus.
    {"preview", Make<TPreviewForm>, ""},
    {"visual", Make<TVisualForm>, "TntBitBtn2"},
    {"save question", Make<TQueryForm>, "TntBitBtn1"},
    {"save errors", Make<TSaveErrorsForm>, "TntBitBtn1"},
    {"options", Make<TOptionsForm>, "TntBitBtn1"},
    {"no smiles", Make<TNoSmiliesForm>, "TntBitBtn1"},
    {"clash", Make<TClashForm>, "OkButton"},
    {"import target", Make<TImportTargetForm>, "NewPackButton"},
    // No destination yet: OK is disabled, the first control is the format.
    {"export", Make<TExportForm>, "ZipRadio"},
    {"messages", Make<TMessagesForm>, "OkButton"},
};

TEST(DialogFocus, EveryShowingStartsAtTheDefaultControlWhateverTheLastOneLeft) {
    for (const TDialogCase& test : kDialogs) {
        SCOPED_TRACE(test.Name);
        std::unique_ptr<TDialogBase> dialog = test.Make();
        dialog->ApplyLanguage(TLang("", true));
        for (int showing = 0; showing < 3; ++showing) {
            SCOPED_TRACE(showing);
            QString first;
            QString moved;
            int controls = 0;
            RunModal(*dialog, [&] {
                first = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
                for (QWidget* child : dialog->findChildren<QWidget*>())
                    controls +=
                        child->isVisible() && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus);
                // Back-tab to the control before, as a user walking the dialog would, and
                // answer from there.
                QTest::keyClick(KeyTarget(*dialog), Qt::Key_Backtab);
                moved = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
                dialog->done(showing == 1 ? kResultOk : kResultCancel);
            });
            EXPECT_EQ(first, QString::fromLatin1(test.DefaultControl));
            // Where the dialog has a second control the walk left the default one, so the next
            // showing has something to forget.
            if (controls > 1) EXPECT_NE(moved, first);
        }
    }
}

TEST(DialogFocus, EveryDialogButtonHasAMnemonicOfItsOwnInBothLanguages) {
    std::vector<std::pair<const char*, std::function<std::unique_ptr<TDialogBase>()>>> dialogs;
    for (const TDialogCase& test : kDialogs) dialogs.emplace_back(test.Name, test.Make);
    dialogs.emplace_back("check", Make<TCheckForm>);
    dialogs.emplace_back("progress", Make<TLoadForm>);
    const std::unique_ptr<TLang> english = English();
    const TLang russian("", true);
    for (const TLang* lang : {&russian, static_cast<const TLang*>(english.get())}) {
        for (const auto& [name, make] : dialogs) {
            SCOPED_TRACE(name);
            std::unique_ptr<TDialogBase> dialog = make();
            dialog->ApplyLanguage(*lang);
            // The preview's start button shows pause while it plays: both words are checked.
            QStringList texts;
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (!button->text().isEmpty()) texts << button->text();
            if (name == std::string("preview")) texts << Q(lang->Text(1103));
            ASSERT_FALSE(texts.isEmpty());
            QSet<QChar> keys;
            for (const QString& text : texts) {
                SCOPED_TRACE(text.toStdString());
                const qsizetype at = text.indexOf(u'&');
                ASSERT_TRUE(at >= 0 && at + 1 < text.size() && text[at + 1].isLetter());
                EXPECT_EQ(text.indexOf(u'&', at + 1), -1);
                const QChar key = text[at + 1].toLower();
                // Start and pause are one button.
                if (text != Q(lang->Text(1103)))
                    EXPECT_FALSE(keys.contains(key)) << QString(key).toStdString();
                keys.insert(key);
            }
        }
    }
}

TEST(DialogFocus, TheCheckReportOpensOnItsFindingsAndTellsWhenTheUserClosesIt) {
    TCheckForm form;
    form.ApplyLanguage(TLang("", true));
    int closed = 0;
    form.OnClosed = [&] { ++closed; };
    for (int showing = 0; showing < 2; ++showing) {
        form.ShowReport(true);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_EQ(form.focusWidget() ? form.focusWidget()->objectName() : QString(), "FindingList");
        form.findChild<QPushButton*>("CloseButton")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(closed, showing + 1);
    }
    // Hidden by the program (the pack went away), it is no closing by the user.
    form.ShowReport(false);
    form.hide();
    EXPECT_EQ(closed, 2);
}

TEST(DialogFocus, TheSwatchesAreReachedByTabAndSpaceAsksForTheColour) {
    TVisualForm form;
    form.ApplyLanguage(TLang("", true));
    int asked = 0;
    form.ChooseColor = [&](const QColor&, QWidget*) {
        ++asked;
        return QColor(0, 0, 255);
    };
    std::vector<QString> reached;
    RunModal(form, [&] {
        // Tab walks the whole dialog once round.
        for (int i = 0; i < 16; ++i) {
            QTest::keyClick(KeyTarget(form), Qt::Key_Tab);
            if (QWidget* focus = form.focusWidget()) reached.push_back(focus->objectName());
        }
        auto* swatch = Child<TColorSwatch>(form, "TntPanel3");
        swatch->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(form.focusWidget() == swatch);
        QTest::keyClick(swatch, Qt::Key_Space);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(swatch->Color(), 0xFF0000u);
        EXPECT_TRUE(form.isVisible());  // Space on a swatch is no answer to the dialog
        form.done(kResultCancel);
    });
    for (const char* name : {"TntPanel1", "TntPanel2", "TntPanel3", "TntPanel4"}) {
        EXPECT_NE(std::find(reached.begin(), reached.end(), QString::fromLatin1(name)), reached.end())
            << name;
    }
}

class MainWindowFocusTest : public MainWindowTest {};

TEST_F(MainWindowFocusTest, TheReportAfterOpenTakesTheKeysAndEscapeGivesThemToTheGrid) {
    // Three smiles, two pictures: the third smile's picture is missing, an error.
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\nc\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    editor.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    Open(editor, folder);
    TCheckForm* report = editor.Forms.CheckForm.get();
    ASSERT_TRUE(report->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(report));
    EXPECT_EQ(report->focusWidget() ? report->focusWidget()->objectName() : QString(), "FindingList");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(report->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    EXPECT_EQ(QApplication::focusWidget(), editor.Window->Grid());
}

TEST_F(MainWindowFocusTest, StartUpAndEveryCommandLeaveTheKeysInTheGridOrTheList) {
    const std::string folder = MakePack("pack", 3, "a\r\nb\r\nc\r\n");
    TModalAnswers answers;  // every question and dialog cancelled
    TEditor editor;
    editor.Start();
    QWidget* grid = editor.Window->Grid();
    QListWidget* list = editor.Window->SignatureList();
    EXPECT_EQ(editor.Window->focusWidget(), grid) << "at start-up";

    auto* exitButton = editor.Child<QPushButton>("TntBitBtn1");
    std::vector<std::string> skipped;
    for (const TCommandSpec& spec : CommandTable()) {
        if (spec.Command == TCommand::Exit) continue;
        SCOPED_TRACE(spec.ObjectName);
        // Each command meets an open pack with its second smile chosen.
        if (!editor.Window->Model()->PresentPacks().Contains(editor.Window->Model()->CurrentPack()) ||
            editor.Grid().Count() < 2) {
            Open(editor, folder);
            editor.WaitForPictures();
        }
        ASSERT_GE(editor.Grid().Count(), 2);
        editor.Grid().SetItemIndex(1);
        editor.Window->SmileView1Select(1);
        if (list->count() > 0) {
            list->setCurrentRow(0);
            editor.Window->ListBox1Click();
        }
        // A command that cannot run now (no smile above to move to) does nothing at all.
        if (spec.Element != kNoElement && !editor.Window->Interface().IsEnabled(spec.Element)) {
            skipped.push_back(spec.ObjectName);
            continue;
        }
        // The focus where a user leaves it by Tab: on Exit.
        exitButton->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(editor.Window->focusWidget(), exitButton);
        // Add, add a folder and replace find their file dialogs cancelled.
        editor.Window->Commands().Run(spec.Command);
        QTest::qWait(20);
        const bool onSignatures = spec.Element >= kElementAddSignature &&
                                  spec.Element <= kElementMoveSignatureDown &&
                                  spec.Element != kElementFindSignature && list->count() > 0;
        EXPECT_EQ(editor.Window->focusWidget(), onSignatures ? static_cast<QWidget*>(list) : grid);
        if (QWidget* report = editor.Window->findChild<QWidget*>("CheckForm")) report->hide();
        if (editor.Forms.CheckForm) editor.Forms.CheckForm->hide();
    }
    EXPECT_TRUE(answers.Done());
    // All ran but the moves that a single row of smiles with one signature each does not allow.
    EXPECT_EQ(skipped, (std::vector<std::string>{"MoveSmileUp", "MoveSmileDown", "MoveSignatureUp",
                                                 "MoveSignatureDown"}));
}

// The pack buttons show exactly the pack the grid shows; the both-packs button shows the mode
// on its own, whatever order the keys come in.
TEST_F(MainWindowFocusTest, TheModeButtonsShowThePackAndTheModeWhateverTheKeys) {
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\n");
    TEditor editor;
    StartOn(editor, folder);
    QAction* packs[kPackCount] = {editor.Window->findChild<QAction*>("TntToolButton7Action"),
                                  editor.Window->findChild<QAction*>("TntToolButton8Action")};
    QAction* both = editor.Window->findChild<QAction*>("TntToolButton9Action");
    struct TStep {
        const char* Keys;
        uint8_t Pack;
        bool Both;
    };
    const TStep steps[] = {
        {"Ctrl+1", kStaticPack, false},   {"Ctrl+3", kStaticPack, true},    {"Ctrl+2", kAnimatedPack, true},
        {"Ctrl+3", kAnimatedPack, false}, {"Ctrl+2", kAnimatedPack, false}, {"Ctrl+3", kAnimatedPack, true},
        {"Ctrl+1", kStaticPack, true},    {"Ctrl+3", kStaticPack, false},
    };
    int n = 0;
    for (const TStep& step : steps) {
        SCOPED_TRACE(n++);
        QTest::keySequence(editor.Window.get(), QKeySequence(step.Keys));
        for (uint8_t p = 0; p < kPackCount; ++p) EXPECT_EQ(packs[p]->isChecked(), p == step.Pack) << int(p);
        EXPECT_EQ(both->isChecked(), step.Both);
        EXPECT_EQ(editor.Window->Model()->CurrentPack(), step.Pack);
        EXPECT_EQ(editor.Window->Model()->BothMode(), step.Both);
    }
}

}  // namespace
}  // namespace faceloom::test
