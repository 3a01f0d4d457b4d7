#include "app/dialogs/preview_form.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "dialog_test_support.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"
#include "views/view_test_pictures.h"

namespace faceloom {
namespace {

using test::Child;
using test::RunModal;
using testing::ProcessUntil;
using testing::TPatternPicture;

TRef<TSmileLabelSmile> Smile(int frames) {
    TRef<TSmileLabelSmile> smile(new TSmileLabelSmile);
    if (frames > 0) {
        TRef<TPictureDecoder> picture(new TPatternPicture(20, 24, frames));
        smile->SetPicture(picture.get());
    }
    return smile;
}

class PreviewFormTest : public ::testing::Test {
protected:
    void SetUp() override { form.ApplyLanguage(TLang("", true)); }
    void TearDown() override { form.Label()->SetSmile(nullptr); }

    QString Counter() const { return Child<QLabel>(form, "TntPanel1")->text(); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(form, name); }
    // Clicks and waits for the label to paint the frame and report it.
    bool ClickUntilCounter(const char* button, const QString& expected) {
        QTest::mouseClick(Button(button), Qt::LeftButton);
        return ProcessUntil([&] { return Counter() == expected; });
    }

    TPreviewForm form;
};

TEST_F(PreviewFormTest, StepsWrapAroundWhileStoppedAndTheCounterFollows) {
    TRef<TSmileLabelSmile> smile = Smile(3);
    form.Label()->SetSmile(smile.get());
    form.Label()->SetAnimate(false);
    EXPECT_EQ(RunModal(form,
                       [&] {
                           EXPECT_TRUE(Button("TntBitBtn1")->isEnabled());
                           EXPECT_EQ(Button("TntBitBtn1")->text(), QStringLiteral("&Запуск"));
                           EXPECT_TRUE(Button("TntBitBtn2")->isEnabled());
                           EXPECT_TRUE(Button("TntBitBtn3")->isEnabled());
                           EXPECT_TRUE(form.Label()->Active());
                           EXPECT_EQ(Counter(), QStringLiteral("1 из 3"));
                           EXPECT_TRUE(ClickUntilCounter("TntBitBtn2", QStringLiteral("2 из 3")));
                           EXPECT_TRUE(ClickUntilCounter("TntBitBtn2", QStringLiteral("3 из 3")));
                           EXPECT_TRUE(ClickUntilCounter("TntBitBtn2", QStringLiteral("1 из 3")));
                           EXPECT_TRUE(ClickUntilCounter("TntBitBtn3", QStringLiteral("3 из 3")));
                           EXPECT_TRUE(ClickUntilCounter("TntBitBtn3", QStringLiteral("2 из 3")));
                           QTest::keyClick(test::KeyTarget(form), Qt::Key_Escape);
                       }),
              kResultCancel);
    EXPECT_FALSE(form.Label()->Active());
    EXPECT_EQ(smile->FrameIndex.load(), 1);
}

TEST_F(PreviewFormTest, StartPauseFollowsTheAnimationWhichCarriesOverToTheNextPreview) {
    TRef<TSmileLabelSmile> smile = Smile(4);
    form.Label()->SetSmile(smile.get());
    form.Label()->SetAnimate(true);
    EXPECT_EQ(RunModal(form,
                       [&] {
                           EXPECT_EQ(Button("TntBitBtn1")->text(), QStringLiteral("&Пауза"));
                           EXPECT_FALSE(Button("TntBitBtn2")->isEnabled());
                           EXPECT_FALSE(Button("TntBitBtn3")->isEnabled());
                           // Running: the counter moves by itself.
                           EXPECT_TRUE(ProcessUntil([&] { return Counter() != QStringLiteral("1 из 4"); }));
                           QTest::mouseClick(Button("TntBitBtn1"), Qt::LeftButton);
                           form.close();
                       }),
              kResultCancel);
    EXPECT_FALSE(form.Label()->Animate());
    form.Label()->SetSmile(Smile(4).get());
    EXPECT_EQ(RunModal(form,
                       [&] {
                           EXPECT_EQ(Button("TntBitBtn1")->text(), QStringLiteral("&Запуск"));
                           EXPECT_TRUE(Button("TntBitBtn2")->isEnabled());
                           form.reject();
                       }),
              kResultCancel);
}

TEST_F(PreviewFormTest, SingleFrameAndPictureLessSmilesCannotStart) {
    form.Label()->SetSmile(Smile(1).get());
    form.Label()->SetAnimate(false);
    EXPECT_EQ(RunModal(form,
                       [&] {
                           EXPECT_FALSE(Button("TntBitBtn1")->isEnabled());
                           EXPECT_TRUE(Button("TntBitBtn2")->isEnabled());
                           EXPECT_EQ(Counter(), QStringLiteral("1 из 1"));
                           EXPECT_TRUE(ClickUntilCounter("TntBitBtn2", QStringLiteral("1 из 1")));
                           form.reject();
                       }),
              kResultCancel);

    form.Label()->SetSmile(Smile(0).get());
    EXPECT_EQ(RunModal(form,
                       [&] {
                           EXPECT_FALSE(Button("TntBitBtn1")->isEnabled());
                           QTest::mouseClick(Button("TntBitBtn2"), Qt::LeftButton);
                           QTest::mouseClick(Button("TntBitBtn3"), Qt::LeftButton);
                           QApplication::processEvents();
                           EXPECT_EQ(Counter(), QStringLiteral("0 из 0"));
                           form.reject();
                       }),
              kResultCancel);
}

}  // namespace
}  // namespace faceloom
