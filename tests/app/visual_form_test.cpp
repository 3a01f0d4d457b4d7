#include "app/dialogs/visual_form.h"

#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs/color_swatch.h"
#include "dialog_test_support.h"
#include "views/smile_label.h"
#include "views/smile_label_smile.h"

namespace faceloom {
namespace {

using test::Child;
using test::RunModal;

// What the main window keeps and copies to and from the dialog.
struct TGridLook {
    TColor color = 0xFFFFFF;
    TColor hotTrack = 0xFFF0F0;
    TColor border = 0xFF8080;
    TColor fontColor = 0x000000;
};

void CopyIn(const TGridLook& look, TVisualForm& form) {
    TSmileLabel* sample = form.Sample();
    sample->SetColor(look.color);
    sample->SetHotTrackColor(look.hotTrack);
    sample->SetHotTrackBorderColor(look.border);
    sample->SetFontColor(look.fontColor);
}

void CopyOut(const TVisualForm& form, TGridLook& look) {
    const TSmileLabel* sample = form.Sample();
    look = {sample->Color(), sample->HotTrackColor(), sample->HotTrackBorderColor(), sample->FontColor()};
}

// Closes the platform dialog that is up now with Cancel.
void CancelActiveModal() {
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    });
}

TEST(VisualForm, SampleIsTheBuiltInSmileWithItsCaption) {
    TVisualForm form;
    ASSERT_NE(form.Sample()->Smile(), nullptr);
    EXPECT_EQ(form.Sample()->Smile()->GetFrameCount(), 6);
    EXPECT_EQ(form.Sample()->Caption(), QStringLiteral("*SMILE*"));
    EXPECT_TRUE(form.Sample()->ShowsHotTrack());
    EXPECT_EQ(form.Sample()->objectName(), QStringLiteral("SmileLabel1"));
}

TEST(VisualForm, SwatchesEditOnlyTheSampleSoCancelLeavesTheCallerAlone) {
    TVisualForm form;
    form.ApplyLanguage(TLang("", true));
    const TGridLook original{0x00FFFF, 0x112233, 0x445566, 0x778899};
    TGridLook look = original;
    CopyIn(look, form);
    QColor preset;
    form.ChooseColor = [&](const QColor& initial, QWidget*) {
        preset = initial;
        return QColor(255, 0, 0);
    };
    auto* swatch2 = Child<TColorSwatch>(form, "TntPanel2");
    const int result = RunModal(form, [&] {
        EXPECT_EQ(swatch2->Color(), 0x112233u);  // taken from the sample when shown
        QTest::mouseClick(swatch2, Qt::LeftButton);
        EXPECT_EQ(swatch2->Color(), 0x0000FFu);
        EXPECT_EQ(form.Sample()->HotTrackColor(), 0x0000FFu);
        QTest::keyClick(test::KeyTarget(form), Qt::Key_Escape);
    });
    EXPECT_EQ(result, kResultCancel);
    EXPECT_EQ(preset, QColor(0x33, 0x22, 0x11));  // 0x00BBGGRR shown as the colour it is
    if (result == kResultOk) CopyOut(form, look);
    EXPECT_EQ(look.hotTrack, original.hotTrack);

    // OK hands the choice back; the fourth swatch is the caption's colour.
    CopyIn(look, form);
    EXPECT_EQ(RunModal(form,
                       [&] {
                           QTest::mouseClick(Child<TColorSwatch>(form, "TntPanel4"), Qt::LeftButton);
                           QTest::mouseClick(Child<QWidget>(form, "TntBitBtn2"), Qt::LeftButton);
                       }),
              kResultOk);
    CopyOut(form, look);
    EXPECT_EQ(look.fontColor, 0x0000FFu);
    EXPECT_EQ(look.color, original.color);
}

TEST(VisualForm, CancelledPlatformColourAndFontDialogsChangeNothing) {
    TVisualForm form;
    form.ApplyLanguage(TLang("", true));
    CopyIn(TGridLook{}, form);
    const QFont before = form.Sample()->font();
    EXPECT_EQ(RunModal(form,
                       [&] {
                           CancelActiveModal();
                           QTest::mouseClick(Child<TColorSwatch>(form, "TntPanel1"), Qt::LeftButton);
                           CancelActiveModal();
                           QTest::mouseClick(Child<QWidget>(form, "TntBitBtn1"), Qt::LeftButton);
                           form.reject();
                       }),
              kResultCancel);
    EXPECT_EQ(form.Sample()->Color(), 0xFFFFFFu);
    EXPECT_EQ(Child<TColorSwatch>(form, "TntPanel1")->Color(), 0xFFFFFFu);
    EXPECT_EQ(form.Sample()->font(), before);
}

