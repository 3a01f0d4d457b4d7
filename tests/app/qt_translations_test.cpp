#include "app/qt_translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace faceloom::test {
namespace {

QString QtCancel() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

TEST(QtTranslations, QtsOwnTextsFollowTheDesktopsLanguage) {
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

}  // namespace
}  // namespace faceloom::test
