// The pack check in the editor: the report after Open, a finding chosen in it selects its smile
// and signature, its fix is one undoable step with the grid in step, and the report follows
// every change and the language.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "app/dialogs/check_form.h"
#include "app/dialogs/save_errors_form.h"
#include "dialog_test_support.h"
#include "lang/builtin_texts.h"
#include "main_window_test_support.h"
#include "model/pack_check.h"
#include "support/pack_builder.h"

namespace faceloom::test {
namespace {

class CheckWindowTest : public MainWindowTest {
protected:
    static QTreeWidget* Findings(TEditor& editor) {
        return editor.Forms.CheckForm->findChild<QTreeWidget*>("FindingList");
    }
    // Every line of the report, headings first, as the user reads them.
    static QStringList Lines(TEditor& editor) {
        QStringList lines;
        QTreeWidget* list = Findings(editor);
        for (int t = 0; t < list->topLevelItemCount(); ++t) {
            lines << list->topLevelItem(t)->text(0);
            for (int c = 0; c < list->topLevelItem(t)->childCount(); ++c)
                lines << list->topLevelItem(t)->child(c)->text(0);
        }
        return lines;
    }
    static QTreeWidgetItem* LineWith(TEditor& editor, const QString& part) {
        QTreeWidget* list = Findings(editor);
        for (int t = 0; t < list->topLevelItemCount(); ++t)
            for (int c = 0; c < list->topLevelItem(t)->childCount(); ++c)
                if (list->topLevelItem(t)->child(c)->text(0).contains(part))
                    return list->topLevelItem(t)->child(c);
        return nullptr;
    }
    static std::vector<std::string> Signatures(TEditor& editor, int32_t smile) {
        return editor.Window->Model()->Smile(smile)->Signatures.Items();
    }
};

TEST_F(CheckWindowTest, AFindingChosenSelectsItsSmileAndItsFixIsOneUndoableStep) {
    TEditor editor;
    TModalAnswers answers;
    // Smile 2 has "a" again; smile 1 nothing wrong.
    StartOn(editor, MakePack("dup", 3, "a\r\nb\r\nc,a\r\n"));
    TCheckForm& form = *editor.Forms.CheckForm;
    // An error after Open: the report shows itself (offscreen, the main window stays active).
    ASSERT_TRUE(form.isVisible());
    EXPECT_TRUE(editor.Window->isActiveWindow());
    const QString duplicate = Q(BuiltinText(2001)).replace("%1", "a").replace("%2", "3").replace("%3", "1");
    EXPECT_EQ(Lines(editor), (QStringList{Q(BuiltinText(2019)) + " (1)", duplicate}));

    // Clicked in the list: smile 3 (index 2) in the grid, its second signature in the list.
    QTreeWidgetItem* line = LineWith(editor, duplicate);
    ASSERT_NE(line, nullptr);
    QTreeWidget* list = Findings(editor);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(line).center());
    EXPECT_EQ(editor.Grid().ItemIndex(), 2);
    EXPECT_EQ(editor.Window->SignatureList()->currentRow(), 1);
    ASSERT_NE(editor.Window->SignatureList()->currentItem(), nullptr);
    EXPECT_EQ(editor.Window->SignatureList()->currentItem()->text(), "a");
    EXPECT_EQ(form.Chosen(), &form.Result().Findings[0]);

    // Fix: the later smile loses the duplicate; model, grid and list agree, and the report is
    // clean at once.
    auto* fix = form.findChild<QPushButton*>("FixButton");
    ASSERT_TRUE(fix->isEnabled());
    QTest::mouseClick(fix, Qt::LeftButton);
    EXPECT_EQ(Signatures(editor, 2), std::vector<std::string>{"c"});
    EXPECT_EQ(Signatures(editor, 0), std::vector<std::string>{"a"});
    ExpectInStep(editor);
    EXPECT_EQ(editor.Grid().ItemIndex(), 2);
    EXPECT_EQ(editor.Window->SignatureList()->count(), 1);
    EXPECT_EQ(Lines(editor), QStringList{Q(BuiltinText(2022))});
    EXPECT_FALSE(fix->isEnabled());
    EXPECT_EQ(Define(editor), "a\r\nb\r\nc");

    // Ctrl+Z in the main window takes the fix back in one step, and the report finds it again.
    editor.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    editor.Grid().setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Signatures(editor, 2), (std::vector<std::string>{"c", "a"}));
    EXPECT_FALSE(editor.Window->Model()->CanUndo());
    ExpectInStep(editor);
    EXPECT_EQ(Lines(editor), (QStringList{Q(BuiltinText(2019)) + " (1)", duplicate}));

