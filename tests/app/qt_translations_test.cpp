#include "app/dialogs/qt_translations.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>
#include <memory>

#include "dialog_test_support.h"
#include "lang/lang.h"

namespace faceloom::test {
namespace {

QString QtCancel() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

TEST(QtTranslations, ATranslatorPerLocaleAndNoneForEnglish) {
    FollowLanguageInQtTexts(*English());  // whatever earlier windows installed goes
    ASSERT_EQ(QtCancel(), "Cancel");
    {
        std::unique_ptr<QTranslator> russian(
            InstallQtTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
        ASSERT_NE(russian, nullptr) << "Qt's translations are not installed";
        EXPECT_EQ(QtCancel(), QString::fromUtf8("Отмена"));
    }
    // Deleting it gives the other windows back their English.
    EXPECT_EQ(QtCancel(), "Cancel");
    // Qt has no English translation to load: nothing installed, nothing changed.
    EXPECT_EQ(InstallQtTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), nullptr);
    EXPECT_EQ(QtCancel(), "Cancel");
}

// Qt's dialogs speak the editor's language, not the desktop's, and switch with it: Russian with
// the built-in language, English with the English file.
TEST(QtTranslations, QtsDialogsFollowTheEditorsLanguageLive) {
    const TLang builtIn("", true);
    const auto english = English();
    EXPECT_EQ(QtLocaleOf(builtIn).language(), QLocale::Russian);
    EXPECT_EQ(QtLocaleOf(*english).language(), QLocale::English);
    auto cancelOfAColourDialog = [] {
        QColorDialog dialog;
        const auto* box = dialog.findChild<QDialogButtonBox*>();
        const QPushButton* cancel = box ? box->button(QDialogButtonBox::Cancel) : nullptr;
        return cancel ? cancel->text() : QString();
    };
    FollowLanguageInQtTexts(builtIn);
    EXPECT_EQ(cancelOfAColourDialog(), QString::fromUtf8("Отмена"));
    FollowLanguageInQtTexts(*english);
    EXPECT_EQ(cancelOfAColourDialog(), "Cancel");
    FollowLanguageInQtTexts(builtIn);
    EXPECT_EQ(QtCancel(), QString::fromUtf8("Отмена"));
    FollowLanguageInQtTexts(*english);
    EXPECT_EQ(QtCancel(), "Cancel");
}

}  // namespace
}  // namespace faceloom::test
