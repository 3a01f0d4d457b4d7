#include "app/dialogs/options_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QTest>

#include "dialog_test_support.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using test::Child;
using test::RunModal;

void WriteLanguage(const test::TempDir& dir, const std::string& name,
                   const std::map<int, std::u16string>& texts) {
    const std::string bytes = test::WritePeModule(test::StringTableResources(texts)).bytes;
    FILE* file = std::fopen(dir.file(name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

TEST(OptionsForm, ChoosingALanguageRelabelsTheDialogAtOnceAndCancelKeepsIt) {
    test::TempDir dir;
    // Only a few texts: the rest falls back to the built-in ones.
    WriteLanguage(dir, "Deutsch.lng", {{101, u"Deutsch"}, {1501, u"Optionen"}, {1503, u"Sprache"}});
    TLangManager manager(dir.folder());
    manager.Scan();
    manager.SelectByName("");
    TOptionsForm form;
    manager.OnChange = [&](TLangManager&, TLang& lang) { form.ApplyLanguage(lang); };
    form.ApplyLanguage(*manager.CurrentLanguage());
    form.SetLanguageManager(&manager);

    auto* combo = Child<QComboBox>(form, "TntComboBox1");
    QStringList listed;
    int selected = -1;
    QString titleAfter, languageAfter, generalAfter;
    const int result = RunModal(form, [&] {
        for (int i = 0; i < combo->count(); ++i) listed << combo->itemText(i);
        selected = combo->currentIndex();
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);  // the user picks the next entry
        titleAfter = form.windowTitle();
        languageAfter = Child<QGroupBox>(form, "TntGroupBox2")->title();
        generalAfter = Child<QGroupBox>(form, "TntGroupBox1")->title();
        form.reject();
    });
    EXPECT_EQ(result, kResultCancel);
    EXPECT_EQ(listed, QStringList({QStringLiteral("Русский"), QStringLiteral("Deutsch")}));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(titleAfter, QStringLiteral("Optionen"));
    EXPECT_EQ(languageAfter, QStringLiteral("Sprache"));
    EXPECT_EQ(generalAfter, QStringLiteral("Общие"));  // missing in the file: built-in text
    EXPECT_EQ(manager.CurrentFileName(), dir.file("Deutsch.lng"));
    EXPECT_EQ(manager.CurrentIndex(), 1);
}

TEST(OptionsForm, CheckBoxesAreTheCallersAndNoManagerListsNothing) {
    TOptionsForm form;
    form.ApplyLanguage(TLang("", true));
    form.CloseOnExit()->setChecked(true);
    form.ShowWarnings()->setChecked(false);
    EXPECT_EQ(RunModal(form,
                       [&] {
                           QTest::mouseClick(Child<QCheckBox>(form, "TntCheckBox2"), Qt::LeftButton, {},
                                             QPoint(6, 8));
                           QTest::mouseClick(Child<QWidget>(form, "TntBitBtn1"), Qt::LeftButton);
                       }),
              kResultOk);
    EXPECT_TRUE(Child<QCheckBox>(form, "TntCheckBox1")->isChecked());
    EXPECT_TRUE(form.ShowWarnings()->isChecked());
    EXPECT_EQ(Child<QComboBox>(form, "TntComboBox1")->count(), 0);
}

}  // namespace
}  // namespace faceloom
