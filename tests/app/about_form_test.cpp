#include "app/dialogs/about_form.h"

#include <QLabel>
#include <QTest>

#include "app/dialogs/about_texts.h"
#include "dialog_test_support.h"

namespace faceloom {
namespace {

using test::Child;

TEST(AboutTexts, ScramblingFollowsTheFormulaAndRoundTrips) {
    // 'A' at position 1: NOT 0x0041 = 0xFFBE; (1 XOR 0xA7) << 8 = 0xA600; together 0x59BE.
    EXPECT_EQ(ScrambleAboutText(u"A"), std::u16string(1, char16_t(0x59BE)));
    // Positions count modulo 256: position 257 scrambles like position 1.
    const std::u16string long257 = std::u16string(256, u'x') + u"A";
    EXPECT_EQ(ScrambleAboutText(long257).back(), char16_t(0x59BE));
    for (int n = 1; n <= 5; ++n) {
        const std::u16string_view stored = StoredAboutText(n);
        const std::u16string plain = AboutText(n);
        ASSERT_FALSE(plain.empty()) << n;
        ASSERT_EQ(stored.size(), plain.size()) << n;
        // Not one character is kept plain.
        for (size_t i = 0; i < plain.size(); ++i) EXPECT_NE(stored[i], plain[i]) << n << " at " << i;
        EXPECT_EQ(ScrambleAboutText(plain), stored) << n;
    }
    EXPECT_EQ(AboutText(5), u"https://faceloom.example/");
    EXPECT_TRUE(AboutText(0).empty());
    EXPECT_TRUE(AboutText(6).empty());
}

// The stored names in the language's words, Russian and English alike.
TEST(AboutForm, ShowsTheStoredTextsWithTheLanguagesPrefixesAndOpensTheLink) {
    TAboutForm form;
    std::vector<QUrl> opened;
    form.OpenUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    form.ApplyLanguage(TLang("", true));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel1")->text(), QStringLiteral("Faceloom для Tavi 2005"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel2")->text(), QStringLiteral("Версия: 3.2"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel4")->text(), QStringLiteral("Автор:    Команда Faceloom"));
    EXPECT_FALSE(Child<QLabel>(form, "Image1")->pixmap().isNull());
    const auto english = test::English();
    form.ApplyLanguage(*english);
    EXPECT_EQ(Child<QLabel>(form, "TntLabel1")->text(), QStringLiteral("Faceloom for Tavi 2005"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel2")->text(), QStringLiteral("Version: 3.2"));
    EXPECT_EQ(Child<QLabel>(form, "TntLabel4")->text(), QStringLiteral("Author:    Faceloom team"));

    auto* link = Child<QLabel>(form, "TntLabel5");
    EXPECT_EQ(link->text(), QStringLiteral("https://faceloom.example/"));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    form.show();
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://faceloom.example/")));
    form.hide();
}

}  // namespace
}  // namespace faceloom
