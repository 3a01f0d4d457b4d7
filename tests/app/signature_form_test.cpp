#include "app/dialogs/signature_form.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialog_test_support.h"

namespace faceloom {
namespace {

using test::Child;
using test::RunModal;

TEST(SignatureForm, OkAndCancelTrimTheTextWhichStaysForTheNextUse) {
    TSignatureForm form;
    form.ApplyLanguage(TLang("", true));
    form.SetCaption(QStringLiteral("Новая подпись"));
    auto* edit = Child<QLineEdit>(form, "Edit1");
    form.SetText(QStringLiteral("  \t:-)\x01 \x7F"));
    EXPECT_EQ(
        RunModal(form, [&] { QTest::mouseClick(Child<QPushButton>(form, "TntBitBtn1"), Qt::LeftButton); }),
        kResultOk);
    EXPECT_EQ(form.Text(), QStringLiteral(":-)"));

    // Shown again: the last text, focused, ready to be typed over; Enter confirms.
    QWidget* focused = nullptr;
    EXPECT_EQ(RunModal(form,
                       [&] {
                           focused = QApplication::focusWidget();
                           QTest::keyClicks(edit, QStringLiteral(" ;-) "));
                           QTest::keyClick(edit, Qt::Key_Return);
                       }),
              kResultOk);
    EXPECT_EQ(focused, edit);
    EXPECT_EQ(form.Text(), QStringLiteral(";-)"));

    form.SetText(QStringLiteral(" a  b "));
    EXPECT_EQ(
        RunModal(form, [&] { QTest::mouseClick(Child<QPushButton>(form, "TntBitBtn2"), Qt::LeftButton); }),
        kResultCancel);
    EXPECT_EQ(form.Text(), QStringLiteral("a  b"));  // inner blanks stay
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Новая подпись"));
}

TEST(SignatureForm, RefusesCharactersTheCodePageCannotHold) {
    TSignatureForm form;
    form.ApplyLanguage(TLang("", true));
    form.SetText(QString());
    auto* edit = Child<QLineEdit>(form, "Edit1");
    auto* hint = Child<QLabel>(form, "CodePageHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(RunModal(form,
                       [&] {
                           test::TypeText(edit, QStringLiteral("Привет€"));
                           EXPECT_FALSE(hint->isVisible());
                           test::TypeText(edit, QStringLiteral("字"));
                           EXPECT_TRUE(hint->isVisible());
                           EXPECT_TRUE(hint->text().contains(QStringLiteral("«字» U+5B57")));
                           EXPECT_TRUE(hint->text().contains(QStringLiteral("Windows-1251")));
                           // A paste holding one such character is refused whole.
                           QGuiApplication::clipboard()->setText(QStringLiteral("ok\U0001F600"));
                           edit->paste();
                           QTest::mouseClick(Child<QPushButton>(form, "TntBitBtn1"), Qt::LeftButton);
                       }),
              kResultOk);
    EXPECT_EQ(form.Text(), QStringLiteral("Привет€"));
    // The bytes the pack stores: Windows-1251.
    EXPECT_EQ(form.Signature(), std::string("\xCF\xF0\xE8\xE2\xE5\xF2\x88"));

    form.SetSignature(std::string("\xE4\xE0 :)"));
    EXPECT_EQ(form.Text(), QStringLiteral("да :)"));
    // Text from the caller passes the same check.
    form.SetText(QStringLiteral("a字b"));
    EXPECT_EQ(form.Text(), QStringLiteral("ab"));
}

}  // namespace
}  // namespace faceloom
