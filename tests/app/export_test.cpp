// Export: the dialog (format, destination proposed and chosen) and the command writing the
// current pack in each format, with its failures said and its success told.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "app/dialogs/export_form.h"
#include "app/dialogs/import_forms.h"
#include "convert/pack_import.h"
#include "dialog_test_support.h"
#include "main_window_test_support.h"

namespace faceloom::test {
namespace {

TEST(ExportForm, TheProposedDestinationFollowsTheFormatUntilTheUserChoosesOne) {
    TExportForm form;
    form.ApplyLanguage(TLang("", true));
    form.DefaultDestination = [](TPackFormat format) { return QString("/p/") + PackFormatName(format); };
    std::vector<TPackFormat> asked;
    form.Browse = [&asked](TPackFormat format, const QString& current) -> std::optional<QString> {
        asked.push_back(format);
        return current == "/p/pidgin" ? std::optional<QString>("/q/theme") : std::nullopt;
    };
    auto* ok = Child<QPushButton>(form, "OkButton");
    form.Reset(TPackFormat::Zip);
    EXPECT_EQ(form.Destination(), "/p/zip");
    Child<QRadioButton>(form, "PidginRadio")->click();
    EXPECT_EQ(form.Format(), TPackFormat::Pidgin);
    EXPECT_EQ(form.Destination(), "/p/pidgin");
    // Browsed to: it stays whatever format is chosen next; a cancelled browse changes nothing.
    Child<QPushButton>(form, "BrowseButton")->click();
    EXPECT_EQ(form.Destination(), "/q/theme");
    Child<QPushButton>(form, "BrowseButton")->click();
    EXPECT_EQ(form.Destination(), "/q/theme");
    EXPECT_EQ(asked, (std::vector<TPackFormat>{TPackFormat::Pidgin, TPackFormat::Pidgin}));
    Child<QRadioButton>(form, "FreedesktopRadio")->click();
    EXPECT_EQ(form.Destination(), "/q/theme");
    // Without a destination there is nothing to do.
    EXPECT_TRUE(ok->isEnabled());
    Child<QLineEdit>(form, "DestinationEdit")->setText("  ");
    EXPECT_FALSE(ok->isEnabled());
    // A new showing starts from the proposal again.
    form.Reset(TPackFormat::Freedesktop);
    EXPECT_EQ(form.Destination(), "/p/freedesktop");
    EXPECT_TRUE(ok->isEnabled());
}

class ExportTest : public MainWindowTest {
protected:
    // Runs Export, choosing format and destination in the dialog; the answer to what comes
    // after (the message or the failure box) is recorded.
    void Export(TEditor& editor, TPackFormat format, const std::string& out, QString* proposed = nullptr) {
        TModalAnswers answers;
        answers.Answer([&](TDialogBase& dialog) {
            auto& form = static_cast<TExportForm&>(dialog);
            form.SetFormat(format);
            if (proposed) *proposed = form.Destination();
            form.SetDestination(QString::fromStdString(out));
            dialog.done(kResultOk);
        });
        answers.Answer([this](TDialogBase& dialog) {
            if (auto* messages = qobject_cast<TMessagesForm*>(&dialog)) message_ = messages->Text();
            dialog.done(kResultOk);
        });
        editor.Window->Commands().Run(TCommand::Export);
        seen_ = answers.Seen;
    }

    QString message_;
    std::vector<QString> seen_;
};

TEST_F(ExportTest, EachFormatIsWrittenWhereTheUserSaidAndReadsBackWithTheSameSmiles) {
    const std::string folder = MakePack("party", 3, ":a:\r\n:b:,:bb:\r\n:c:\r\n");
    TEditor editor;
    StartOn(editor, folder);
    const std::string define = Define(editor);
    struct TCase {
        TPackFormat Format;
        const char* Out;
        const char* Index;  // the file the format's reader looks for
        const char* Proposed;
    };
    for (const TCase& c : {TCase{TPackFormat::Zip, "out.zip", nullptr, "party.zip"},
                           TCase{TPackFormat::Pidgin, "pidgin", "theme", "party-pidgin"},
                           TCase{TPackFormat::Freedesktop, "kde", "emoticons.xml", "party-freedesktop"}}) {
        SCOPED_TRACE(c.Out);
        const std::string out = packs_.folder() + c.Out;
        QString proposed;
        Export(editor, c.Format, out, &proposed);
        // Beside the pack's folder, named after it.
        EXPECT_EQ(proposed, QString::fromStdString(packs_.folder() + c.Proposed));
        EXPECT_EQ(seen_, (std::vector<QString>{"ExportForm", "MessagesForm"}));
        EXPECT_EQ(message_,
                  QString::fromUtf8("Смайлпак экспортирован в «%1».").arg(QString::fromStdString(out)));
        if (c.Index) EXPECT_TRUE(std::filesystem::exists(out + "/" + c.Index));
        const TForeignPack back = ReadSource(out, TImportOptions{}, true, TPackFormat::Pictures);
        ASSERT_EQ(back.Smiles.size(), 3u);
        EXPECT_EQ(back.Smiles[1].Codes, (std::vector<std::string>{":b:", ":bb:"}));
    }
    // The pack itself is untouched.
    EXPECT_EQ(Define(editor), define);
}

TEST_F(ExportTest, AFailureIsSaidWithItsReasonAndWritesNothing) {
    const std::string folder = MakePack("pack", 2, ":a:\r\n:b:\r\n");
    TEditor editor;
    StartOn(editor, folder);
    // A theme goes to a new folder: one that holds files already is refused.
    const std::string taken = packs_.folder() + "taken";
    std::filesystem::create_directories(taken);
    WriteBytes(taken + "/keep.txt", "mine");
    Export(editor, TPackFormat::Pidgin, taken);
    EXPECT_EQ(seen_, (std::vector<QString>{"ExportForm", "SaveFailureBox"}));
    EXPECT_TRUE(editor.Window->LastSaveFailure().startsWith(
        QString::fromUtf8("Не удалось экспортировать смайлпак: ")));
    EXPECT_GT(editor.Window->LastSaveFailure().size(), 40);
    EXPECT_EQ(ListFiles(taken), std::vector<std::string>{"keep.txt"});
}

}  // namespace
}  // namespace faceloom::test
