#include "app/dialogs/qt_translations.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTranslator>
#include <memory>

#include "app/dialogs/file_filter.h"
#include "app/dialogs/qt_file_dialogs.h"
#include "dialog_test_support.h"
#include "lang/lang.h"
#include "support/temp_dir.h"

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

namespace faceloom {
namespace {

// The file dialogs word sizes, dates and the folder-not-found message in the editor's language,
// whatever the desktop's locale: Russian built in, English with the English file.
TEST(QtTranslations, FileDialogsSizesDatesAndMessagesFollowTheLanguage) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "776.gif", std::string(776, 'x'));
    const QString folder = QString::fromStdString(dir.path().string());
    const QDateTime modified = QFileInfo(folder + "/776.gif").lastModified();
    const TLang builtIn("", true);
    const auto english = test::English();
    struct TCase {
        const TLang* Lang;
        QLocale Locale;
        const char* Bytes;
    };
    for (const TCase& c :
         {TCase{&builtIn, QLocale(QLocale::Russian, QLocale::Russia), "776 байт"},
          TCase{english.get(), QLocale(QLocale::English, QLocale::UnitedStates), "776 bytes"}}) {
        SCOPED_TRACE(c.Bytes);
        FollowLanguageInQtTexts(*c.Lang);
        auto dialog = TQtFileDialogs::MakeOpenDialog(
            nullptr, {QStringLiteral("t"), QString(), folder, QString()}, false);
        dialog->show();
        auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        ASSERT_NE(view, nullptr);
        QAbstractItemModel* model = view->model();
        ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) == 1; }, 5000));
        // Qt's translation words the unit ("байты" in Qt 6.4's): the word's stem is enough.
        const QString size = model->index(0, 1, view->rootIndex()).data().toString();
        EXPECT_TRUE(size.startsWith(QString::fromUtf8(c.Bytes))) << size.toStdString();
        EXPECT_EQ(model->index(0, 3, view->rootIndex()).data().toString(),
                  c.Locale.toString(modified, QLocale::ShortFormat));
        dialog->hide();
        const QString notFound = InvalidFolderMessage(QStringLiteral("x"), QString());
        EXPECT_EQ(notFound.contains(QString::fromUtf8("не найден")), c.Lang == &builtIn)
            << notFound.toStdString();
        EXPECT_EQ(notFound.contains(QStringLiteral("not found")), c.Lang != &builtIn)
            << notFound.toStdString();
    }
    FollowLanguageInQtTexts(builtIn);
}

}  // namespace
}  // namespace faceloom