    // Another language: the same findings in its words.
    const std::unique_ptr<TLang> english = English();
    editor.Window->ApplyLanguageToAllWindows(*english);
    EXPECT_EQ(Lines(editor).front(), Q(english->Text(2019)) + " (1)");
    EXPECT_TRUE(Lines(editor).back().startsWith(Q(english->Text(2001)).section("%1", 0, 0)));
    EXPECT_EQ(form.windowTitle(), Q(english->Text(2024)));

    // A finding gone stale by an edit elsewhere changes nothing when its fix is pressed.
    const TCheckFinding stale = form.Result().Findings.at(0);
    editor.Window->Model()->DeleteSignature(2, 1);
    const std::string before = Define(editor);
    form.OnFix(stale);
    EXPECT_EQ(Define(editor), before);
    EXPECT_TRUE(answers.Seen.empty());
}

// Open reports a picture whose frames do not fit the pack's budget: the smile shows the failed
// picture, and the report lists it as unreadable for want of memory, in the language's words.
TEST_F(CheckWindowTest, APictureTooLargeForMemoryIsReportedAfterOpen) {
    TEditor editor;
    TModalAnswers answers;
    const std::string folder = MakePack("memory", 2, "a\r\nb\r\nc\r\n");
    // Two frames of 3000 x 120: 400 KB each, and as much again for the canvas decoding them.
    WriteGif(folder + "p2.gif", 3000, 120, 2, 7);
    editor.Start();
    editor.Window->Model()->SetFrameBudget(1 << 20);
    Open(editor, folder);
    TDefineDecoder& model = *editor.Window->Model();
    ASSERT_EQ(model.SmileCount(), 3);
    EXPECT_TRUE(model.Smile(2)->LoadError);
    EXPECT_TRUE(model.Smile(2)->TooLargeForMemory);
    EXPECT_NE(model.Smile(1)->Picture.load(), nullptr);
    ExpectInStep(editor);

    ASSERT_TRUE(editor.Forms.CheckForm->isVisible());
    const QString reason = Q(BuiltinText(kCheckTextTooLargeForMemory)).replace("%1", "1");
    const QString line =
        Q(BuiltinText(2007)).replace("%1", "3").replace("%2", "p2.gif").replace("%3", reason);
    EXPECT_EQ(Lines(editor), (QStringList{Q(BuiltinText(2019)) + " (1)", line}));

    // The reason is the language's too.
    const std::unique_ptr<TLang> english = English();
    editor.Window->ApplyLanguageToAllWindows(*english);
    EXPECT_NE(LineWith(editor, Q(english->Text(kCheckTextTooLargeForMemory)).replace("%1", "1")), nullptr);
    EXPECT_TRUE(answers.Seen.empty());
}

// A picture its decoder cannot read is reported with the decoder's reason in the window's
// language, Russian built in and English after the switch.
TEST_F(CheckWindowTest, TheDecodersReasonFollowsTheLanguage) {
    TEditor editor;
    TModalAnswers answers;
    const std::string folder = MakePack("damaged", 2, "a\r\nb\r\n");
    // Image data asking for a code size no GIF has.
    WriteBytes(folder + "p1.gif", std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00"
                                              "\x01\x00\x00\x0c\x01\x00\x00\x3b",
                                              25));
    StartOn(editor, folder);
    ASSERT_TRUE(editor.Window->Model()->Smile(1)->LoadError);
    ASSERT_TRUE(editor.Forms.CheckForm->isVisible());
    const auto line = [](const TLang& lang) {
        return Q(lang.Text(2007))
            .replace("%1", "2")
            .replace("%2", "p1.gif")  // the user's own file, not the working copy's name
            .replace("%3", Q(lang.Text(2325)));
    };
    const TLang russian("", true);
    EXPECT_NE(LineWith(editor, line(russian)), nullptr) << Lines(editor).join('\n').toStdString();
    const std::unique_ptr<TLang> english = English();
    editor.Window->ApplyLanguageToAllWindows(*english);
    EXPECT_EQ(Q(english->Text(2325)), "Error in the data");
    EXPECT_NE(LineWith(editor, line(*english)), nullptr) << Lines(editor).join('\n').toStdString();
    EXPECT_TRUE(answers.Seen.empty());
}