TEST(VisualForm, ChosenFontLaysTheSampleOutAgain) {
    TVisualForm form;
    form.ApplyLanguage(TLang("", true));
    QFont small = form.Sample()->font();
    small.setPixelSize(8);
    form.Sample()->setFont(small);
    form.ChooseFont = [](QFont& font, QWidget*) {
        font.setPixelSize(40);
        return true;
    };
    int heightBefore = 0;
    int heightAfter = 0;
    RunModal(form, [&] {
        heightBefore = form.Sample()->LayoutRect().height();
        QTest::mouseClick(Child<QWidget>(form, "TntBitBtn1"), Qt::LeftButton);
        heightAfter = form.Sample()->LayoutRect().height();
        form.reject();
    });
    EXPECT_EQ(form.Sample()->font().pixelSize(), 40);
    EXPECT_GT(heightAfter, heightBefore);
}

// The platform's font dialog opened on the grid's font and accepted as it came changes nothing:
// it starts on the font's face, style and size, for the desktop's face, a bold and an italic.
TEST(VisualForm, FontDialogAcceptedUntouchedChangesNothing) {
    const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    struct TCase {
        const char* Name;
        bool Bold;
        bool Italic;
        int Pixels;
    };
    for (const TCase& c : {TCase{"regular", false, false, 11}, TCase{"bold", true, false, 13},
                           TCase{"italic", false, true, 15}}) {
        SCOPED_TRACE(c.Name);
        TVisualForm form;
        form.ApplyLanguage(TLang("", true));
        // As the main window makes it from the settings: a family, bits and a pixel size.
        QFont font = form.Sample()->font();
        font.setFamily(family);
        font.setPixelSize(c.Pixels);
        font.setBold(c.Bold);
        font.setItalic(c.Italic);
        form.Sample()->setFont(font);
        const QFont before = form.Sample()->font();
        QFont shown;
        bool seen = false;
        RunModal(form, [&] {
            QTimer::singleShot(50, [&] {
                auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
                if (!dialog) return;
                seen = true;
                shown = dialog->currentFont();
                dialog->accept();
            });
            QTest::mouseClick(Child<QWidget>(form, "TntBitBtn1"), Qt::LeftButton);
            form.reject();
        });
        ASSERT_TRUE(seen);
        EXPECT_EQ(shown.family(), family);
        EXPECT_EQ(shown.bold(), c.Bold) << shown.styleName().toStdString();
        EXPECT_EQ(shown.italic(), c.Italic) << shown.styleName().toStdString();
        EXPECT_FALSE(shown.styleName().contains("Condensed")) << shown.styleName().toStdString();
        EXPECT_EQ(shown.pointSize(), qRound(c.Pixels * 72.0 / form.logicalDpiY()));
        EXPECT_EQ(form.Sample()->font(), before);
        EXPECT_EQ(form.Sample()->font().pixelSize(), c.Pixels);
        EXPECT_EQ(form.Sample()->font().bold(), c.Bold);
        EXPECT_EQ(form.Sample()->font().italic(), c.Italic);
    }
}

TEST(VisualForm, ColumnFieldTakesASignOrDigitThenUpToThreeDigits) {
    TVisualForm form;
    auto* edit = Child<QLineEdit>(form, "MaskEdit1");
    struct {
        const char* typed;
        const char* shown;
        bool number;
        int value;
    } const cases[] = {
        {"12345", "1234", true, 1234}, {"ab", "", false, 0},    {"-", "-", false, 0},
        {"+7", "+7", true, 7},         {"5-3", "53", true, 53}, {"-12", "-12", true, -12},
    };
    for (const auto& c : cases) {
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(form.ColumnText(), QString::fromLatin1(c.shown)) << c.typed;
        int value = 999;
        EXPECT_EQ(form.ColumnCount(value), c.number) << c.typed;
        EXPECT_EQ(value, c.number ? c.value : 999) << c.typed;
    }
}

}  // namespace
}  // namespace faceloom
