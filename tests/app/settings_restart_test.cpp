// What the visual settings dialog accepts comes back exactly after a restart: the font (face,
// size, style), the colours and the column count.
#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include "app/dialogs/options_form.h"
#include "app/dialogs/visual_form.h"
#include "dialog_test_support.h"
#include "main_window_test_support.h"
#include "storage/global_config_manager.h"
#include "views/smile_label.h"

namespace faceloom::test {
namespace {

class SettingsRestartTest : public MainWindowTest {
protected:
    // Runs the visual settings dialog, lets change act on it, answers OK.
    static void VisualSettings(TEditor& editor, std::function<void(TVisualForm&)> change) {
        TModalAnswers answers;
        answers.Answer([&change](TDialogBase& dialog) {
            change(static_cast<TVisualForm&>(dialog));
            dialog.done(kResultOk);
        });
        editor.Child<QToolButton>("TntSpeedButton5")->click();
        EXPECT_EQ(answers.Seen, std::vector<QString>{"VisualForm"});
    }
};

TEST_F(SettingsRestartTest, TheChosenFontAndColoursComeBackExactly) {
    int expectedPixels = 0;
    {
        TEditor editor;
        editor.Start();
        VisualSettings(editor, [&expectedPixels](TVisualForm& form) {
            // The font dialog answers in points, as Qt's does.
            form.ChooseFont = [](QFont& font, QWidget*) {
                font = QFont("DejaVu Sans");
                font.setPointSize(14);
                font.setBold(true);
                font.setItalic(true);
                return true;
            };
            form.findChild<QPushButton*>("TntBitBtn1")->click();
            expectedPixels = qRound(14 * form.logicalDpiY() / 72.0);
            form.Sample()->SetColor(0x00123456);
            form.Sample()->SetHotTrackColor(0x00654321);
        });
        const QFont font = editor.Grid().font();
        EXPECT_EQ(font.pixelSize(), expectedPixels);
        EXPECT_EQ(editor.Window->Settings().ReadInteger(TGlobalIntegerKey::FontHeight), -expectedPixels);
    }
    ASSERT_GT(expectedPixels, 0);
    TEditor editor;
    editor.Start();
    const QFont font = editor.Grid().font();
    EXPECT_EQ(font.family(), "DejaVu Sans");
    EXPECT_EQ(font.pixelSize(), expectedPixels);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_FALSE(font.underline());
    EXPECT_EQ(editor.Grid().Color(), 0x00123456u);
    EXPECT_EQ(editor.Grid().HotTrackColor(), 0x00654321u);
}

// The default face is one this machine has with its bold, so the font dialog offers every
// style; where Tahoma lacks its bold, the desktop's own face stands in at the same height.
TEST_F(SettingsRestartTest, TheDefaultFaceHasItsBoldFace) {
    TEditor editor;
    editor.Start();
    const QFont font = editor.Grid().font();
    EXPECT_EQ(font.pixelSize(), 11);
    bool bold = false;
    for (const QString& style : QFontDatabase::styles(font.family())) bold |= style.contains("Bold");
    EXPECT_TRUE(bold) << font.family().toStdString();
}

// The language chosen in the options and the switches under the grid come back as they were
// left, in the grid's behaviour and on the buttons.
TEST_F(SettingsRestartTest, TheLanguageAndTheSwitchesComeBack) {
    {
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        answers.Answer([](TDialogBase& dialog) {
            auto* box = dialog.findChild<QComboBox*>("TntComboBox1");
            const int other = box->currentIndex() == 0 ? 1 : 0;
            box->setCurrentIndex(other);
            emit box->activated(other);
            dialog.done(kResultOk);
        });
        editor.Window->findChild<QAction*>("TntToolButton11Action")->trigger();
        for (const char* name : {"TntSpeedButton1", "TntSpeedButton2", "TntSpeedButton3"})
            editor.Child<QToolButton>(name)->click();
    }
    TEditor editor;
    editor.Start();
    EXPECT_EQ(editor.Window->windowTitle(), Q(English()->Text(401)));
    for (const char* name : {"TntSpeedButton1", "TntSpeedButton2", "TntSpeedButton3"})
        EXPECT_FALSE(editor.Child<QToolButton>(name)->isChecked()) << name;
    EXPECT_FALSE(editor.Grid().AnimateAll());
    EXPECT_FALSE(editor.Grid().ShowSignatures());
    EXPECT_FALSE(editor.Grid().AllowHotTrack());
}

// Every count the field takes comes back; 0 or less is one row for all smiles.
TEST_F(SettingsRestartTest, EveryColumnCountTheDialogTakesComesBack) {
    const std::string folder = MakePack("pack", 3, "a\r\nb\r\nc\r\n");
    for (const auto& [typed, stored, columns] :
         {std::tuple{"0", 0, 3}, std::tuple{"-5", -5, 3}, std::tuple{"2", 2, 2}, std::tuple{"2000", 2000, 3},
          std::tuple{"9999", 9999, 3}}) {
        SCOPED_TRACE(typed);
        {
            TEditor editor;
            editor.Start();
            VisualSettings(editor, [typed = typed](TVisualForm& form) { form.SetColumnText(typed); });
            EXPECT_EQ(editor.Grid().RowWidth(), stored);
            if (editor.Grid().Count() == 0) Open(editor, folder);  // stays for the next starts
        }
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        EXPECT_EQ(editor.Grid().RowWidth(), stored);
        EXPECT_EQ(editor.Grid().ColCount(), columns);
        EXPECT_EQ(editor.Grid().RowCount(), columns == 3 ? 1 : 2);
    }
}

// The options for adding pictures from outside come back as they were given: the signature
// pattern (blanks at the ends dropped, an empty one is the default) and the largest picture.
TEST_F(SettingsRestartTest, TheSignaturePatternAndTheLargestPictureComeBack) {
    struct TCase {
        const char* Typed;
        int Width, Height;
        const char* Stored;
    };
    for (const TCase& c : {TCase{"[name]", 64, 48, "[name]"}, TCase{"  :name: ", 8, 2048, ":name:"},
                           TCase{"", 300, 100, ":name:"}, TCase{"имя:name", 256, 256, "имя:name"}}) {
        SCOPED_TRACE(c.Typed);
        {
            TModalAnswers answers;
            TEditor editor;
            editor.Start();
            answers.Answer([&c](TDialogBase& dialog) {
                auto& form = static_cast<TOptionsForm&>(dialog);
                form.CodePattern()->setText(QString::fromUtf8(c.Typed));
                form.MaxWidth()->setValue(c.Width);
                form.MaxHeight()->setValue(c.Height);
                dialog.done(kResultOk);
            });
            editor.Window->Commands().Run(TCommand::Options);
            EXPECT_EQ(answers.Seen, std::vector<QString>{"OptionsForm"});
        }
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        QString pattern;
        int width = 0, height = 0;
        answers.Answer([&](TDialogBase& dialog) {
            auto& form = static_cast<TOptionsForm&>(dialog);
            pattern = form.CodePattern()->text();
            width = form.MaxWidth()->value();
            height = form.MaxHeight()->value();
            dialog.done(kResultCancel);
        });
        editor.Window->Commands().Run(TCommand::Options);
        EXPECT_EQ(pattern, QString::fromUtf8(c.Stored));
        EXPECT_EQ(width, c.Width);
        EXPECT_EQ(height, c.Height);
    }
}

}  // namespace
}  // namespace faceloom::test