// The identical picture is fixed by deleting the later smile; a pack with nothing wrong opens
// without the report; "Show" in the report before saving opens it instead of saving.
TEST_F(CheckWindowTest, DeletesTheLaterIdenticalSmileAndOpensFromTheSaveReport) {
    TEditor editor;
    TModalAnswers answers;
    StartOn(editor, MakePack("clean", 3, "a\r\nb\r\nc\r\n"));
    TCheckForm& form = *editor.Forms.CheckForm;
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Lines(editor), QStringList{Q(BuiltinText(2022))});

    // Smile 3 loses its signature and gets smile 1's picture by Replace: the same frames
    // twice, and deleting it loses nothing the user can type.
    const std::string folder = MakePack("same", 0, "");
    WriteGif(folder + "same.gif", 10, 10);
    editor.Grid().SetItemIndex(2);
    editor.Window->SignatureList()->setCurrentRow(0);
    editor.Window->ListBox1Click();
    editor.Window->Commands().Run(TCommand::DeleteSignature);
    editor.Dialogs->Files.push_back({QString::fromStdString(folder + "same.gif")});
    editor.Window->Commands().Run(TCommand::ReplacePicture);
    editor.Window->Commands().Run(TCommand::CheckPack);
    ASSERT_TRUE(form.isVisible());
    const QString identical = Q(BuiltinText(2009)).replace("%1", "3").replace("%2", "1");
    QTreeWidgetItem* line = LineWith(editor, identical);
    ASSERT_NE(line, nullptr);
    Findings(editor)->setCurrentItem(line);
    EXPECT_EQ(editor.Grid().ItemIndex(), 2);
    form.findChild<QPushButton*>("FixButton")->click();
    EXPECT_EQ(editor.Window->Model()->SmileCount(), 2);
    ExpectInStep(editor);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11}));
    editor.Window->Commands().Run(TCommand::Undo);
    EXPECT_EQ(editor.Window->Model()->SmileCount(), 3);
    ExpectInStep(editor);
    EXPECT_NE(LineWith(editor, identical), nullptr);

    // The smile without signature is an error the report before saving counts: "Show" there
    // saves nothing and brings up the check.
    form.hide();
    const std::string define = Define(editor);
    answers.Answer([](TDialogBase& dialog) { dialog.findChild<QPushButton*>("ShowButton")->click(); });
    editor.Window->Commands().Run(TCommand::Save);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveErrorsForm"});
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(LineWith(editor, Q(BuiltinText(2004)).replace("%1", "3")), nullptr);
    EXPECT_EQ(Define(editor), define);
    EXPECT_TRUE(editor.Window->Model()->Modified(editor.Window->Model()->CurrentPack()));
}

// A missing picture offers both ways out, each button saying what it does: the picture
// replaced (the user's file asked for) or the smile deleted; the report before saving counts
// the check's duplicate signatures too.
TEST_F(CheckWindowTest, AMissingPictureOffersReplaceOrDeleteAndTheSaveReportCountsDuplicates) {
    TEditor editor;
    TModalAnswers answers;
    StartOn(editor, MakePack("holes", 2, "a\r\nb\r\nc,a\r\n"));
    TCheckForm& form = *editor.Forms.CheckForm;
    ASSERT_TRUE(form.isVisible());
    auto* fix = form.findChild<QPushButton*>("FixButton");
    auto* alternative = form.findChild<QPushButton*>("AlternativeButton");
    const QString missing = Q(BuiltinText(2006)).replace("%1", "3").replace("%2", "ac.gif");
    QTreeWidgetItem* line = LineWith(editor, missing);
    ASSERT_NE(line, nullptr);
    Findings(editor)->setCurrentItem(line);
    EXPECT_EQ(fix->text(), Q(BuiltinText(2344)));
    EXPECT_TRUE(fix->isEnabled());
    EXPECT_FALSE(alternative->isHidden());
    EXPECT_EQ(alternative->text(), Q(BuiltinText(2343)));
    const QString duplicate = Q(BuiltinText(2001)).replace("%1", "a").replace("%2", "3").replace("%3", "1");
    Findings(editor)->setCurrentItem(LineWith(editor, duplicate));
    EXPECT_EQ(fix->text(), Q(BuiltinText(2342)));
    EXPECT_TRUE(alternative->isHidden());

    // Replace: the picture the user chooses, one undoable step.
    Findings(editor)->setCurrentItem(LineWith(editor, missing));
    const std::string folder = MakePack("pictures", 0, "");
    WriteGif(folder + "new.gif", 14, 10);
    editor.Dialogs->Files.push_back({QString::fromStdString(folder + "new.gif")});
    fix->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 14}));
    ExpectInStep(editor);
    EXPECT_EQ(LineWith(editor, missing), nullptr);

    // Only the duplicate is left: the report before saving says so, and "No" saves nothing.
    form.hide();
    QString duplicates;
    answers.Answer([&](TDialogBase& dialog) {
        duplicates = dialog.findChild<QLabel*>("DuplicatesCount")->text();
        dialog.done(kResultCancel);
    });
    const std::string define = Define(editor);
    editor.Window->Commands().Run(TCommand::Save);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveErrorsForm"});
    EXPECT_EQ(duplicates, "1");
    EXPECT_EQ(Define(editor), define);

    // Delete the smile: the other way out of a missing picture.
    editor.Window->Commands().Run(TCommand::Undo);
    editor.Window->Commands().Run(TCommand::CheckPack);
    Findings(editor)->setCurrentItem(LineWith(editor, missing));
    alternative->click();
    EXPECT_EQ(editor.Window->Model()->SmileCount(), 2);
    ExpectInStep(editor);
}

}  // namespace
}  // namespace faceloom::test
